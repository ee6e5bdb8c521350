"""The DXF writer's drawings read back by ezdxf's strict and recovering readers (and GDAL's
DXF reader): a hand-made sheet whose entities are worked out from its records, and the
bundled samples."""
import math
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import ezdxf
from ezdxf import recover
from ezdxf.lldxf.encoding import decode_dxf_unicode
from osgeo import gdal

gdal.UseExceptions()

IMPORTER = os.environ.get("MAPGIS_IMPORT", "")
SAMPLES = os.environ.get("MAPGIS_SAMPLES", "")
COLORS = os.path.join(SAMPLES, "colors.txt")

# The colour index's numbers in RGB: each channel 255 (1 - C) (1 - K) for red, with M for
# green and Y for blue, cut to an integer (2: C100 Y100, 3: M100 Y100, 5: C100 M100, 6: Y100,
# 7: M50 Y100 gives green 127).
GREEN, RED, BLUE, YELLOW, ORANGE = 0x00FF00, 0xFF0000, 0x0000FF, 0xFFFF00, 0xFF7F00
# AutoCAD's indexes of those: 1 red, 2 yellow, 3 green, 5 blue, 30 hue 30 at full brightness.
ACI = {RED: 1, YELLOW: 2, GREEN: 3, BLUE: 5, ORANGE: 30}

# The hand-made sheet: an area with a hole (fill colour 3) ...
AREAS = """WMAP area file: a field with a pond
2
1,0,6,0.2,0,0,0,0,0
1,1
1,0
5
1000.00,800.00
1100.00,800.00
1100.00,900.00
1000.00,900.00
1000.00,800.00
1001,0.000
1,0,6,0.2,0,0,0,0,0
2,2
1,0
5
1040.00,840.00
1060.00,840.00
1060.00,860.00
1040.00,860.00
1040.00,840.00
1002,0.000
1
1
3,0,10.0,10.0,0.0,0,0,0,1,0,0
4
1
0
2
0
"""
# ... three lines: type 1 (solid), 2 (dash), 3 (short dash); colours 3, 7, 5; widths in mm ...
LINES = """WMAP line file: hand-made lines
3
1,0,3,0.15,0,0,0,0,0
2
1000.00,1000.00
1100.00,1000.00
3001,0
2,0,7,0.3,0,0,0,0,0
3
1000.00,1010.00
1050.00,1020.00
1100.00,1010.00
3002,0
3,0,5,1.0,0,0,0,0,0
2
1000.00,1020.00
1100.00,1030.00
3003,0
"""
# ... and a point file: a spaced Chinese title at 30 degrees (height 5, width 4, spacing 1,
# colour 2), a plain text (height 3, width 3, colour 3, font style 3: italic), symbol 7 (a star: the host's marker
# 8) of 4 mm at 45 degrees, an arc of radius 25 from 0 to 135 degrees, a circle of radius 12.5
# filled in colour 5 and one of radius 8 unfilled, pen 1 mm and 2 mm.
POINTS = """WMAPGIS point file: hand-made sheet
6
1000.00,1200.00,1,0,"测绘图",5.0,4.0,1.0,30.0,1,0,0,0,2,0,0
1000.00,1150.00,2,0,"高程 45",3.0,3.0,0.0,0.0,1,0,3,0,3,0,0
1050.00,1150.00,3,1,7,4.0,4.0,45.0,0,3,0.5,0,0
1100.00,1150.00,4,3,25.0,0.0,135.0,1,3,0,0
1150.00,1150.00,5,2,12.5,3,1,1,5,0,0
1200.00,1150.00,6,2,8.0,7,2,0,0,0,0
"""
# sample.wan's five nodes.
NODES = {(39512000, 3421000), (39512400, 3421000), (39512400, 3421300), (39512700, 3421300),
         (39512700, 3421000)}


def pattern(doc, name):
    """A line type's total length and its dash (positive), gap (negative) lengths."""
    tags = doc.linetypes.get(name).pattern_tags.tags
    return [tag.value for tag in tags if tag.code in (40, 49)]


