"""KML as Google Earth draws it: mapgis-import's KML read back by GDAL's KML reader and as
XML. Texts are placemarks named by their text, in their colours, without a pin; symbols are
icons in their colours; lines are wide enough to show; areas are outlined only in a colour
they have; coordinates are the sheet's, reprojected."""
import os
import shutil
import unittest
import xml.etree.ElementTree as ET

from osgeo import ogr, osr

from hosts_common import TempDirCase, sample
from test_qgis_map import HAND_PIECES, hand_sheet

SRS = "EPSG:4527"  # CGCS2000 / 3-degree Gauss-Kruger zone 39, as the sheets' eastings say
KML = "{http://www.opengis.net/kml/2.2}"
PIXELS_PER_MM = 96 / 25.4  # Google Earth's screen: 96 dots per inch
ICON_PIXELS = 32  # Google Earth's icon at scale 1
# KML colours (aabbggrr) of the sample colour file's CMYK values: 1 black (K 100), 3 red
# (M 100, Y 100), 5 blue (C 100, M 100).
BLACK, RED, BLUE = "ff000000", "ff0000ff", "ffff0000"
# Each piece of the hand-made texts in the colour its record numbers (its 14th value).
HAND_COLOURS = {"清河桥": BLACK, "Qinghe Road": BLUE, "西": RED, "山": RED, "H": BLUE,
                "2": BLUE, "O": BLUE, "12": BLACK, "3": BLACK, "北": BLACK, "京": BLACK}
# The hand-made lines by their user ID: colour and width in millimetres, from their records
# (2 green: C 100, Y 100); and the bar of the fraction "/12/3/", a line of the text's colour
# without a width of its own (0.2 mm: less than a pixel).
HAND_LINES = {9001: (BLUE, 10.0), 9002: ("ff00ff00", 5.0), 9003: (BLACK, 3.0),
              5: (BLACK, None)}


def kind(element):
    """Point, LineString or Polygon: the geometry of a placemark (or of a MultiGeometry's
    first part)."""
    for child in element:
        tag = child.tag[len(KML):]
        if tag in ("Point", "LineString", "Polygon"):
            return tag
        if tag == "MultiGeometry":
            return kind(child)
    return None


def placemarks(path):
    """Every placemark of the file as (name, style, its fields, its geometry's kind)."""
    out = []
    for mark in ET.parse(path).getroot().iter(KML + "Placemark"):
        fields = {d.get("name"): d.text or "" for d in mark.iter(KML + "SimpleData")}
        out.append((mark.findtext(KML + "name"), mark.find(KML + "Style"), fields, kind(mark)))
    return out


def value(style, path):
    """The text at a path of KML elements ("LabelStyle/color") in a style."""
    return style.findtext("/".join(KML + p for p in path.split("/")))


def kml_files(path):
    if os.path.isdir(path):
        return sorted(os.path.join(path, n) for n in os.listdir(path) if n.endswith(".kml"))
    return [path]


