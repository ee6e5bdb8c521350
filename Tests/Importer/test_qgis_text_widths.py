"""Spaced titles in real QGIS: a GeoPackage of mapgis-import labelled with its own style. Each
character stands where MAPGIS puts it (a full-width one W + S after the one before, a
half-width one W / 2 + S) and, on QGIS 3.24 and later, is stretched to MAPGIS's width."""
import math
import os
import unittest

from hosts_common import ARTEFACTS, TempDirCase, needs_qgis, qgis, run

X, Y = 39512100.0, 3421200.0
TITLE = "中文AB图"
HEIGHT = 6
# Item, angle, W and, worked out from them with S 0.2, where each character stands along the
# baseline from the first and how wide it is. Item 1: W 6, the characters advance 6.2, 6.2,
# 3.2, 3.2; item 2 the same at 30 degrees; item 3 narrower than high, W 4: 4.2, 4.2, 2.2, 2.2.
TITLES = [
    (1, 0, 6, [0, 6.2, 12.4, 15.6, 18.8], [6, 6, 3, 3, 6]),
    (2, 30, 6, [0, 6.2, 12.4, 15.6, 18.8], [6, 6, 3, 3, 6]),
    (3, 0, 4, [0, 4.2, 8.4, 10.6, 12.8], [4, 4, 2, 2, 4]),
]
# Each 40 below the one before.
RECORDS = [f'{X:.2f},{Y - 40 * (item - 1):.2f},{item},0,"{TITLE}",{HEIGHT},{w},0.2,{angle},'
           '1,0,0,0,1,0,0' for item, angle, w, _, _ in TITLES]


def stretches():
    from qgis.core import Qgis
    return Qgis.QGIS_VERSION_INT >= 32400


def has_font(family):
    return run(["fc-list", family]).stdout.strip() != ""


# The records' face, SimSun, is drawn in AR PL UMing CN (the driver's font table), whose Latin
# glyphs are half as wide as its Chinese ones, as SimSun's are.
@needs_qgis
@unittest.skipUnless(has_font("AR PL UMing CN"), "the CJK face AR PL UMing CN is not installed")
class SpacedTitle(TempDirCase):
    @classmethod
    def setUpClass(cls):
        cls.render_map = qgis()

    def setUp(self):
        super().setUp()
        wat = self.write("title.wat", "WMAPGIS point file: spaced titles\n%d\n%s\n" % (
            len(RECORDS), "\n".join(RECORDS)), "gbk")
        out = self.path("title.gpkg")
        r = run([os.environ["MAPGIS_IMPORT"], wat, "-o", out, "-q", "--srs", "EPSG:4527"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.layers = self.render_map.open_layers(out)
        png = os.path.join(ARTEFACTS or self.dir, "spaced-title.png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        _, results, _ = self.render_map.render(self.layers, png, width=1600)
        texts = self.layers[0]
        by_id = {f.id(): f for f in texts.getFeatures()}
        # Per item, its labels in the order of their pieces along the baseline.
        self.pieces = {}
        for label in results.allLabels():
            f = by_id[label.featureId]
            self.pieces.setdefault(f["RbUserID"], []).append((label, f))
        for pieces in self.pieces.values():
            pieces.sort(key=lambda p: self.along(p[0], p[1]["TextAngle"])[0])

    def tearDown(self):
        del self.layers  # layers go before QGIS does
        super().tearDown()

    @staticmethod
    def along(label, angle):
        """Where a label begins and ends along its baseline, in map units."""
        c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
        ts = [p.x() * c + p.y() * s for p in label.cornerPoints]
        return min(ts), max(ts)

    def test_the_pieces_stand_where_mapgis_puts_them(self):
        self.assertEqual(sorted(self.pieces), [1, 2, 3])
        for item, angle, _, along, widths in TITLES:
            c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
            # The first at the given point moved up by H, perpendicular to the baseline.
            x0, y0 = X - HEIGHT * s, Y - 40 * (item - 1) + HEIGHT * c
            pieces = self.pieces[item]
            self.assertEqual("".join(f["Text"] for _, f in pieces), TITLE)
            for (_, f), t, width in zip(pieces, along, widths):
                point = f.geometry().asPoint()
                self.assertAlmostEqual(point.x(), x0 + t * c, places=6, msg=f["Text"])
                self.assertAlmostEqual(point.y(), y0 + t * s, places=6, msg=f["Text"])
                self.assertEqual((f["TextHeight"], f["TextWidth"]), (HEIGHT, width))

    def test_no_piece_runs_into_the_next(self):
        for item, _, w, _, _ in TITLES:
            # Unstretched, a glyph narrower than high cannot fit: only from QGIS 3.24 on.
            if w != HEIGHT and not stretches():
                continue
            pieces = self.pieces[item]
            for (label, f), (following, g) in zip(pieces, pieces[1:]):
                end = self.along(label, f["TextAngle"])[1]
                start = self.along(following, g["TextAngle"])[0]
                self.assertLessEqual(end - start, 0.1 * HEIGHT,
                                     f"item {item}: {f['Text']} runs into {g['Text']}")

    def test_each_piece_as_wide_as_mapgis_draws_it(self):
        from qgis.core import Qgis
        if not stretches():
            self.skipTest(f"QGIS {Qgis.QGIS_VERSION} does not stretch labels (3.24 and later do)")
        for item, _, _, _, widths in TITLES:
            for (label, f), width in zip(self.pieces[item], widths):
                base = label.cornerPoints[1] - label.cornerPoints[0]
                got = math.hypot(base.x(), base.y())
                self.assertLess(abs(got - width), 0.15 * width,
                                f"item {item}: {f['Text']} is {got:.2f} wide, not {width}")


if __name__ == "__main__":
    unittest.main()
