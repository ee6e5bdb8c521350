"""Every format users convert to, read back with GDAL: kinds, counts, texts byte for byte,
system; --srs and its datum shortcuts, --scale and --offset; a point file in one pass."""
import os

from osgeo import gdal, osr

from hosts_common import TempDirCase, leftovers, open_layers, sample

# Two annotation items as MAPGIS writes them: GBK.
CN_TEXTS = ["清河桥 高程 45.2", "西山水库"]
CN_WAT = ("WMAPGIS point file\n2\n"
          f'523412.50,3364180.25,1,0,"{CN_TEXTS[0]}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
          f'523500.00,3364200.00,2,0,"{CN_TEXTS[1]}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n')

# The point sample's nine items, read off its records: a symbol, an arc, a filled circle (item
# 7, fill flag 1) and one without (item 8, fill flag 0, a line as MAPGIS draws it) and five
# texts, each piece a feature of its own: a plain text, "H#-2#=O" coded as H, subscript 2
# and O, "Xishan" vertical (arrangement 1), "RIVER" spaced (spacing 1.5) and a multi-line text.
SAMPLE_TEXTS = ["Qinghe Bridge", "H", "2", "O", "X", "i", "s", "h", "a", "n",
                "R", "I", "V", "E", "R", "Survey station 12"]

# Input sets: files, --srs, and per output layer (kind, count, texts or None).
SHEETS = {
    "points": (["sample.wat"], "EPSG:4548", {
        "sample_points": ("point", 1, None), "sample_lines": ("line", 2, None),
        "sample_areas": ("area", 1, None), "sample_texts": ("point", 16, SAMPLE_TEXTS)}),
    "chinese": (["cn.wat"], "EPSG:4548", {"cn_texts": ("point", 2, CN_TEXTS)}),
    # One sheet's line, area and network files: 30 lines, 3 areas, 2 network entries.
    "sheet": (["sample.wal", "sample.wap", "sample.wan"], "EPSG:4527", {
        "sample_lines": ("line", 30, None), "sample_areas": ("area", 3, None),
        "sample_network": ("line", 2, None), "sample_nodes": ("point", 2, None)}),
}

# format, extension, the system read back: the input's, "lonlat" or None (MapInfo has no
# CGCS2000 and GDAL writes another datum)
FORMATS = [("GPKG", "gpkg", "input"), ("ESRI Shapefile", "shp", "input"),
           ("OpenFileGDB", "gdb", "input"), ("FlatGeobuf", "fgb", "input"),
           ("MapInfo File", "tab", None), ("CSV", "csv", None),
           ("GeoJSON", "geojson", "lonlat"), ("KML", "kml", "lonlat"), ("DXF", "dxf", None)]
# A layer of one file is named after the file; Shapefile and MapInfo layers, of several
# files, are always a folder of files named after the layers.
ONE_LAYER_FILES = ("CSV",)
SIDE_FILES = (".cpg", ".prj", ".dbf", ".shx", ".dat", ".id", ".map", ".qml", ".sld")


def family(geom):
    name = geom.GetGeometryName()
    return ("point" if "POINT" in name else "collection" if name == "GEOMETRYCOLLECTION" else
            "area" if "POLYGON" in name or "SURFACE" in name else "line")


def read_back(path, fmt):
    """{layer: (kinds, count, texts, srs)}; DXF by the CAD layer of each entity."""
    drivers = ["LIBKML"] if fmt == "KML" else []  # GDAL's KML reader skips ExtendedData
    if not os.path.exists(path):  # several layers of a one-layer format: a folder
        path = os.path.splitext(path)[0]
    names = [path]
    if os.path.isdir(path) and fmt != "OpenFileGDB":
        names = [os.path.join(path, n) for n in sorted(os.listdir(path))
                 if not n.endswith(SIDE_FILES)]
    out = {}
    # Symbols are block references: read as points, not as the block's drawing.
    gdal.SetConfigOption("DXF_INLINE_BLOCKS", "FALSE" if fmt == "DXF" else None)
    for name in names:
        ds, layers = open_layers(name, allowed_drivers=drivers)
        for layer in (l for l in layers if not (fmt == "DXF" and l.GetName() == "blocks")):
            for f in layer:
                key = f.GetField("Layer") if fmt == "DXF" else layer.GetName()
                kinds, count, texts, _ = out.get(key, (set(), 0, [], None))
                kinds.add(family(f.GetGeometryRef()))
                if f.GetDefnRef().GetFieldIndex("Text") >= 0 and f.GetField("Text"):
                    texts.append(f.GetField("Text"))
                out[key] = (kinds, count + 1, texts, layer.GetSpatialRef())
    return out


