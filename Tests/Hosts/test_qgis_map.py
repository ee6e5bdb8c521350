"""The map in real QGIS: GeoPackages written by mapgis-import rendered headless with the styles
written into them; labels placed where MAPGIS puts each text, colours of the colour index file
where the geometries are, the drawing order of the map and the coordinate system."""
import math
import os
import sys
import unittest

from hosts_common import IMPORTER, TempDirCase, run, sample

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
try:
    import render_map
    from qgis.core import QgsApplication, QgsPointXY, QgsVectorLayer
except ImportError:  # QGIS's Python bindings are not installed
    render_map = None

ARTEFACTS = os.environ.get("MAPGIS_ARTEFACTS", "")

# A sheet made by hand, in the area sample's coordinates, with texts of every layout: name,
# record, and its pieces as (text, anchor x, anchor y, height, angle) worked out from the
# record. A text's anchor is its upper left corner: the given point moved up by the height
# perpendicular to the baseline (a vertical text's characters stand below the given point).
HAND_WAT = [
    # Chinese, GBK.
    '39512050.00,3421260.00,1,0,"清河桥",12.0,12.0,0.0,0.0,1,0,0,0,1,0,0',
    # Rotated by 30 degrees: anchor (x - 10 sin 30, y + 10 cos 30).
    '39512450.00,3421060.00,2,0,"Qinghe Road",10.0,8.0,0.0,30.0,1,0,0,0,5,0,0',
    # Spaced: one piece per character, W / 2 + S = 9 apart.
    '39512560.00,3421250.00,3,0,"西山",10.0,10.0,4.0,0.0,2,0,0,0,3,0,0',
    # Subscript: H, then 2 half a height down at W / 2, then O at W / 2 + W / 4.
    '39512450.00,3421200.00,4,0,"H#-2#=O",10.0,8.0,0.0,0.0,1,0,0,0,5,0,0',
    # Fraction: 12 over 3 with the bar at the anchor.
    '39512600.00,3421150.00,5,0,"/12/3/",10.0,8.0,0.0,0.0,1,0,0,0,1,0,0',
    # Vertical: characters 1.1 heights apart downward from the given point.
    '39512350.00,3421280.00,7,0,"北京",8.0,8.0,0.0,0.0,1,0,0,1,1,0,0',
    # A point symbol (number 12, a cross in the style table), blue, 8 mm.
    '39512550.00,3421100.00,6,1,12,8.0,8.0,0.0,0,5,0.5,0,0',
]
HAND_PIECES = [
    ("清河桥", 39512050.0, 3421272.0, 12.0, 0.0),
    ("Qinghe Road", 39512445.0, 3421060.0 + 10 * math.cos(math.radians(30)), 10.0, 30.0),
    ("西", 39512560.0, 3421260.0, 10.0, 0.0),
    ("山", 39512569.0, 3421260.0, 10.0, 0.0),
    ("H", 39512450.0, 3421210.0, 10.0, 0.0),
    ("2", 39512454.0, 3421205.0, 5.0, 0.0),
    ("O", 39512456.0, 3421210.0, 10.0, 0.0),
    ("12", 39512600.0, 3421172.5, 10.0, 0.0),
    ("3", 39512602.0, 3421157.5, 10.0, 0.0),
    ("北", 39512350.0, 3421280.0, 8.0, 0.0),
    ("京", 39512350.0, 3421280.0 - 1.1 * 8.0, 8.0, 0.0),
]
# Lines of three colours and widths: blue (5) 1 mm down the sheet, green (2) 0.5 mm across,
# black (1) 0.3 mm along the bottom.
HAND_WAL = """WMAP line file: hand-made sheet
3
1,0,5,10,0,0,0,0,0
2
39512300.00,3420980.00
39512300.00,3421320.00
9001,0
1,0,2,5,0,0,0,0,0
2
39511980.00,3421230.00
39512720.00,3421230.00
9002,0
1,0,1,3,0,0,0,0,0
3
39512020.00,3421020.00
39512380.00,3421080.00
39512680.00,3421020.00
9003,0
"""

# Colours of the sample colour index file, worked out from its CMYK values.
RED, GREEN, BLUE, ORANGE, WHITE = ((255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 127, 0),
                                   (255, 255, 255))
# Points of the hand-made sheet and the colour QGIS must draw there: a line over the area
# it crosses, the area's fill away from lines, the pond in the parcel's hole, the symbol over
# the hatched parcel, nothing beyond the areas.
PIXELS = [
    ((39512300.0, 3421130.0), BLUE, "blue line over the parcel"),
    ((39512050.0, 3421230.0), GREEN, "green line over the parcel"),
    ((39512250.0, 3421150.0), RED, "parcel fill"),
    ((39512150.0, 3421150.0), ORANGE, "pond in the parcel's hole"),
    ((39512550.0, 3421100.0), BLUE, "symbol over the hatched parcel"),
    ((39512350.0, 3421310.0), WHITE, "outside every area"),
]


