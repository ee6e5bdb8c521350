"""ogr2ogr on a MAPGIS file with no options: the driver's default MODE=MAP gives a layer per
kind, one geometry type each, which GeoPackage and Shapefile take as they are."""
from osgeo import ogr

import test_formats
from hosts_common import TempDirCase, open_layers, run, sample

# Per input: the layers in drawing order with their type and count, read off the records
# (test_formats.py counts the point sample's pieces).
EXPECTED = {
    "sample.wat": [("sample_areas", ogr.wkbMultiSurface, 1),
                   ("sample_lines", ogr.wkbMultiCurve, 2),
                   ("sample_points", ogr.wkbPoint, 1),
                   ("sample_texts", ogr.wkbPoint, 16)],
    "sample.wal": [("sample_lines", ogr.wkbMultiCurve, 30)],
    "sample.wap": [("sample_areas", ogr.wkbMultiSurface, 3)],
    "sample.wan": [("sample_network", ogr.wkbMultiCurve, 2),
                   ("sample_nodes", ogr.wkbMultiPoint, 2)],
}


class Ogr2ogrDefault(TempDirCase):
    def convert(self, name, *extra):
        out = self.path(name.replace(".", "_") + ".gpkg")
        done = run(["ogr2ogr", "-f", "GPKG", out, sample(name), *extra])
        self.assertEqual(done.returncode, 0, done.stderr)
        return out

    def test_map_layers_into_a_geopackage(self):
        for name, layers in EXPECTED.items():
            with self.subTest(name):
                ds, found = open_layers(self.convert(name))
                self.assertEqual([(layer.GetName(), layer.GetGeomType(),
                                   layer.GetFeatureCount()) for layer in found], layers)
                del ds

    def test_text_pieces_with_their_labels(self):
        ds, layers = open_layers(self.convert("sample.wat"))
        texts = [f.GetField("Text") for f in layers[3]]
        del ds
        self.assertEqual(texts, test_formats.SAMPLE_TEXTS)

    def test_compound_mode_when_asked(self):
        ds, layers = open_layers(self.convert("sample.wat", "-oo", "MODE=COMPOUND"))
        # Items 1 to 9 of the 11: item 10 is an image, item 11 refused.
        self.assertEqual([(layer.GetName(), layer.GetFeatureCount()) for layer in layers],
                         [("sample", 9)])
        del ds

    def test_shapefile_folder_of_map_layers(self):
        out = self.path("sheet")
        done = run(["ogr2ogr", "-f", "ESRI Shapefile", out, sample("sample.wan")])
        self.assertEqual(done.returncode, 0, done.stderr)
        ds, layers = open_layers(out)
        counts = {layer.GetName(): (layer.GetGeomType(), layer.GetFeatureCount())
                  for layer in layers}
        del ds
        self.assertEqual(counts, {"sample_network": (ogr.wkbLineString, 2),
                                  "sample_nodes": (ogr.wkbMultiPoint, 2)})


class ImporterModes(TempDirCase):
    def test_compound_and_its_old_name_keep_one_layer_per_input(self):
        # The point sample's 9 items read (item 10 an image, 11 refused), in the layer named
        # after the file's kind.
        for option in ("--compound", "--no-split"):
            with self.subTest(option):
                out = self.path(option.strip("-") + ".gpkg")
                self.importer(sample("sample.wat"), option, "-o", out, "-q")
                ds, layers = open_layers(out)
                self.assertEqual([(layer.GetName(), layer.GetGeomType(),
                                   layer.GetFeatureCount()) for layer in layers],
                                 [("sample_points", ogr.wkbUnknown, 9)])
                del ds

    def test_help_names_both(self):
        text = self.importer("--help").stdout
        self.assertIn("--compound", text)
        self.assertIn("--no-split is the same", text)
