"""The map in real QGIS: GeoPackages of mapgis-import rendered headless with their styles
(labels, colours, drawing order, system), the styles of each output, the plug-in in QGIS."""
import math
import os
import sys
import textwrap
import unittest

from hosts_common import ARTEFACTS, QgisCase, run, sample

SHEET = [sample(n) for n in ("sample.wat", "sample.wal", "sample.wap", "sample.wan")]
SHEET_LAYERS = ("sample_areas", "sample_lines", "sample_points", "sample_texts",
                "sample_network", "sample_nodes")

# A sheet made by hand, in the area sample's coordinates, with texts of every layout: name,
# record, and its pieces as (text, anchor x, anchor y, height, angle) worked out from the
# record. A text's anchor is its upper left corner: the given point moved up by the height
# perpendicular to the baseline (a vertical text's characters stand below the given point).
HAND_WAT = [
    # Chinese, GBK.
    '39512050.00,3421260.00,1,0,"清河桥",12.0,12.0,0.0,0.0,1,0,0,0,1,0,0',
    # Rotated by 30 degrees: anchor (x - 10 sin 30, y + 10 cos 30).
    '39512450.00,3421060.00,2,0,"Qinghe Road",10.0,8.0,0.0,30.0,1,0,0,0,5,0,0',
    # Spaced: one piece per character, a full-width one W + S = 14 before the next.
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
    ("西", 39512560.0, 3421260.0, 10.0, 0.0), ("山", 39512574.0, 3421260.0, 10.0, 0.0),
    ("H", 39512450.0, 3421210.0, 10.0, 0.0), ("2", 39512454.0, 3421205.0, 5.0, 0.0),
    ("O", 39512456.0, 3421210.0, 10.0, 0.0), ("12", 39512600.0, 3421172.5, 10.0, 0.0),
    ("3", 39512602.0, 3421157.5, 10.0, 0.0), ("北", 39512350.0, 3421280.0, 8.0, 0.0),
    ("京", 39512350.0, 3421280.0 - 1.1 * 8.0, 8.0, 0.0),
]
# Lines of three colours and widths (the file's own, in millimetres): blue (5) 10 mm down the
# sheet, green (2) 5 mm across, black (1) 3 mm along the bottom.
HAND_WAL = ("WMAP line file: hand-made sheet\n3\n"
            "1,0,5,10,0,0,0,0,0\n2\n39512300.00,3420980.00\n39512300.00,3421320.00\n9001,0\n"
            "1,0,2,5,0,0,0,0,0\n2\n39511980.00,3421230.00\n39512720.00,3421230.00\n9002,0\n"
            "1,0,1,3,0,0,0,0,0\n3\n39512020.00,3421020.00\n39512380.00,3421080.00\n"
            "39512680.00,3421020.00\n9003,0\n")

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


# The point sample opened in QGIS through the driver, by its records and the sample colour
# index: item 7 a circle filled with colour 5, item 8 an unfilled circle of radius 8 in colour
# 7, 2 mm wide, item 9 symbol 12 (no stand-in: a filled circle) in colour 3, 4 mm.
SAMPLE_PIXELS = [
    ((523600.0, 3364200.0), BLUE, "filled circle's fill"),
    ((523648.0, 3364240.0), ORANGE, "unfilled circle's outline"),
    ((523640.0, 3364240.0), WHITE, "inside the unfilled circle"),
    ((523680.0, 3364280.0), RED, "symbol"),
]


def hand_sheet(case):
    """The hand-made point (GBK, as MAPGIS writes it) and line files."""
    return [case.write("hand.wat", "WMAPGIS point file: hand-made sheet\n%d\n%s\n" % (
        len(HAND_WAT), "\n".join(HAND_WAT)), "gbk"), case.write("hand.wal", HAND_WAL)]


def assert_pixels(case, settings, image, pixels=PIXELS):
    from qgis.core import QgsPointXY
    for (x, y), colour, what in pixels:
        point = settings.mapToPixel().transform(QgsPointXY(x, y))
        c = image.pixelColor(int(point.x()), int(point.y()))
        got = (c.red(), c.green(), c.blue())
        # Markers are drawn smoothed even without antialiasing.
        case.assertLess(max(abs(a - b) for a, b in zip(got, colour)), 32, (what, got))


