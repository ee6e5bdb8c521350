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


class CleanEnvironment(unittest.TestCase):
    def test_nothing_points_at_a_build(self):
        for name in ("GDAL_DRIVER_PATH", "MAPGIS_PLUGIN_FILE", "LD_LIBRARY_PATH"):
            self.assertNotIn(name, os.environ)


class GdalTools(unittest.TestCase):
    def test_ogrinfo_lists_and_reads_the_driver(self):
        self.assertIn("MAPGIS -vector- (ro", run("ogrinfo", "--formats"))
        out = run("ogrinfo", "-ro", "-so", "-al", sample("sample.wal"))
        self.assertIn("using driver `MAPGIS'", out)
        self.assertIn("Feature Count: 30", out)

    def test_ogr2ogr_converts_a_point_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "points.gpkg")
            run("ogr2ogr", "-f", "GPKG", out, sample("sample.wat"))
            info = run("ogrinfo", "-ro", "-so", "-al", out)
            self.assertIn("Layer name: sample", info)


class PythonBindings(unittest.TestCase):
    def test_open_and_version(self):
        from osgeo import gdal
        gdal.UseExceptions()
        ds = gdal.OpenEx(sample("sample.wap"), gdal.OF_VECTOR)
        self.assertEqual(ds.GetDriver().ShortName, "MAPGIS")
        self.assertGreater(ds.GetLayer(0).GetFeatureCount(), 0)
        self.assertEqual(gdal.GetDriverByName("MAPGIS").GetMetadataItem("MAPGIS_VERSION"),
                         package_version())


class Qgis(unittest.TestCase):
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


class MapgisImport(unittest.TestCase):
    def test_version_matches_the_package(self):
        self.assertTrue(run("mapgis-import", "--version").startswith(
            f"mapgis-import {package_version()} (GDAL "))

    def test_imports_every_sample(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "sheet.gpkg")
            inputs = [sample(n) for n in ("sample.wat", "sample.wal", "sample.wap")]
            run("mapgis-import", *inputs, "-o", out, "--colors", sample("colors.txt"), "-q")
            self.assertTrue(os.path.getsize(out) > 0)

    def test_manual_page_is_installed(self):
        self.assertTrue(os.path.exists("/usr/share/man/man1/mapgis-import.1.gz"))


if __name__ == "__main__":
    unittest.main()