def by_type(doc, kind, layer=None):
    return [e for e in doc.modelspace()
            if e.dxftype() == kind and (layer is None or e.dxf.layer == layer)]


class DxfCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mapgis-dxf-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def write(self, name, text, encoding="utf-8"):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding=encoding, newline="\n") as f:
            f.write(text)
        return path

    def convert(self, inputs, *options):
        """The drawing mapgis-import makes of the inputs, read strictly; the number of
        characters it said were escaped."""
        out = os.path.join(self.dir, "out.dxf")
        done = subprocess.run([IMPORTER, "-f", "DXF", "-o", out, "--overwrite", "-q",
                               "--colors", COLORS, *options, *inputs],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        doc = ezdxf.readfile(out)
        auditor = doc.audit()
        self.assertEqual([e.message for e in auditor.errors], [])
        recovered, recovery = recover.readfile(out)
        self.assertEqual([e.message for e in recovery.errors], [])
        self.assertEqual(len(recovered.modelspace()), len(doc.modelspace()))
        self.path = out
        escaped = re.search(r"(\d+) character\(s\) that GBK lacks", done.stderr)
        return doc, int(escaped.group(1)) if escaped else 0


class HandSheet(DxfCase):
    """The hand-made sheet with sample.wan's network, in metres."""

    def setUp(self):
        super().setUp()
        self.inputs = [self.write("hand.wap", AREAS), self.write("hand.wal", LINES),
                       self.write("hand.wat", POINTS, "gbk"),
                       shutil.copy(os.path.join(SAMPLES, "sample.wan"), self.dir)]
        self.doc, self.escaped = self.convert(self.inputs, "--srs", "EPSG:4548")

    def assertColor(self, entity, rgb):
        self.assertEqual((entity.dxf.true_color, entity.dxf.color), (rgb, ACI[rgb]))

    def assertPoint(self, got, want, places=6):
        for a, b in zip(got, want):
            self.assertAlmostEqual(a, b, places=places)

    def test_header(self):
        header = self.doc.header
        self.assertEqual(header["$ACADVER"], "AC1015")
        self.assertEqual(header["$DWGCODEPAGE"], "ANSI_936")
        self.assertEqual(self.doc.encoding, "gbk")
        self.assertEqual(header["$INSUNITS"], 6)
        # The spaced title's first anchor is leftmost, the area lowest, the network beyond.
        self.assertPoint(header["$EXTMIN"], (997.5, 800, 0))
        self.assertPoint(header["$EXTMAX"], (39512700, 3421300, 0))
        self.assertEqual(self.escaped, 0)
        with open(self.path, "rb") as f:
            raw = f.read()
        self.assertIn("测".encode("gbk"), raw)
        lines = raw.split(b"\n")[:-1]  # the last line ends the file
        pairs = list(zip((int(code) for code in lines[0::2]), lines[1::2]))
        # Every handle (group 5, a dimension style's 105), the seed's own group 5 aside.
        handles = [int(value, 16) for (code, value), before in zip(pairs[1:], pairs)
                   if code in (5, 105) and before != (9, b"$HANDSEED")]
        self.assertEqual(len(handles), len(set(handles)))
        self.assertGreater(int(header["$HANDSEED"], 16), max(handles))
        # The drawing's own layouts, which ezdxf would otherwise make, under handles of its own.
        layouts = {layout.name: layout.dxf_layout.dxf.handle for layout in self.doc.layouts}
        self.assertEqual(sorted(layouts), ["Layout1", "Model"])
        self.assertTrue(all(int(h, 16) in handles for h in layouts.values()))
        self.assertEqual(self.doc.modelspace().block_record.dxf.layout, layouts["Model"])

    def test_opens_on_the_whole_sheet(self):
        viewport, = self.doc.viewports.get("*ACTIVE")
        self.assertPoint(viewport.dxf.center, ((997.5 + 39512700) / 2, (800 + 3421300) / 2))
        # Tall enough for the sheet's height and, at the view's aspect, its width.
        self.assertGreaterEqual(viewport.dxf.height, 3421300 - 800)
        self.assertGreaterEqual(viewport.dxf.height * viewport.dxf.aspect_ratio,
                                39512700 - 997.5)

    def test_without_metres_no_units(self):
        doc, _ = self.convert(self.inputs)
        self.assertEqual(doc.header["$INSUNITS"], 0)

    def test_texts_anchored_top_left(self):
        texts = by_type(self.doc, "TEXT", "hand_texts")
        # The title's pieces: the first at the record's point moved up by H = 5 across the
        # 30 degree baseline, each next one W + S = 5 along it; width factor W / H = 0.8.
        c, s = math.cos(math.radians(30)), math.sin(math.radians(30))
        x0, y0 = 1000 - 5 * s, 1200 + 5 * c
        # Italic leans 15 degrees.
        want = [("测", x0, y0, 5, 30, 0.8, 0, GREEN),
                ("绘", x0 + 5 * c, y0 + 5 * s, 5, 30, 0.8, 0, GREEN),
                ("图", x0 + 10 * c, y0 + 10 * s, 5, 30, 0.8, 0, GREEN),
                ("高程 45", 1000, 1153, 3, 0, 1.0, 15, RED)]
        self.assertEqual(len(texts), len(want))
        for text, (string, x, y, height, angle, width, oblique, rgb) in zip(texts, want):
            with self.subTest(string):
                self.assertEqual(text.dxf.text, string)
                self.assertPoint(text.dxf.insert, (x, y, 0))
                self.assertPoint(text.dxf.align_point, (x, y, 0))
                self.assertAlmostEqual(text.dxf.height, height)
                self.assertAlmostEqual(text.dxf.rotation, angle)
                self.assertAlmostEqual(text.dxf.width, width)
                self.assertEqual(text.dxf.oblique, oblique)
                self.assertEqual((text.dxf.halign, text.dxf.valign), (0, 3))
                self.assertEqual(text.dxf.style, "MAPGIS")
                self.assertColor(text, rgb)
        style = self.doc.styles.get("MAPGIS")
        self.assertEqual((style.dxf.font, style.dxf.bigfont), ("gbenor.shx", "gbcbig.shx"))

    def test_lines_with_weights_and_dashes(self):
        lines = by_type(self.doc, "LWPOLYLINE", "hand_lines")
        want = [([(1000, 1000), (1100, 1000)], RED, 15, "BYLAYER"),
                ([(1000, 1010), (1050, 1020), (1100, 1010)], ORANGE, 30, "MAPGIS_DASH"),
                ([(1000, 1020), (1100, 1030)], BLUE, 100, "MAPGIS_SHORT_DASH")]
        self.assertEqual(len(lines), len(want))
        for line, (points, rgb, weight, linetype) in zip(lines, want):
            with self.subTest(linetype):
                self.assertEqual([p[:2] for p in line.get_points("xy")], points)
                self.assertFalse(line.closed)
                self.assertColor(line, rgb)
                self.assertEqual(line.dxf.lineweight, weight)
                self.assertEqual(line.dxf.linetype, linetype)
        # The driver's pen patterns in millimetres, one drawing unit each here.
        for name, lengths in (("MAPGIS_DASH", [6, 4, -2]), ("MAPGIS_SHORT_DASH", [4, 2, -2])):
            self.assertEqual(pattern(self.doc, name), lengths)

    def test_area_closed_with_its_hole_hatched(self):
        outer = [(1000, 800), (1100, 800), (1100, 900), (1000, 900)]
        hole = [(1040, 840), (1060, 840), (1060, 860), (1040, 860)]
        rings = [e for e in by_type(self.doc, "LWPOLYLINE", "hand_areas")]
        self.assertEqual([[p[:2] for p in r.get_points("xy")] for r in rings], [outer, hole])
        self.assertTrue(all(r.closed for r in rings))
        hatches = by_type(self.doc, "HATCH", "hand_areas")
        self.assertEqual(len(hatches), 2)  # the area's and the filled circle's
        area = hatches[0]
        self.assertColor(area, RED)
        self.assertEqual(area.dxf.solid_fill, 1)
        paths = area.paths.paths
        self.assertEqual([[tuple(v[:2]) for v in p.vertices] for p in paths], [outer, hole])
        self.assertEqual([p.path_type_flags & 1 for p in paths], [1, 0])  # external, hole

    def test_circles_and_arc(self):
        arc, = by_type(self.doc, "ARC", "hand_lines")
        self.assertPoint(arc.dxf.center, (1100, 1150, 0))
        self.assertAlmostEqual(arc.dxf.radius, 25)
        self.assertAlmostEqual(arc.dxf.start_angle, 0)
        self.assertAlmostEqual(arc.dxf.end_angle, 135)
        self.assertColor(arc, RED)
        self.assertEqual(arc.dxf.lineweight, 100)
        filled, = by_type(self.doc, "CIRCLE", "hand_areas")
        self.assertPoint(filled.dxf.center, (1150, 1150, 0))
        self.assertEqual((filled.dxf.radius, filled.dxf.lineweight), (12.5, 100))
        self.assertColor(filled, RED)
        fill = by_type(self.doc, "HATCH", "hand_areas")[1]
        self.assertColor(fill, BLUE)
        # The disc as two half circles: bulge 1 each, from the points MAPGIS's circle gives.
        path, = fill.paths.paths
        self.assertEqual([tuple(v) for v in path.vertices],
                         [(1162.5, 1150, 1), (1137.5, 1150, 1)])
        unfilled, = by_type(self.doc, "CIRCLE", "hand_lines")
        self.assertPoint(unfilled.dxf.center, (1200, 1150, 0))
        self.assertEqual((unfilled.dxf.radius, unfilled.dxf.lineweight), (8, 200))
        self.assertColor(unfilled, ORANGE)

    def test_symbol_inserted_scaled_and_rotated(self):
        insert, = by_type(self.doc, "INSERT", "hand_points")
        self.assertEqual(insert.dxf.name, "MAPGIS_SYMBOL_8")
        self.assertPoint(insert.dxf.insert, (1050, 1150, 0))
        self.assertEqual((insert.dxf.xscale, insert.dxf.yscale, insert.dxf.zscale), (4, 4, 4))
        self.assertEqual(insert.dxf.rotation, 45)
        self.assertColor(insert, RED)
        block = self.doc.blocks.get("MAPGIS_SYMBOL_8")
        # A star: its ten corners within the unit box.
        star, = block.query("LWPOLYLINE")
        points = list(star.get_points("xy"))
        self.assertEqual(len(points), 10)
        self.assertTrue(all(abs(x) <= 0.5 and abs(y) <= 0.5 for x, y in points))

    def test_sheet_scale_sizes_patterns_and_symbols(self):
        # Paper millimetres to metres at 1:10 000: sizes and patterns in millimetres follow.
        doc, _ = self.convert(self.inputs, "--scale", "10")
        insert, = by_type(doc, "INSERT", "hand_points")
        self.assertEqual(insert.dxf.xscale, 40)
        self.assertEqual(pattern(doc, "MAPGIS_DASH"), [60, 40, -20])

    def test_network_and_nodes(self):
        lines = by_type(self.doc, "LWPOLYLINE", "sample_network")
        # Entry 1 of three arcs, entry 2 of one; the pen of each entry's first arc: colour 6.
        self.assertEqual([len(line.get_points()) for line in lines], [3, 2, 2, 3])
        for line in lines:
            self.assertColor(line, YELLOW)
            self.assertEqual(line.dxf.lineweight, 30)
        nodes = by_type(self.doc, "POINT", "sample_nodes")
        self.assertEqual({tuple(p.dxf.location)[:2] for p in nodes}, NODES)

    def test_layers_in_their_items_colour(self):
        # ezdxf adds Defpoints, the layer AutoCAD keeps for dimensions, when it loads.
        layers = {layer.dxf.name: layer for layer in self.doc.layers
                  if layer.dxf.name != "Defpoints"}
        self.assertEqual(sorted(layers), ["0", "hand_areas", "hand_lines", "hand_points",
                                          "hand_texts", "sample_network", "sample_nodes"])
        # Shared: the area's fill and the filled circle's pen (red), the symbol (red), the
        # network's and nodes' yellow; mixed: the lines (3, 7, 5) and the texts (2, 3).
        for name, rgb in (("hand_areas", RED), ("hand_points", RED),
                          ("sample_network", YELLOW), ("sample_nodes", YELLOW)):
            self.assertEqual((layers[name].rgb, layers[name].color), (
                ((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255), ACI[rgb]), name)
        for name in ("hand_lines", "hand_texts"):
            self.assertEqual((layers[name].rgb, layers[name].color), (None, 7), name)

    def test_gdal_reads_the_texts(self):
        ds = gdal.OpenEx(self.path, gdal.OF_VECTOR)
        texts = [f.GetField("Text") for f in ds.GetLayer(0)
                 if f.GetField("Layer") == "hand_texts"]
        self.assertEqual(texts, ["测", "绘", "图", "高程 45"])


class Escapes(DxfCase):
    def test_characters_gbk_lacks_are_escaped_and_counted(self):
        # GBK has no Thai ko kai (U+0E01) and no euro sign (U+20AC; the C library's GBK puts
        # it at 0x80, Python's does not have it): both written as AutoCAD writes them. The
        # file is UTF-8, which the driver finds by itself.
        wat = self.write("thai.wat", "WMAPGIS point file\n1\n"
                         '10,20,1,0,"Aก€中",2,2,0,0,1,0,0,0,3,0,0\n')
        doc, escaped = self.convert([wat])
        self.assertEqual(escaped, 2)
        with open(self.path, "rb") as f:
            self.assertIn(b"A\\U+0E01\\U+20AC" + "中".encode("gbk"), f.read())
        text, = by_type(doc, "TEXT")
        self.assertEqual(decode_dxf_unicode(text.dxf.text), "Aก€中")


# The point sample's text pieces, worked out in Tests/Importer/test_formats.py.
SAMPLE_TEXTS = ["Qinghe Bridge", "H", "2", "O", "X", "i", "s", "h", "a", "n",
                "R", "I", "V", "E", "R", "Survey station 12"]


class Samples(DxfCase):
    def test_every_sample_reads_back(self):
        for name in ("sample.wat", "sample.wal", "sample.wap", "sample.wan"):
            with self.subTest(name):
                doc, escaped = self.convert([os.path.join(SAMPLES, name)])
                self.assertEqual(escaped, 0)
                self.assertGreater(len(doc.modelspace()), 0)
                for entity in doc.modelspace():
                    self.assertTrue(entity.dxf.layer.startswith("sample_"), entity)

    def test_point_sample_texts(self):
        doc, _ = self.convert([os.path.join(SAMPLES, "sample.wat")])
        self.assertEqual([t.dxf.text for t in by_type(doc, "TEXT", "sample_texts")],
                         SAMPLE_TEXTS)

    def test_line_sample_thirty_open_lines(self):
        doc, _ = self.convert([os.path.join(SAMPLES, "sample.wal")])
        lines = by_type(doc, "LWPOLYLINE", "sample_lines")
        self.assertEqual(len(lines), 30)
        self.assertFalse(any(line.closed for line in lines))

    def test_area_sample_outlines_closed_and_hole_kept(self):
        doc, _ = self.convert([os.path.join(SAMPLES, "sample.wap")])
        outlines = by_type(doc, "LWPOLYLINE", "sample_areas")
        self.assertTrue(outlines and all(line.closed for line in outlines))
        for line in outlines:
            points = list(line.get_points("xy"))
            self.assertNotEqual(points[0], points[-1])  # the closing vertex not repeated
        # Area 1 is arcs 1 and 2 around arc 4, the pond; areas 2 and 3 one ring each; all
        # three have a fill colour (3, 12, 7).
        hatches = by_type(doc, "HATCH", "sample_areas")
        self.assertEqual([len(h.paths.paths) for h in hatches], [2, 1, 1])


if __name__ == "__main__":
    unittest.main()