def epsg(code):
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(int(code.split(":")[1]))
    return srs


def system_matches(srs, code, system):
    code = "EPSG:4326" if system == "lonlat" else code
    return srs is not None and srs.IsSame(epsg(code), ["IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES"])


class RoundTrip(TempDirCase):
    def setUp(self):
        super().setUp()
        self.cn = self.write("cn.wat", CN_WAT, "gbk")

    def test_every_sheet_in_every_format(self):
        for (fmt, ext, system), (sheet, (files, srs, expected)) in (
                (f, s) for f in FORMATS for s in SHEETS.items()):
            with self.subTest(fmt=fmt, sheet=sheet):
                out = self.path(f"{ext}/{sheet}.{ext}")
                os.makedirs(os.path.dirname(out), exist_ok=True)
                inputs = [self.cn if n == "cn.wat" else sample(n) for n in files]
                self.importer(*inputs, "-f", fmt, "-o", out, "-q", "--srs", srs, "--colors",
                              sample("colors.txt"))
                self.assertEqual(leftovers(os.path.dirname(out)), [])
                got = read_back(out, fmt)
                if len(expected) == 1 and fmt in ONE_LAYER_FILES:
                    expected = {sheet: next(iter(expected.values()))}
                self.assertEqual(sorted(got), sorted(expected))
                for layer, (kind, count, texts) in expected.items():
                    kinds, n, read_texts, read_srs = got[layer]
                    if fmt == "DXF":
                        # Areas are outlines (filled ones a hatch too); a text entity per
                        # piece, in order; a symbol a block reference.
                        self.assertIn("line" if kind == "area" else kind, kinds, layer)
                        if texts:
                            self.assertEqual("".join(read_texts), "".join(texts), layer)
                        continue
                    if fmt == "MapInfo File" and layer == "sample_nodes":
                        # A point per network node: at least one each end of two entries.
                        self.assertEqual(kinds, {kind})
                        self.assertGreaterEqual(n, 4)
                    else:
                        self.assertEqual((kinds, n), ({kind}, count), layer)
                    # FlatGeobuf writes in the order of its spatial index.
                    self.assertEqual(sorted(read_texts), sorted(texts or []), layer)
                    if system:
                        self.assertTrue(system_matches(read_srs, srs, system), layer)

    def test_shapefile_texts_in_gbk(self):
        # The default UTF-8 is read back above; with GBK the .cpg must say so.
        self.importer(self.cn, "-o", self.path("texts.shp"), "-q", "--srs", "EPSG:4548",
                      "--dbf-encoding", "GBK")
        with open(self.path("texts/cn_texts.cpg")) as f:
            self.assertEqual(f.read().strip(), "CP936")
        ds, (layer,) = open_layers(self.path("texts/cn_texts.shp"))
        self.assertEqual([f.GetField("Text") for f in layer], CN_TEXTS)
        # SymbolAngle shortened to the name the styles read, not to GDAL's SymbolAngl.
        self.assertGreaterEqual(layer.GetLayerDefn().GetFieldIndex("SymAngle"), 0)


