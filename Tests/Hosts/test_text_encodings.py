"""Chinese annotation read back identically from every format it is written to."""
import os
import unittest

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, run

gdal.UseExceptions()

TEXT = "清河桥 高程 45.2"
# One annotation item, as MAPGIS writes it: GBK.
ONE_TEXT_WAT = ("WMAPGIS point file\n1\n"
                f'523412.50,3364180.25,1,0,"{TEXT}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n')


def texts(path):
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    layer = ds.GetLayer(0)
    return [f.GetField("Text") for f in layer]


class ChineseText(TempDirCase):
    # format, output name, extra arguments
    CASES = [
        ("GPKG", "out.gpkg", []),
        ("ESRI Shapefile", "out.shp", []),
        ("FlatGeobuf", "out.fgb", []),
        ("CSV", "out.csv", []),
        ("GeoJSON", "out.geojson", ["--srs", "EPSG:4548"]),
    ]

    def setUp(self):
        super().setUp()
        self.wat = os.path.join(self.dir, "one.wat")
        with open(self.wat, "wb") as f:
            f.write(ONE_TEXT_WAT.encode("gbk"))

    def test_every_format_keeps_the_text(self):
        for fmt, name, extra in self.CASES:
            with self.subTest(fmt=fmt):
                out = os.path.join(self.dir, name)
                r = run([IMPORTER, self.wat, "--typed", "-f", fmt, "-o", out, "-q"] + extra)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(texts(out), [TEXT])

    def test_shapefile_declares_utf8_and_its_system(self):
        out = os.path.join(self.dir, "texts.shp")
        r = run([IMPORTER, self.wat, "--typed", "-o", out, "-q", "--srs", "EPSG:4548"])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(self.dir, "texts.cpg"), encoding="ascii") as f:
            self.assertEqual(f.read().strip(), "UTF-8")
        with open(os.path.join(self.dir, "texts.dbf"), "rb") as f:
            self.assertIn(TEXT.encode("utf-8"), f.read())
        with open(os.path.join(self.dir, "texts.prj"), encoding="ascii") as f:
            self.assertIn("CGCS2000", f.read())


if __name__ == "__main__":
    unittest.main()