class Qgis(QgisCase):
    def test_a_hand_made_sheet_as_a_map(self):
        out = self.path("hand-sheet.gpkg")
        self.importer(*hand_sheet(self), sample("sample.wap"), "-o", out,
                      "-q", "--srs", "EPSG:4527", "--colors", sample("colors.txt"))
        self.layers = self.render_map.open_layers(out)
        for layer in self.layers:
            self.assertTrue(layer.isValid(), layer.name())
            self.assertEqual(layer.crs().authid(), "EPSG:4527", layer.name())
        png = os.path.join(ARTEFACTS or self.dir, "hand-sheet.png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        settings, results, image = self.render_map.render(self.layers, png, antialias=False)
        texts = next(layer for layer in self.layers if layer.name().endswith("_texts"))
        # The anchors themselves, from the records.
        got = sorted((f["Text"], f.geometry().asPoint().x(), f.geometry().asPoint().y(),
                      f["TextHeight"], f["TextAngle"]) for f in texts.getFeatures())
        self.assertEqual([piece[0] for piece in got], sorted(p[0] for p in HAND_PIECES))
        for piece, want in zip(got, sorted(HAND_PIECES)):
            for value, wanted in zip(piece[1:], want[1:]):
                self.assertAlmostEqual(value, wanted, places=3, msg=want[0])
        # Every piece labelled with its text, the label's upper left corner at the piece's
        # anchor within a quarter of its height, at its angle.
        labels = results.allLabels()
        by_id = {f.id(): f for f in texts.getFeatures()}
        self.assertEqual(sorted(label.labelText for label in labels),
                         sorted(f["Text"] for f in by_id.values()))
        for label in labels:
            f = by_id[label.featureId]
            anchor = f.geometry().asPoint()
            corner = label.cornerPoints[3]  # lower left, lower right, upper right, upper left
            self.assertLess(math.hypot(corner.x() - anchor.x(), corner.y() - anchor.y()),
                            0.25 * f["TextHeight"], label.labelText)
            # The angle of the label's base line in map units: QGIS 3.22 and 3.40 report
            # label.rotation differently, its corners alike.
            base = label.cornerPoints[1] - label.cornerPoints[0]
            angle = math.degrees(math.atan2(base.y(), base.x()))
            self.assertAlmostEqual((angle - f["TextAngle"] + 180) % 360 - 180, 0, places=3,
                                   msg=label.labelText)
        self.assertEqual([m for m in self.log if "rror" in m[1]], [])
        assert_pixels(self, settings, image)

    def convert(self, name, *extra):
        self.importer(*SHEET, "-q", "--colors", sample("colors.txt"), "-o", self.path(name),
                      *extra)
        return self.path(name)

    def style(self, source, sld=None):
        """The renderer QGIS loads, whether it labels, the abstract, whether it takes the SLD."""
        from qgis.core import QgsVectorLayer
        self.layers = [QgsVectorLayer(source, "layer", "ogr")]
        layer = self.layers[0]
        self.assertTrue(layer.isValid(), source)
        return (layer.renderer().type(), layer.labelsEnabled(), layer.metadata().abstract(),
                sld and layer.loadSldStyle(sld)[1])

    def test_styles_in_the_geopackage_and_beside_each_shapefile(self):
        gpkg, shp = self.convert("sheet.gpkg"), self.convert("sheet.shp")[:-4]
        for name in SHEET_LAYERS:
            want = ("nullSymbol", True) if name.endswith("_texts") else ("singleSymbol", False)
            self.assertEqual(self.style(f"{gpkg}|layername={name}")[:2], want, name)
            # The SLD is for other clients; QGIS reads it too.
            base = os.path.join(shp, name)
            found = self.style(base + ".shp", base + ".sld")
            self.assertEqual(found[:2] + found[3:], want + (True,), name)
        # The point sample's account: item 10 is an image.
        self.assertEqual(self.style(f"{gpkg}|layername=sample_texts")[2].splitlines()[:2], [
            "sample.wat: 11 items: 9 written, 1 refused, 1 not importable, 0 skipped",
            "sample.wat:12: item 10 (image) not importable by design"])
        bare = self.convert("bare.shp", "--no-style")[:-4]
        self.assertEqual([n for n in os.listdir(bare) if n.endswith((".qml", ".sld"))], [])

    def test_style_only_labels_the_texts_alone(self):
        # The hand-made sheet's fraction has a bar in the lines layer that carries the text
        # "123" too: one style serves every layer, and only the texts are labelled.
        from qgis.core import QgsVectorLayer
        wat = hand_sheet(self)[0]
        self.importer("--style-only", wat)
        self.layers = [QgsVectorLayer(f"{wat}|layername=hand_{kind}", kind, "ogr")
                       for kind in ("lines", "points", "texts")]
        png = os.path.join(ARTEFACTS or self.dir, "style-only-hand.png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        _, results, _ = self.render_map.render(self.layers, png, antialias=False)
        self.assertEqual(sorted(label.labelText for label in results.allLabels()),
                         sorted(piece[0] for piece in HAND_PIECES))

    def test_style_only_serves_files_opened_through_the_driver(self):
        from qgis.core import QgsVectorLayer
        import test_formats
        inputs = self.copy_samples("sample.wal", "sample.wat")
        self.importer("--style-only", *inputs)
        self.assertEqual(sorted(os.listdir(self.dir)), ["sample.qml", "sample.wal",
                                                        "sample.wat"])
        for path in inputs:
            self.assertEqual(self.style(path)[:2], ("RuleRenderer", True), path)
        # The point file's map layers, opened in QGIS as a user does, take the written style:
        # each text piece labelled with its text, the items in their colours.
        colors = sample("colors.txt")
        self.layers = [QgsVectorLayer(f"{inputs[1]}|layername=sample_{kind}|option:COLOR_INDEX="
                                      f"{colors}", kind, "ogr")
                       for kind in ("areas", "lines", "points", "texts")]
        for layer in self.layers:
            self.assertTrue(layer.isValid(), layer.name())
            self.assertEqual((layer.renderer().type(), layer.labelsEnabled()),
                             ("RuleRenderer", True), layer.name())
        # The texts' own fields: each character as wide as MAPGIS draws it, italics.
        from qgis.core import QgsPalLayerSettings
        labels = QgsPalLayerSettings(self.layers[3].labeling().settings())
        # QGIS before 3.24 has no stretch factor: it reads the style without it.
        stretch = getattr(QgsPalLayerSettings, "FontStretchFactor", None)
        for key, field in ((stretch, "TextWidth"), (QgsPalLayerSettings.Italic, "Italic")):
            if key is None:
                continue
            prop = labels.dataDefinedProperties().property(key)
            self.assertIn(field, prop.expressionString(), key)
        png = os.path.join(ARTEFACTS or self.dir, "style-only-sample.png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        settings, results, image = self.render_map.render(self.layers, png, antialias=False)
        self.assertEqual(sorted(label.labelText for label in results.allLabels()),
                         sorted(test_formats.SAMPLE_TEXTS))
        assert_pixels(self, settings, image, SAMPLE_PIXELS)
        self.assertEqual([m for m in self.log if "rror" in m[1]], [])
        # An existing style is the user's: kept without --overwrite.
        self.importer("--style-only", inputs[0], status=4)

    def test_dashed_pen_becomes_a_dashed_line(self):
        from qgis.core import QgsFeatureRequest, QgsVectorLayer
        # sample.wal item 3: style line "2,0,3,0.3,...": dashed, colour 3 (red), 0.3 mm (the
        # file's width; the reader's is 0.03).
        self.layers = [QgsVectorLayer(f"{sample('sample.wal')}|option:COLOR_INDEX="
                                      f"{sample('colors.txt')}", "lines", "ogr")]
        request = QgsFeatureRequest(3)
        request.setFlags(QgsFeatureRequest.EmbeddedSymbols)
        feature = next(self.layers[0].getFeatures(request))
        line = feature.embeddedSymbol().symbolLayer(0)
        self.assertEqual((line.color().name(), line.width(), line.useCustomDashPattern()),
                         ("#ff0000", 0.3, True))
        # "4 2mm": QGIS scales the lengths with the width, the dash stays twice the gap.
        dashes = line.customDashVector()
        self.assertEqual(len(dashes), 2)
        self.assertAlmostEqual(dashes[0], 2 * dashes[1])


class PluginLoad(unittest.TestCase):
    def test_loading_the_plugin_keeps_the_programs_signal_handlers(self):
        # In a process of its own, so that the plug-in is loaded there for the first time,
        # after handlers with SA_SIGINFO are installed through libc's sigaction.
        probe = textwrap.dedent("""
            import ctypes, signal, sys
            from osgeo import gdal
            libc = ctypes.CDLL(None)
            class Action(ctypes.Structure):  # glibc's: handler, mask, flags, restorer
                _fields_ = [("handler", ctypes.c_void_p), ("mask", ctypes.c_ulong * 16),
                            ("flags", ctypes.c_int), ("restorer", ctypes.c_void_p)]
            keep = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(
                lambda *args: None)
            def current(signo):
                old = Action()
                assert libc.sigaction(signo, None, ctypes.byref(old)) == 0
                return (old.handler, old.flags & 4)  # SA_SIGINFO
            signals = [signal.SIGSEGV, signal.SIGFPE, signal.SIGABRT, signal.SIGTERM,
                       signal.SIGINT]
            for signo in signals:
                new = Action(handler=ctypes.cast(keep, ctypes.c_void_p).value, flags=4)
                assert libc.sigaction(signo, ctypes.byref(new), None) == 0
            before = [current(s) for s in signals]
            ds = gdal.OpenEx(sys.argv[1], gdal.OF_VECTOR, allowed_drivers=["MAPGIS"])
            n = sum(1 for _ in ds.GetLayer(0))
            print(n, "same" if before == [current(s) for s in signals] else "changed")
        """)
        r = run([sys.executable, "-c", probe, sample("sample.wal")])
        self.assertEqual((r.returncode, r.stdout.strip()), (0, "30 same"), r.stderr)
