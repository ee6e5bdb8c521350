"""A point file's kinds written in one pass (GeoPackage takes its layers' features in any order)
come out as they do layer by layer (FlatGeobuf, a file per layer): every feature, in order,
across the batches the items are read in."""
import os
import unittest

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, run

gdal.UseExceptions()

# Items cycling through a symbol, a text, a circle and a text: more than two batches of items.
ITEMS = 2600


def mixed_wat():
    lines = ["WMAPGIS point file", str(ITEMS)]
    for i in range(ITEMS):
        x, y, kind = 523412.5 + i * 0.5, 3364180.25 + (i % 50), i % 4
        lines.append(f"{x},{y},{i + 1},1,12,4.0,4.0,0.0,0,3,0.5,0,0" if kind == 0 else
                     f"{x},{y},{i + 1},2,12.5,3,1,1,5,0,0" if kind == 2 else
                     f'{x},{y},{i + 1},0,"T{i}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0')
    return "\n".join(lines) + "\n"


def features(path, name):
    """(fields, geometry as WKT) of every feature of the layer, in order."""
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    return [(f.items(), f.GetGeometryRef().ExportToIsoWkt()) for f in ds.GetLayerByName(name)]


class OnePassTest(TempDirCase):
    def test_one_pass_writes_what_layer_by_layer_writes(self):
        wat = self.write("mixed.wat", mixed_wat())
        gpkg = os.path.join(self.dir, "mixed.gpkg")
        fgb = os.path.join(self.dir, "fgb")
        for out, fmt in ((gpkg, "GPKG"), (fgb, "FlatGeobuf")):
            result = run([IMPORTER, "-q", "--srs", "EPSG:4548", "-f", fmt, "-o", out, wat])
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "")
        counts = {"mixed_points": ITEMS // 4, "mixed_areas": ITEMS // 4,
                  "mixed_texts": ITEMS // 2}
        for name, count in counts.items():
            with self.subTest(layer=name):
                one_pass = features(gpkg, name)
                # FlatGeobuf hands its features back in the order of its spatial index.
                by_layer = sorted(features(os.path.join(fgb, name + ".fgb"), name),
                                  key=lambda f: f[0]["RbUserID"])
                self.assertEqual(len(one_pass), count)
                self.assertEqual(one_pass, by_layer)
        texts = [fields["Text"] for fields, _ in features(gpkg, "mixed_texts")]
        self.assertEqual(texts, [f"T{i}" for i in range(ITEMS) if i % 2 == 1])


if __name__ == "__main__":
    unittest.main()
