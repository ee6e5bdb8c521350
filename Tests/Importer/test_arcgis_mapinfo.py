"""What ArcGIS and MapInfo users get: a File Geodatabase whose layers sit in a feature dataset
of their coordinate system, with 32-bit integers old ArcGIS opens and the names GDAL gave
them said by the summary; MapInfo tables in GBK, declared WindowsSimpChinese, as MapInfo on
a Chinese system reads them."""
import os
import re
import shutil

from osgeo import gdal, ogr

from hosts_common import TempDirCase, open_layers, sample
from test_formats import CN_TEXTS, CN_WAT
from test_qgis_map import hand_sheet

SRS = "EPSG:4527"
# The name PROJ gives EPSG:4527, "CGCS2000 / 3-degree Gauss-Kruger zone 39", its signs and
# spaces as underscores.
FEATURE_DATASET = "CGCS2000_3_degree_Gauss_Kruger_zone_39"


class FileGeodatabase(TempDirCase):
    def convert(self, *extra):
        # A sheet named as sheets usually are, by a number.
        inputs = [shutil.copy(path, self.path("1" + os.path.splitext(path)[1]))
                  for path in hand_sheet(self) + [sample("sample.wap"), sample("sample.wan")]]
        out = self.path("sheet.gdb")
        r = self.importer(*inputs, "-f", "OpenFileGDB", "-o", out, *extra)
        return out, r.stdout

    def test_layers_sit_in_their_systems_feature_dataset(self):
        for srs, dataset in ((SRS, FEATURE_DATASET), (None, "undefined_system")):
            with self.subTest(srs=srs):
                out, _ = self.convert(*(["--srs", srs] if srs else []), "--overwrite")
                ds = gdal.OpenEx(out, gdal.OF_VECTOR)
                root = ds.GetRootGroup()
                self.assertEqual(root.GetGroupNames(), [dataset])
                self.assertEqual(root.GetVectorLayerNames() or [], [])
                names = root.OpenGroup(dataset).GetVectorLayerNames()
                # A name may not begin with a digit: GDAL puts an underscore before it.
                self.assertIn("_1_texts", names)
                self.assertIn("_1_areas", names)

    def test_no_64_bit_integers(self):
        out, _ = self.convert("--srs", SRS)
        _, layers = open_layers(out)
        self.assertTrue(layers)
        for layer in layers:
            defn = layer.GetLayerDefn()
            for i in range(defn.GetFieldCount()):
                field = defn.GetFieldDefn(i)
                self.assertNotEqual(field.GetType(), ogr.OFTInteger64,
                                    f"{layer.GetName()}.{field.GetName()}")

    def test_summary_names_the_layers_written(self):
        out, stdout = self.convert("--srs", SRS)
        said = re.findall(r"^  layer (\S+) \(", stdout, re.M)
        _, layers = open_layers(out)
        # A layer two files fill is said once for each.
        self.assertEqual(set(said), {layer.GetName() for layer in layers})
        self.assertIn("_1_texts", said)


class LayerOrder(TempDirCase):
    def test_layers_are_listed_bottom_first(self):
        # The files given top first: the order read back comes from the map, not from them.
        inputs = [shutil.copy(sample(n), self.path("1" + os.path.splitext(n)[1]))
                  for n in ("sample.wat", "sample.wan", "sample.wal", "sample.wap")]
        for fmt, out, prefix in (("GPKG", "sheet.gpkg", "1_"), ("OpenFileGDB", "sheet.gdb", "_1_")):
            with self.subTest(format=fmt):
                self.importer(*inputs, "-q", "--srs", SRS, "-f", fmt, "-o", self.path(out))
                _, layers = open_layers(self.path(out))
                self.assertEqual([layer.GetName() for layer in layers],
                                 [prefix + kind for kind in ("areas", "lines", "network",
                                                             "points", "nodes", "texts")])


class MapInfoChinese(TempDirCase):
    def test_texts_are_gbk_declared_windows_simplified_chinese(self):
        src = self.write("cn.wat", CN_WAT, "gbk")
        out = self.path("cn.tab")
        self.importer(src, "-q", "--srs", SRS, "-f", "MapInfo File", "-o", out)
        tab = out if os.path.exists(out) else os.path.join(self.path("cn"), "cn_texts.tab")
        with open(tab, "rb") as f:
            header = f.read()
        self.assertIn(b'!charset WindowsSimpChinese', header)
        with open(os.path.splitext(tab)[0] + ".dat", "rb") as f:
            dat = f.read()
        for text in CN_TEXTS:
            self.assertIn(text.encode("gbk"), dat)
            self.assertNotIn(text.encode("utf-8"), dat)
        _, layers = open_layers(tab)
        self.assertEqual([f.GetField("Text") for f in layers[0]], CN_TEXTS)
        # What MapInfo keeps of EPSG:4527: its projection (zone 39: central meridian 117,
        # false easting 39 500 000) on WGS 84, GDAL having no MapInfo datum for CGCS2000.
        srs = layers[0].GetSpatialRef()
        self.assertEqual(srs.GetAttrValue("PROJECTION"), "Transverse_Mercator")
        self.assertEqual(srs.GetProjParm("central_meridian"), 117)
        self.assertEqual(srs.GetProjParm("false_easting"), 39500000)
        self.assertEqual(srs.GetProjParm("scale_factor"), 1)
        self.assertEqual(srs.GetAttrValue("DATUM"), "WGS_1984")
