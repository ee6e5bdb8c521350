"""A hand-made sheet as a user sees it in real QGIS: mapgis-import's GeoPackage, coloured from
a colour library built here, rendered headless with its styles. Spaced, rotated and vertical
texts keep their pieces apart, lines are as wide on the image as their millimetres, and an
area of a spot colour is filled with the colour its inks give."""
import math
import os
import struct
import unittest

from hosts_common import ARTEFACTS, TempDirCase, needs_qgis, qgis
from test_qgis_text_widths import has_font

X, Y = 39512000.0, 3421000.0
# Rendered at 20 pixels to the millimetre: a 0.1 mm line is 2 pixels wide, a 0.3 mm one 6.
DPI = 508
PIXELS_PER_MM = DPI / 25.4

# The colour library (MAPGIS's Pcolor.lib layout): number 1 K255, number 2 K51 with spot
# colour 0 (K0 C0 M200 Y100) at amount 128. By hand, x' = 255 - (255 - K)(255 - x) / 255
# rounded for each ink x, a spot colour first scaled by its amount (rounded down), the inks
# summed (at most 255) and RGB = 255 - ink:
#   1: every ink 255 - 0 = 255                                 -> RGB (0, 0, 0)
#   2: K51 alone: each ink 255 - 204 * 255 / 255 = 51;
#      spot at 128: M 200 * 128 / 255 = 100.39 -> 100, Y 100 * 128 / 255 = 50.19 -> 50, K 0
#      so unchanged; sums C 51, M 151, Y 101                    -> RGB (204, 104, 154)
BLACK, SPOT_FILL = (0, 0, 0), (204, 104, 154)


def colour_library():
    """Header, the one spot colour in use, then 32 bytes per colour number."""
    header = b"PCOLOR 3" + struct.pack("<HH", 3, 1)
    spots = bytes([0, 0, 200, 100]) + bytes(4 * 27)
    entry1 = bytes([255, 0, 0, 0]) + bytes(28)
    entry2 = bytes([51, 0, 0, 0, 128]) + bytes(27)
    return header + spots + bytes(32) + entry1 + entry2


# Texts (fields: x, y, id, 0 text, the text, H, W, S, angle, font, 0, 0, vertical, colour,
# 0, 0), each with its pieces in reading order and the direction they follow (degrees).
TEXTS = [
    # Spaced Chinese title, W = H: one piece per character, W + S = 10 apart.
    (f'{X + 10:.2f},{Y + 130:.2f},1,0,"地形图",8.0,8.0,2.0,0.0,1,0,0,0,1,0,0',
     ["地", "形", "图"], 0.0, 8.0),
    # Spaced digits narrower than high: each W / 2 = 1.25 wide, W / 2 + S = 1.75 apart.
    (f'{X + 10:.2f},{Y + 110:.2f},2,0,"2024",4.0,2.5,0.5,0.0,1,0,0,0,1,0,0',
     ["2", "0", "2", "4"], 0.0, 4.0),
    # Spaced and rotated by 30 degrees.
    (f'{X + 20:.2f},{Y + 40:.2f},3,0,"测量",6.0,6.0,1.0,30.0,1,0,0,0,1,0,0',
     ["测", "量"], 30.0, 6.0),
    # Vertical: characters 1.1 heights apart downward.
    (f'{X + 70:.2f},{Y + 120:.2f},4,0,"北京市",6.0,6.0,0.0,0.0,1,0,0,1,1,0,0',
     ["北", "京", "市"], -90.0, 6.0),
]

# Lines of colour 1 (black): width in mm, and where to measure across them: the line's
# fixed coordinate, whether it runs horizontally, and the other coordinate of the cut.
LINES = [
    (0.1, True, Y + 20, X + 150),
    (0.3, True, Y + 10, X + 150),
    (0.1, False, X + 190, Y + 120),
    (0.3, False, X + 180, Y + 120),
]


def line_record(number, width, horizontal, at):
    ends = [(X + 100, at), (X + 200, at)] if horizontal else [(at, Y + 100), (at, Y + 150)]
    points = "".join(f"{x:.2f},{y:.2f}\n" for x, y in ends)
    return f"1,0,1,{width},0,0,0,0,0\n2\n{points}{900 + number},0\n"