class Kml(TempDirCase):
    def convert(self, inputs, name, srs=SRS):
        out = self.path(name + ".kml")
        self.importer(*inputs, "-q", "--srs", srs, "--colors", sample("colors.txt"),
                      "-f", "KML", "-o", out)
        base = os.path.splitext(out)[0]
        return kml_files(base if os.path.isdir(base) else out)

    def hand_marks(self):
        inputs = [shutil.copy(p, self.path("1" + os.path.splitext(p)[1]))
                  for p in hand_sheet(self)]
        files = self.convert(inputs, "hand")
        return files, [m for f in files for m in placemarks(f)]

    def test_texts_are_named_in_their_colours_without_pins(self):
        _, marks = self.hand_marks()
        texts = [(name, style) for name, style, fields, g in marks
                 if g == "Point" and fields.get("Text")]
        self.assertEqual(sorted(n for n, _ in texts), sorted(p[0] for p in HAND_PIECES))
        heights = {p[0]: p[3] for p in HAND_PIECES}
        # Scale 1 is the file's median height: 10 of 5, 8, 8, 10, 10, 10, 10, 10, 10, 10, 12.
        for name, style in texts:
            with self.subTest(text=name):
                self.assertEqual(value(style, "LabelStyle/color"), HAND_COLOURS[name])
                self.assertAlmostEqual(float(value(style, "LabelStyle/scale")),
                                       heights[name] / 10, places=3)
                self.assertEqual(float(value(style, "IconStyle/scale")), 0)

    def test_symbols_and_lines_in_their_colours_and_widths(self):
        _, marks = self.hand_marks()
        symbols = [s for _, s, f, g in marks if g == "Point" and not f.get("Text")]
        self.assertEqual(len(symbols), 1)
        # The blue symbol of 8 mm.
        self.assertEqual(value(symbols[0], "IconStyle/color"), BLUE)
        self.assertAlmostEqual(float(value(symbols[0], "IconStyle/scale")),
                               8 * PIXELS_PER_MM / ICON_PIXELS, places=3)
        lines = [(s, f) for _, s, f, g in marks if g == "LineString"]
        self.assertEqual(len(lines), len(HAND_LINES))
        for style, fields in lines:
            colour, width = HAND_LINES[int(fields["RbUserID"])]
            with self.subTest(line=fields["RbUserID"]):
                self.assertEqual(value(style, "LineStyle/color"), colour)
                self.assertAlmostEqual(float(value(style, "LineStyle/width")),
                                       width * PIXELS_PER_MM if width else 1, places=1)

    def test_sample_lines_show_and_uncoloured_areas_have_no_outline(self):
        # The sample point file is in the zone without its number in front (CM 117E).
        files = (self.convert([sample(n) for n in ("sample.wal", "sample.wap", "sample.wan")],
                              "sheet") + self.convert([sample("sample.wat")], "points",
                                                      "EPSG:4548"))
        marks = [m for f in files for m in placemarks(f)]
        lines = [(s, f) for _, s, f, g in marks if g == "LineString"]
        self.assertTrue(lines)
        for style, fields in lines:
            width = float(value(style, "LineStyle/width"))
            wanted = max(1.0, float(fields.get("LineWidth") or 0.2) * PIXELS_PER_MM)
            self.assertAlmostEqual(width, wanted, places=2, msg=fields)
            self.assertGreaterEqual(width, 1)
        areas = [(s, f) for _, s, f, g in marks if g == "Polygon"]
        uncoloured = [s for s, f in areas if not f.get("Color")]
        self.assertTrue(uncoloured)
        for style in uncoloured:
            self.assertIsNone(style.find(KML + "LineStyle"))
            self.assertEqual(value(style, "PolyStyle/outline"), "0")
        for style, fields in areas:
            if fields.get("FillColor"):
                hex_ = fields["FillColor"].lower()
                self.assertEqual(value(style, "PolyStyle/color"),
                                 "ff" + hex_[5:7] + hex_[3:5] + hex_[1:3])
        texts = [(n, f) for n, _, f, g in marks if g == "Point" and f.get("Text")]
        self.assertTrue(texts)
        for name, fields in texts:
            self.assertEqual(name, fields["Text"])

    def test_coordinates_are_the_sheets_reprojected(self):
        files, _ = self.hand_marks()
        source, target = osr.SpatialReference(), osr.SpatialReference()
        source.ImportFromEPSG(4527)
        target.ImportFromEPSG(4326)
        target.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        source.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        to_lonlat = osr.CoordinateTransformation(source, target)
        read = {}
        for path in files:
            ds = ogr.GetDriverByName("KML").Open(path)
            for i in range(ds.GetLayerCount()):
                for f in ds.GetLayer(i):
                    if f.GetGeometryRef().GetGeometryName() == "POINT":
                        read[f.GetField("Name")] = f.GetGeometryRef().GetPoint_2D()
        self.assertEqual(sorted(n for n in read if n), sorted(p[0] for p in HAND_PIECES))
        for text, x, y, _, _ in HAND_PIECES:
            lon, lat, _ = to_lonlat.TransformPoint(x, y)
            with self.subTest(text=text):
                self.assertAlmostEqual(read[text][0], lon, delta=1e-7)
                self.assertAlmostEqual(read[text][1], lat, delta=1e-7)


if __name__ == "__main__":
    unittest.main()
