"""The driver as QGIS uses it: the account in GeoPackage's gpkg_contents.description, layer
names across modes, and a real headless QGIS opening the samples."""
import os
import sqlite3
import unittest

from osgeo import gdal

from hosts_common import TempDirCase, all_samples, sample

gdal.UseExceptions()

# Headless: QGIS's application object needs a platform, not a display.
os.environ["QT_QPA_PLATFORM"] = "offscreen"
try:
    from qgis.core import (QgsApplication, QgsFeatureRequest, QgsVectorDataProvider,
                           QgsVectorLayer)
    HAVE_QGIS = True
except ImportError:
    HAVE_QGIS = False

# sample.wat, line by line: items 1-5 texts, 6 an arc, 7-8 circles, 9 a symbol, 10 an image
# (line 12), 11 a text whose record breaks over lines 13-14 and is refused.
SAMPLE_WAT_ACCOUNT = ("Of the 11 items of sample.wat, 9 were imported (0 repaired), 1 refused "
                      "(line 13), 1 not importable by design and 0 skipped.")


def open_mapgis(path, *options):
    return gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=["MAPGIS"],
                       open_options=list(options))


class GeoPackageDescription(TempDirCase):
    def descriptions(self, *options):
        out = os.path.join(self.dir, "out.gpkg")
        src = open_mapgis(sample("sample.wat"), *options)
        gdal.VectorTranslate(out, src, format="GPKG")
        del src
        with sqlite3.connect(out) as db:
            rows = db.execute("SELECT table_name, description FROM gpkg_contents").fetchall()
        os.remove(out)
        return dict(rows)

    def test_ogr2ogr_copies_the_account(self):
        got = self.descriptions("ACCOUNT=YES", "MODE=TYPED")
        self.assertEqual(got, {name: SAMPLE_WAT_ACCOUNT
                               for name in ("sampleP", "sampleL", "sampleR", "sampleT")})

    def test_without_account_there_is_none(self):
        self.assertEqual(self.descriptions(), {"sample": ""})


class NamesAcrossModes(unittest.TestCase):
    def test_typed_dataset_gives_the_compound_layer(self):
        ds = open_mapgis(sample("sample.wat"), "MODE=TYPED")
        self.assertEqual([ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())],
                         ["sampleP", "sampleL", "sampleR", "sampleT"])
        layer = ds.GetLayerByName("sample")
        self.assertIsNotNone(layer)
        self.assertEqual(layer.GetFeatureCount(), 9)
        self.assertEqual(ds.GetLayerCount(), 4)

    def test_compound_dataset_gives_the_typed_layers(self):
        ds = open_mapgis(sample("sample.wat"))
        self.assertEqual(ds.GetLayerCount(), 1)
        self.assertEqual(ds.GetLayerByName("sampleT").GetFeatureCount(), 5)
        self.assertIsNone(ds.GetLayerByName("sampleX"))


_qgis_app = None


def setUpModule():
    global _qgis_app  # QGIS must outlive the tests: destroyed early, it crashes at exit
    if HAVE_QGIS:
        _qgis_app = QgsApplication([], False)
        _qgis_app.initQgis()


def tearDownModule():
    if _qgis_app is not None:
        _qgis_app.exitQgis()


@unittest.skipUnless(HAVE_QGIS, "QGIS's Python bindings are not installed")
class Qgis(unittest.TestCase):
    def setUp(self):
        self.messages = []
        QgsApplication.messageLog().messageReceived.connect(self.collect)

    def tearDown(self):
        QgsApplication.messageLog().messageReceived.disconnect(self.collect)

    def collect(self, message, tag, level):
        self.messages.append(f"{tag}: {message}")

    def open(self, uri):
        layer = QgsVectorLayer(uri, "layer", "ogr")
        found = (layer.isValid(), layer.featureCount() if layer.isValid() else None)
        del layer  # layers go before QGIS does
        return found

    def test_the_log_receives_failed_opens(self):
        # What makes the checks below meaningful: a driver error at open reaches the log.
        self.assertEqual(self.open(sample("sample.wal") + "|option:MODE=SIDEWAYS"),
                         (False, None))
        self.assertTrue(any("MODE=SIDEWAYS" in m for m in self.messages), self.messages)

    def test_samples_open_with_feature_symbology(self):
        samples = all_samples()
        self.assertTrue(samples)
        for path in samples:
            with self.subTest(path=os.path.basename(path)):
                layer = QgsVectorLayer(path, "layer", "ogr")
                valid = layer.isValid()
                provider = layer.dataProvider()
                symbology = bool(provider.capabilities() & QgsVectorDataProvider.FeatureSymbology)
                storage = provider.storageType()
                count = layer.featureCount()
                del provider, layer
                self.assertTrue(valid)
                self.assertTrue(symbology)
                self.assertEqual(storage, "MAPGIS")
                self.assertGreater(count, 0)
        self.assertFalse([m for m in self.messages if "only reads" in m], self.messages)

    def test_dashed_pen_becomes_a_dashed_line(self):
        # sample.wal item 3: style line "2,0,3,8,...": dashed, red, 0.8 mm.
        layer = QgsVectorLayer(f"{sample('sample.wal')}|option:COLOR_INDEX="
                               f"{sample('colors.txt')}", "lines", "ogr")
        request = QgsFeatureRequest(3)
        request.setFlags(QgsFeatureRequest.EmbeddedSymbols)
        feature = next(layer.getFeatures(request))
        line = feature.embeddedSymbol().symbolLayer(0)
        found = (line.color().name(), line.width(), line.useCustomDashPattern(),
                 line.customDashVector())
        del line, feature, layer
        color, width, custom, dashes = found
        self.assertEqual((color, width, custom), ("#ff0000", 0.8, True))
        # "4 2mm": QGIS scales the lengths with the width, the dash stays twice the gap.
        self.assertEqual(len(dashes), 2)
        self.assertAlmostEqual(dashes[0], 2 * dashes[1])

    def test_names_across_modes(self):
        wat = sample("sample.wat")
        self.assertEqual(self.open(f"{wat}|layername=sample|option:MODE=TYPED"), (True, 9))
        self.assertEqual(self.open(f"{wat}|layername=sampleT"), (True, 5))
        self.assertEqual(self.open(f"{wat}|layername=sampleT|option:MODE=TYPED"), (True, 5))
        self.assertFalse(self.open(f"{wat}|layername=sampleX|option:MODE=TYPED")[0])
        self.assertFalse([m for m in self.messages if "only reads" in m], self.messages)

    def test_geopackage_description_is_the_layer_abstract(self):
        out = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"mapgis-qgis-{os.getpid()}.gpkg")
        try:
            src = open_mapgis(sample("sample.wat"), "ACCOUNT=YES")
            gdal.VectorTranslate(out, src, format="GPKG")
            del src
            layer = QgsVectorLayer(f"{out}|layername=sample", "gpkg", "ogr")
            abstract = layer.metadata().abstract()
            del layer
        finally:
            if os.path.exists(out):
                os.remove(out)
        self.assertEqual(abstract, SAMPLE_WAT_ACCOUNT)