def rgb(image, point):
    c = image.pixelColor(int(point.x()), int(point.y()))
    return (c.red(), c.green(), c.blue())


@unittest.skipIf(render_map is None, "QGIS's Python bindings are not installed")
class QgisMap(TempDirCase):
    @classmethod
    def setUpClass(cls):
        render_map.qgis_app()
        cls.log = []
        QgsApplication.messageLog().messageReceived.connect(
            lambda message, tag, level: cls.log.append((tag, message)))

    def setUp(self):
        super().setUp()
        self.log.clear()
        self.layers = []

    def tearDown(self):
        del self.layers  # layers go before QGIS does
        super().tearDown()

    def import_sheet(self, inputs, srs, name):
        out = os.path.join(self.dir, name + ".gpkg")
        r = run([IMPORTER] + inputs + ["-o", out, "-q", "--srs", srs,
                                       "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.layers = render_map.open_layers(out)
        self.assertTrue(all(layer.isValid() for layer in self.layers))
        for layer in self.layers:
            self.assertEqual(layer.crs().authid(), srs, layer.name())
        png = os.path.join(ARTEFACTS or self.dir, name + ".png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        return render_map.render(self.layers, png, antialias=False)

    def assert_labels_at_anchors(self, results, texts_layer):
        """Every piece of the texts layer labelled with its text, the label's upper left
        corner at the piece's anchor within a quarter of its height, at its angle."""
        labels = results.allLabels()
        features = list(texts_layer.getFeatures())
        self.assertEqual(sorted(label.labelText for label in labels),
                         sorted(f["Text"] for f in features))
        by_id = {f.id(): f for f in features}
        for label in labels:
            f = by_id[label.featureId]
            anchor = f.geometry().asPoint()
            corner = label.cornerPoints[3]  # lower left, lower right, upper right, upper left
            self.assertLess(math.hypot(corner.x() - anchor.x(), corner.y() - anchor.y()),
                            0.25 * f["TextHeight"], label.labelText)
            self.assertAlmostEqual(math.degrees(label.rotation) % 360, f["TextAngle"] % 360,
                                   places=6, msg=label.labelText)

    def test_the_point_sample_as_a_map(self):
        _, results, _ = self.import_sheet([sample("sample.wat")], "EPSG:4548", "sample-points")
        texts = next(layer for layer in self.layers if layer.name() == "sample_texts")
        self.assertEqual(len(results.allLabels()), 16)  # the five texts' pieces
        self.assert_labels_at_anchors(results, texts)
        self.assertEqual([m for m in self.log if "rror" in m[1]], [])

    def test_a_hand_made_sheet_as_a_map(self):
        wat = os.path.join(self.dir, "hand.wat")
        with open(wat, "wb") as f:
            f.write(("WMAPGIS point file: hand-made sheet\n%d\n" % len(HAND_WAT) +
                     "\n".join(HAND_WAT) + "\n").encode("gbk"))
        wal = self.write("hand.wal", HAND_WAL)
        settings, results, image = self.import_sheet(
            [wat, wal, sample("sample.wap")], "EPSG:4527", "hand-sheet")
        texts = next(layer for layer in self.layers if layer.name() == "hand_texts")
        self.assert_labels_at_anchors(results, texts)
        # The anchors themselves, from the records.
        got = sorted((f["Text"], f.geometry().asPoint(), f["TextHeight"], f["TextAngle"])
                     for f in texts.getFeatures())
        for (text, point, height, angle), want in zip(got, sorted(HAND_PIECES)):
            self.assertEqual(text, want[0])
            self.assertAlmostEqual(point.x(), want[1], places=3, msg=text)
            self.assertAlmostEqual(point.y(), want[2], places=3, msg=text)
            self.assertAlmostEqual(height, want[3], msg=text)
            self.assertAlmostEqual(angle, want[4], msg=text)
        to_pixel = settings.mapToPixel()
        for (x, y), colour, what in PIXELS:
            got = rgb(image, to_pixel.transform(QgsPointXY(x, y)))
            # Markers are drawn smoothed even without antialiasing.
            self.assertLess(max(abs(a - b) for a, b in zip(got, colour)), 32, (what, got))
        self.assertEqual([m for m in self.log if "rror" in m[1]], [])


@unittest.skipIf(render_map is None, "QGIS's Python bindings are not installed")
class Styles(TempDirCase):
    """Where the styles go, and that QGIS takes them: per layer the renderer QGIS loads and
    whether it labels."""

    # the layer's name ending: (renderer type, labels)
    KINDS = {"areas": ("singleSymbol", False), "lines": ("singleSymbol", False),
             "network": ("singleSymbol", False), "nodes": ("singleSymbol", False),
             "texts": ("nullSymbol", True)}

    @classmethod
    def setUpClass(cls):
        render_map.qgis_app()

    def import_samples(self, extra):
        out = os.path.join(self.dir, "sheet")
        r = run([IMPORTER, sample("sample.wat"), sample("sample.wal"), sample("sample.wap"),
                 sample("sample.wan"), "-q", "--colors", sample("colors.txt")] + extra)
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def assert_styled(self, source, name):
        layer = QgsVectorLayer(source, name, "ogr")
        try:
            self.assertTrue(layer.isValid(), source)
            want = self.KINDS.get(name.rsplit("_", 1)[-1], ("singleSymbol", False))
            self.assertEqual((layer.renderer().type(), layer.labelsEnabled()), want, name)
        finally:
            del layer

    def test_geopackage_holds_each_layer_default_style(self):
        out = self.import_samples(["-o", os.path.join(self.dir, "sheet.gpkg")]) + ".gpkg"
        names = [n for n in ("sample_areas", "sample_lines", "sample_points", "sample_texts",
                             "sample_network", "sample_nodes")]
        for name in names:
            self.assert_styled(f"{out}|layername={name}", name)

    def test_shapefiles_get_a_style_beside_each_file(self):
        out = self.import_samples(["-o", os.path.join(self.dir, "sheet.shp")])
        shapes = sorted(n for n in os.listdir(out) if n.endswith(".shp"))
        self.assertEqual(len(shapes), 6)
        for shp in shapes:
            base = os.path.join(out, shp[:-4])
            self.assertTrue(os.path.isfile(base + ".qml") and os.path.isfile(base + ".sld"))
            self.assert_styled(base + ".shp", shp[:-4])
            # The SLD is for other clients; QGIS reads it too.
            layer = QgsVectorLayer(base + ".shp", shp[:-4], "ogr")
            message, ok = layer.loadSldStyle(base + ".sld")
            del layer
            self.assertTrue(ok, (shp, message))

    def test_the_account_is_the_layer_abstract(self):
        out = self.import_samples(["-o", os.path.join(self.dir, "sheet.gpkg")]) + ".gpkg"
        layer = QgsVectorLayer(f"{out}|layername=sample_texts", "texts", "ogr")
        abstract = layer.metadata().abstract()
        del layer
        # The point sample's eleven items: an image and a record continued on the next line.
        self.assertEqual(abstract.splitlines()[:3], [
            "sample.wat: 11 items: 9 written, 1 refused, 1 not importable, 0 skipped",
            "sample.wat:12: item 10 (image) not importable by design",
            "sample.wat:13: item 11 (text) refused: IMe056: An item of the exchange file was "
            "refused: a record does not have the expected number of fields or does not match "
            "the rest of the file. (KtReadWatFile:150)"])

    def test_no_style(self):
        gpkg = os.path.join(self.dir, "sheet.gpkg")
        self.import_samples(["-o", gpkg, "--no-style"])
        r = run(["sqlite3", gpkg, "SELECT name FROM sqlite_master WHERE name='layer_styles'"])
        self.assertEqual(r.stdout.strip(), "")
        self.import_samples(["-o", os.path.join(self.dir, "sheet.shp"), "--no-style"])
        self.assertEqual([n for n in os.listdir(os.path.join(self.dir, "sheet"))
                          if n.endswith((".qml", ".sld"))], [])

    def test_style_only_serves_files_opened_through_the_driver(self):
        import shutil
        inputs = [shutil.copy(sample(n), self.dir) for n in ("sample.wal", "sample.wat")]
        r = run([IMPORTER, "--style-only"] + inputs)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["sample.qml", "sample.wal",
                                                        "sample.wat"])
        for path in inputs:
            layer = QgsVectorLayer(path, "sample", "ogr")
            try:
                self.assertTrue(layer.isValid(), path)
                self.assertEqual(layer.renderer().type(), "RuleRenderer", path)
                self.assertTrue(layer.labelsEnabled(), path)
            finally:
                del layer
        # An existing style is the user's: kept without --overwrite.
        self.assertEqual(run([IMPORTER, "--style-only", inputs[0]]).returncode, 4)


if __name__ == "__main__":
    unittest.main()