def first_points(path):
    """The system and the vertices of the first feature's (first) line."""
    ds, layers = open_layers(path)
    feature = layers[0].GetNextFeature()
    geom = feature.GetGeometryRef()
    line = geom.GetGeometryRef(0) if geom.GetGeometryCount() > 0 else geom
    srs = layers[0].GetSpatialRef()
    return (srs.GetAuthorityCode(None) or srs.GetName(),
            [line.GetPoint_2D(i) for i in range(line.GetPointCount())])


class Systems(TempDirCase):
    def test_systems_scale_and_offset(self):
        wal = sample("sample.wal")
        # One line in millimetres of the paper map.
        paper = self.write("paper.wal", "WMAP lines\n1\n1,0,3,5,0,0,0,0,0\n2\n0,0\n10,2.5\n1,0\n")
        none = "Undefined Cartesian SRS"  # srs_id -1 of a GeoPackage, not geographic 0
        # Output, arguments, the system read back, words of the summary, the first vertices.
        # As PROJ names them: CGCS2000, Xian 1980 and Beijing 1954 "/ 3-degree Gauss-Kruger
        # zone 39"; the sample's eastings start with 39.
        cases = [
            ("a.gpkg", [wal, "-a_srs", "EPSG:2363"], "2363", ["system: EPSG:2363 ("], []),
            ("b.gpkg", [wal, "--srs", "CGCS2000"], "4527", ["system: EPSG:4527 ("], []),
            ("c.gpkg", [wal, "--srs", "xian80"], "2363", ["system: EPSG:2363 ("], []),
            ("d.gpkg", [wal, "--srs", "BEIJING54"], "2415", ["system: EPSG:2415 ("], []),
            ("e.gpkg", [wal, sample("sample.wap")], none,
             ["none assigned; eastings with zone number 39", "--srs CGCS2000"], []),
            ("f.gpkg", [paper, "--scale", "10", "--offset", "100,-200"], none,
             ["coordinates scaled by 10, then shifted by 100,-200"],
             [(100.0, -200.0), (200.0, -175.0)]),
            ("g.gpkg", [paper], none, ["millimetres of the paper map; --scale"], []),
        ]
        for out, args, system, words, points in cases:
            with self.subTest(args=args[1:]):
                r = self.importer(*args, "-o", self.path(out))
                for text in words:
                    self.assertIn(text, r.stdout)
                got_system, got_points = first_points(self.path(out))
                self.assertEqual(got_system, system)
                self.assertGreaterEqual(len(got_points), len(points))
                for got, want in zip(got_points, points):
                    self.assertAlmostEqual(got[0], want[0], places=7)
                    self.assertAlmostEqual(got[1], want[1], places=7)


# Items cycling through a symbol, a text, a circle and a text: more than two batches of items,
# every feature to come out in order (GeoPackage takes its layers' features in any order).
ITEMS = 2600


def mixed_wat():
    lines = ["WMAPGIS point file", str(ITEMS)]
    for i in range(ITEMS):
        x, y, kind = 523412.5 + i * 0.5, 3364180.25 + (i % 50), i % 4
        lines.append(f"{x},{y},{i + 1},1,12,4.0,4.0,0.0,0,3,0.5,0,0" if kind == 0 else
                     f"{x},{y},{i + 1},2,12.5,3,1,1,5,0,0" if kind == 2 else
                     f'{x},{y},{i + 1},0,"T{i}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0')
    return "\n".join(lines) + "\n"


class OnePassTest(TempDirCase):
    def test_one_pass_over_several_batches(self):
        wat, out = self.write("mixed.wat", mixed_wat()), self.path("mixed.gpkg")
        r = self.importer("-q", "--srs", "EPSG:4548", "-o", out, wat)
        self.assertEqual(r.stderr, "")
        ds, _ = open_layers(out)
        # Each kind's items in the order of the file, their ids those of the records.
        for name, kinds in (("mixed_points", (0,)), ("mixed_texts", (1, 3)),
                            ("mixed_areas", (2,))):
            with self.subTest(layer=name):
                self.assertEqual([f["RbUserID"] for f in ds.GetLayerByName(name)],
                                 [i + 1 for i in range(ITEMS) if i % 4 in kinds])
