"""Every format users convert to: each sheet imported with mapgis-import and read back with
GDAL, layer by layer: geometry kinds, counts, texts byte for byte, coordinate system."""
import os
import unittest

from osgeo import gdal, ogr, osr

from hosts_common import IMPORTER, TempDirCase, run, sample

gdal.UseExceptions()

# Two annotation items as MAPGIS writes them: GBK.
CN_TEXTS = ["清河桥 高程 45.2", "西山水库"]
CN_WAT = ("WMAPGIS point file\n2\n"
          f'523412.50,3364180.25,1,0,"{CN_TEXTS[0]}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
          f'523500.00,3364200.00,2,0,"{CN_TEXTS[1]}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n')

# The point sample's nine items, read off its records: a symbol, an arc, two circles and five
# texts, each piece a feature of its own: a plain text, "H#-2#=O" coded as H, subscript 2
# and O, "Xishan" vertical (arrangement 1), "RIVER" spaced (spacing 1.5) and a multi-line text.
SAMPLE_TEXTS = ["Qinghe Bridge", "H", "2", "O", "X", "i", "s", "h", "a", "n",
                "R", "I", "V", "E", "R", "Survey station 12"]

# Input sets: files, --srs, and per output layer (kind, count, texts or None).
SHEETS = {
    "points": (["sample.wat"], "EPSG:4548", {
        "sample_points": ("point", 1, None),
        "sample_lines": ("line", 1, None),
        "sample_areas": ("area", 2, None),
        "sample_texts": ("point", 16, SAMPLE_TEXTS),
    }),
    "chinese": (["cn.wat"], "EPSG:4548", {
        "cn_texts": ("point", 2, CN_TEXTS),
    }),
    # The line, area and network samples of one sheet: 30 lines, 3 areas, 2 network entries
    # of lines and nodes.
    "sheet": (["sample.wal", "sample.wap", "sample.wan"], "EPSG:4527", {
        "sample_lines": ("line", 30, None),
        "sample_areas": ("area", 3, None),
        "sample_network": ("line", 2, None),
        "sample_nodes": ("point", 2, None),
    }),
}

# format, extension, the system it is read back in: "input", "lonlat", "projection" (the
# input's projection on another datum: MapInfo has no CGCS2000 and stores WGS 84) or None
FORMATS = [
    ("GPKG", "gpkg", "input"),
    ("ESRI Shapefile", "shp", "input"),
    ("OpenFileGDB", "gdb", "input"),
    ("FlatGeobuf", "fgb", "input"),
    ("MapInfo File", "tab", "projection"),
    ("CSV", "csv", None),
    ("GeoJSON", "geojson", "lonlat"),
    ("KML", "kml", "lonlat"),
    ("DXF", "dxf", None),
]

# Points of the multipoint layers, each anchor one in MapInfo: the network's two entries have
# at least a node each end.
MAPINFO_POINTS = {"sample_nodes": 4}

# Formats whose layer is named after its file.
ONE_LAYER_FILES = ("ESRI Shapefile", "MapInfo File", "CSV")


def family(geom):
    flat = ogr.GeometryTypeToName(ogr.GT_Flatten(geom.GetGeometryType())).upper()
    flat = flat.replace(" ", "")
    if flat in ("POINT", "MULTIPOINT"):
        return "point"
    if flat == "GEOMETRYCOLLECTION":
        return "collection"
    if "POLYGON" in flat or "SURFACE" in flat:
        return "area"
    return "line"


def layers_of(path, fmt):
    """Datasets an output consists of: the file, or every file of the output folder."""
    if os.path.isdir(path) and fmt != "OpenFileGDB":
        return [os.path.join(path, n) for n in sorted(os.listdir(path))
                if not n.endswith((".cpg", ".prj", ".dbf", ".shx", ".dat", ".id", ".map", ".qml",
                                  ".sld"))]
    return [path]


def read_back(path, fmt):
    """{layer: (kinds, count, texts, srs)}; DXF by the CAD layer of each entity."""
    drivers = ["LIBKML"] if fmt == "KML" else []  # GDAL's KML reader skips ExtendedData
    if not os.path.exists(path):
        # Several layers of a one-layer format: a folder of that name, without the extension.
        path = os.path.splitext(path)[0]
    out = {}
    for name in layers_of(path, fmt):
        ds = gdal.OpenEx(name, gdal.OF_VECTOR, allowed_drivers=drivers)
        for i in range(ds.GetLayerCount()):
            layer = ds.GetLayer(i)
            if layer.GetName() == "layer_styles":
                continue  # the QGIS styles
            srs = layer.GetSpatialRef()
            for f in layer:
                key = f.GetField("Layer") if fmt == "DXF" else layer.GetName()
                kinds, count, texts, _ = out.get(key, (set(), 0, [], None))
                kinds.add(family(f.GetGeometryRef()))
                if f.GetDefnRef().GetFieldIndex("Text") >= 0 and f.GetField("Text"):
                    texts.append(f.GetField("Text"))
                out[key] = (kinds, count + 1, texts, srs)
    return out


def epsg(code):
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(int(code.split(":")[1]))
    return srs


def same_system(srs, code):
    return srs is not None and srs.IsSame(epsg(code), ["IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES"])


def same_projection(srs, code):
    want = epsg(code)
    return srs is not None and all(
        srs.GetProjParm(p) == want.GetProjParm(p)
        for p in ("central_meridian", "false_easting", "scale_factor", "latitude_of_origin"))



