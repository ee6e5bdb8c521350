"""The installed package as a user meets it: no GDAL_DRIVER_PATH, no build folder anywhere.

Run by scripts/test-package with a clean environment after the package is installed;
MAPGIS_SAMPLES names a copy of the samples outside the source tree."""
import os
import subprocess
import tempfile
import unittest

SAMPLES = os.environ["MAPGIS_SAMPLES"]


def sample(name):
    return os.path.join(SAMPLES, name)


def run(*args):
    proc = subprocess.run(list(args), capture_output=True, text=True)
    if proc.returncode != 0:
        raise AssertionError(f"{args} failed ({proc.returncode}): {proc.stderr}")
    return proc.stdout


def package_version():
    return run("dpkg-query", "-W", "-f=${Version}", "mapgis-import").strip()


class Installed(unittest.TestCase):
    def test_nothing_points_at_a_build(self):
        for name in ("GDAL_DRIVER_PATH", "MAPGIS_PLUGIN_FILE", "LD_LIBRARY_PATH"):
            self.assertNotIn(name, os.environ)

    def test_gdal_tools_find_the_driver(self):
        self.assertIn("MAPGIS -vector- (ro", run("ogrinfo", "--formats"))
        out = run("ogrinfo", "-ro", "-so", "-al", sample("sample.wal"))
        self.assertIn("using driver `MAPGIS'", out)
        self.assertIn("Feature Count: 30", out)
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "points.gpkg")
            run("ogr2ogr", "-f", "GPKG", out, sample("sample.wat"))
            self.assertIn("Layer name: sample", run("ogrinfo", "-ro", "-so", "-al", out))

    def test_python_bindings_open_and_version(self):
        from osgeo import gdal
        gdal.UseExceptions()
        ds = gdal.OpenEx(sample("sample.wap"), gdal.OF_VECTOR)
        self.assertEqual(ds.GetDriver().ShortName, "MAPGIS")
        self.assertGreater(ds.GetLayer(0).GetFeatureCount(), 0)
        self.assertEqual(gdal.GetDriverByName("MAPGIS").GetMetadataItem("MAPGIS_VERSION"),
                         package_version())

    def test_qgis_opens_a_line_file(self):
        # Headless: QGIS's application object needs a platform, not a display.
        os.environ["QT_QPA_PLATFORM"] = "offscreen"
        from qgis.core import QgsApplication, QgsVectorLayer
        global _qgis_app  # QGIS must outlive the test: destroyed early, it crashes at exit
        _qgis_app = QgsApplication([], False)
        _qgis_app.initQgis()
        try:
            layer = QgsVectorLayer(sample("sample.wal"), "lines", "ogr")
            found = (layer.isValid(), layer.dataProvider().storageType(), layer.featureCount())
            del layer  # layers go before QGIS does
        finally:
            _qgis_app.exitQgis()
        self.assertEqual(found, (True, "MAPGIS", 30))

    def test_mapgis_import_version_manual_and_import(self):
        self.assertTrue(run("mapgis-import", "--version").startswith(
            f"mapgis-import {package_version()} (GDAL "))
        self.assertTrue(os.path.exists("/usr/share/man/man1/mapgis-import.1.gz"))
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "sheet.gpkg")
            inputs = [sample(n) for n in ("sample.wat", "sample.wal", "sample.wap")]
            run("mapgis-import", *inputs, "-o", out, "--colors", sample("colors.txt"), "-q")
            from osgeo import gdal
            ds = gdal.OpenEx(out, gdal.OF_VECTOR)
            counts = {ds.GetLayer(i).GetName(): ds.GetLayer(i).GetFeatureCount()
                      for i in range(ds.GetLayerCount())}
            del ds
        # The point file's symbol, arc and unfilled circle (lines), filled circle and 16 text
        # pieces; 30 lines; 3 areas.
        self.assertEqual(counts, {"sample_points": 1, "sample_lines": 32, "sample_areas": 4,
                                  "sample_texts": 16, "layer_styles": 4})


if __name__ == "__main__":
    unittest.main()