# A square from (X + 120, Y + 40) to (X + 160, Y + 80), one arc, fill colour 2, pattern 0.
SQUARE = [(120, 40), (160, 40), (160, 80), (120, 80), (120, 40)]
AREA = ("WMAP area file: one square\n1\n1,0,1,0.1,0,0,0,0,0\n0,0\n1,0\n5\n" +
        "".join(f"{X + dx:.2f},{Y + dy:.2f}\n" for dx, dy in SQUARE) +
        "1001,0.000\n1\n1\n2,0,0,0,0,0,0,0,1,0,0\n2\n1\n0\n")


@needs_qgis
@unittest.skipUnless(has_font("AR PL UMing CN"), "the CJK face AR PL UMing CN is not installed")
class SheetRender(TempDirCase):
    @classmethod
    def setUpClass(cls):
        cls.render_map = qgis()

    def setUp(self):
        super().setUp()
        library = self.path("Pcolor.lib")
        with open(library, "wb") as f:
            f.write(colour_library())
        wat = self.write("sheet.wat", "WMAPGIS point file: hand-made sheet\n%d\n%s\n" % (
            len(TEXTS), "\n".join(t[0] for t in TEXTS)), "gbk")
        wal = self.write("sheet.wal", "WMAP line file: hand-made sheet\n%d\n%s" % (
            len(LINES), "".join(line_record(i, *line[:3]) for i, line in enumerate(LINES))))
        wap = self.write("sheet.wap", AREA)
        out = self.path("sheet.gpkg")
        self.importer(wat, wal, wap, "-o", out, "-q", "--srs", "EPSG:4527", "--colors", library)
        self.layers = self.render_map.open_layers(out)
        for layer in self.layers:
            self.assertTrue(layer.isValid(), layer.name())
        png = os.path.join(ARTEFACTS or self.dir, "sheet-render.png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        self.settings, self.results, self.image = self.render_map.render(
            self.layers, png, width=2000, antialias=False, dpi=DPI)

    def tearDown(self):
        del self.layers  # layers go before QGIS does
        super().tearDown()

    def pixel(self, x, y):
        from qgis.core import QgsPointXY
        point = self.settings.mapToPixel().transform(QgsPointXY(x, y))
        return int(point.x()), int(point.y())

    def rgb(self, column, row):
        c = self.image.pixelColor(column, row)
        return c.red(), c.green(), c.blue()

    def test_no_piece_of_a_text_runs_into_another(self):
        texts = next(layer for layer in self.layers if layer.name().endswith("_texts"))
        by_id = {f.id(): f for f in texts.getFeatures()}
        labels = {}
        for label in self.results.allLabels():
            labels.setdefault(by_id[label.featureId]["RbUserID"], []).append(label)
        for item, (_, pieces, direction, height) in enumerate(TEXTS, 1):
            with self.subTest(item=item):
                c, s = math.cos(math.radians(direction)), math.sin(math.radians(direction))

                def extent(label):
                    ts = [p.x() * c + p.y() * s for p in label.cornerPoints]
                    return min(ts), max(ts)

                got = sorted((extent(label), label.labelText) for label in labels.get(item, []))
                self.assertEqual([text for _, text in got], pieces)
                for i, ((_, end), first) in enumerate(got):
                    for (start, _), second in got[i + 1:]:
                        self.assertLessEqual(end - start, 0.1 * height,
                                             f"{first} runs into {second}")

    def test_lines_as_wide_as_their_millimetres(self):
        for width, horizontal, at, cut in LINES:
            with self.subTest(width=width, horizontal=horizontal):
                column, row = self.pixel(cut, at) if horizontal else self.pixel(at, cut)
                self.assertEqual(self.rgb(column, row), BLACK, "no line where it was drawn")

                def black(offset):
                    return self.rgb(*((column, row + offset) if horizontal
                                      else (column + offset, row))) == BLACK

                # The run of black pixels across the line through its middle.
                up, down = 0, 0
                while black(up - 1):
                    up -= 1
                while black(down + 1):
                    down += 1
                run_length = down - up + 1
                self.assertLessEqual(abs(run_length - width * PIXELS_PER_MM), 1, run_length)

    def test_a_spot_colour_fills_the_area(self):
        left, top = self.pixel(X + 125, Y + 75)
        right, bottom = self.pixel(X + 155, Y + 45)
        for column in range(left, right, 7):
            for row in range(top, bottom, 7):
                self.assertEqual(self.rgb(column, row), SPOT_FILL, (column, row))


if __name__ == "__main__":
    unittest.main()