class RoundTrip(TempDirCase):
    def setUp(self):
        super().setUp()
        with open(os.path.join(self.dir, "cn.wat"), "wb") as f:
            f.write(CN_WAT.encode("gbk"))

    def path(self, name):
        return os.path.join(self.dir, name) if name == "cn.wat" else sample(name)

    def test_every_sheet_in_every_format(self):
        for fmt, ext, system in FORMATS:
            for sheet, (files, srs, expected) in SHEETS.items():
                with self.subTest(fmt=fmt, sheet=sheet):
                    out = os.path.join(self.dir, ext, f"{sheet}.{ext}")
                    os.makedirs(os.path.dirname(out), exist_ok=True)
                    r = run([IMPORTER] + [self.path(n) for n in files] +
                            ["-f", fmt, "-o", out, "-q", "--srs", srs,
                             "--colors", sample("colors.txt")])
                    self.assertEqual(r.returncode, 0, r.stderr)
                    got = read_back(out, fmt)
                    if len(expected) == 1 and fmt in ONE_LAYER_FILES:
                        # One layer: the file, which names it.
                        expected = {sheet: next(iter(expected.values()))}
                    self.assertEqual(sorted(got), sorted(expected))
                    for layer, (kind, count, texts) in expected.items():
                        kinds, n, read_texts, read_srs = got[layer]
                        if fmt == "DXF" and kind == "area":
                            # Areas are their outlines, filled ones a hatch too.
                            self.assertIn("line", kinds, layer)
                        elif fmt == "MapInfo File" and layer in MAPINFO_POINTS:
                            # Its writer makes a point of every anchor.
                            self.assertEqual(kinds, {kind}, layer)
                            self.assertGreaterEqual(n, MAPINFO_POINTS[layer], layer)
                        elif fmt != "DXF":
                            self.assertEqual((kinds, n), ({kind}, count), layer)
                        if texts is not None and fmt == "DXF":
                            # One text entity per piece, in order.
                            self.assertEqual("".join(read_texts), "".join(texts), layer)
                        elif texts is not None:
                            # FlatGeobuf writes in the order of its spatial index.
                            self.assertEqual(sorted(read_texts), sorted(texts), layer)
                        if system == "input":
                            self.assertTrue(same_system(read_srs, srs), layer)
                        elif system == "projection":
                            self.assertTrue(same_projection(read_srs, srs), layer)
                        elif system == "lonlat":
                            self.assertTrue(same_system(read_srs, "EPSG:4326"), layer)


class Shapefile(TempDirCase):
    def setUp(self):
        super().setUp()
        self.wat = os.path.join(self.dir, "cn.wat")
        with open(self.wat, "wb") as f:
            f.write(CN_WAT.encode("gbk"))

    def read(self, name, mode="r"):
        with open(os.path.join(self.dir, name), mode) as f:
            return f.read()

    # --dbf-encoding, what the .cpg declares, the codec of the .dbf bytes
    ENCODINGS = [([], "UTF-8", "utf-8"), (["--dbf-encoding", "GBK"], "CP936", "gbk")]

    def test_text_encodings_declared_and_read_back(self):
        for extra, cpg, codec in self.ENCODINGS:
            with self.subTest(cpg=cpg):
                out = os.path.join(self.dir, "texts.shp")
                r = run([IMPORTER, self.wat, "-o", out, "-q", "--overwrite",
                         "--srs", "EPSG:4548"] + extra)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertTrue(os.path.isfile(out))  # one kind: a file, not a folder
                self.assertEqual(self.read("texts.cpg").strip(), cpg)
                self.assertIn(CN_TEXTS[0].encode(codec), self.read("texts.dbf", "rb"))
                self.assertIn("CGCS2000", self.read("texts.prj"))
                ds = gdal.OpenEx(out)
                layer = ds.GetLayer(0)
                self.assertEqual([f.GetField("Text") for f in layer], CN_TEXTS)
                defn = layer.GetLayerDefn()
                names = [defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())]
                self.assertIn("SymAngle", names)
                self.assertTrue(all(len(n) <= 10 for n in names), names)


class Refusals(TempDirCase):
    CASES = [
        (["--no-split", "-f", "ESRI Shapefile"], "holds one geometry type per layer"),
        (["--typed", "-f", "DXF"], "DXF takes the items with their styles"),
        (["-f", "GeoJSON"], "name the coordinate system of the input with --srs"),
        (["-f", "KML", "--srs", "EPSG:4548"], "needs the colour index file"),
        (["--dbf-encoding", "latin1"], "expected UTF-8 or GBK"),
    ]

    def test_options_a_format_cannot_take(self):
        for extra, message in self.CASES:
            with self.subTest(extra=extra):
                r = run([IMPORTER, sample("sample.wat"), "-o",
                         os.path.join(self.dir, "x"), "-q"] + extra)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.listdir(self.dir), [])


class Mixed(TempDirCase):
    def test_no_split_keeps_one_layer_with_every_item(self):
        out = os.path.join(self.dir, "whole.gpkg")
        r = run([IMPORTER, sample("sample.wat"), "--no-split", "-o", out, "-q"])
        self.assertEqual(r.returncode, 0, r.stderr)
        got = read_back(out, "GPKG")
        self.assertEqual(list(got), ["sample_points"])
        self.assertEqual(got["sample_points"][1], 9)
        self.assertEqual(got["sample_points"][0], {"point", "line", "area", "collection"})


if __name__ == "__main__":
    unittest.main()
