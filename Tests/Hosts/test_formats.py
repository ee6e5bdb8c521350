"""Every format users convert to: each sheet imported with mapgis-import and read back with
GDAL, layer by layer: geometry kinds, counts, texts byte for byte, coordinate system; then
where a sheet lies on the ground: --srs and its datum shortcuts, --scale and --offset."""
import os
import sqlite3
import unittest

from osgeo import gdal, ogr, osr

from hosts_common import IMPORTER, TempDirCase, leftovers, run, sample

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
        "sample_points": ("point", 1, None), "sample_lines": ("line", 1, None),
        "sample_areas": ("area", 2, None), "sample_texts": ("point", 16, SAMPLE_TEXTS)}),
    "chinese": (["cn.wat"], "EPSG:4548", {"cn_texts": ("point", 2, CN_TEXTS)}),
    # One sheet's line, area and network files: 30 lines, 3 areas, 2 network entries.
    "sheet": (["sample.wal", "sample.wap", "sample.wan"], "EPSG:4527", {
        "sample_lines": ("line", 30, None), "sample_areas": ("area", 3, None),
        "sample_network": ("line", 2, None), "sample_nodes": ("point", 2, None)}),
}

# format, extension, the system read back: the input's, "lonlat", "projection" (MapInfo has
# no CGCS2000: the same projection on WGS 84) or None
FORMATS = [("GPKG", "gpkg", "input"), ("ESRI Shapefile", "shp", "input"),
           ("OpenFileGDB", "gdb", "input"), ("FlatGeobuf", "fgb", "input"),
           ("MapInfo File", "tab", "projection"), ("CSV", "csv", None),
           ("GeoJSON", "geojson", "lonlat"), ("KML", "kml", "lonlat"), ("DXF", "dxf", None)]
ONE_LAYER_FILES = ("ESRI Shapefile", "MapInfo File", "CSV")  # the file names the layer
SIDE_FILES = (".cpg", ".prj", ".dbf", ".shx", ".dat", ".id", ".map", ".qml", ".sld")


def family(geom):
    flat = ogr.GeometryTypeToName(ogr.GT_Flatten(geom.GetGeometryType())).upper()
    flat = flat.replace(" ", "")
    if flat in ("POINT", "MULTIPOINT"):
        return "point"
    if flat == "GEOMETRYCOLLECTION":
        return "collection"
    return "area" if "POLYGON" in flat or "SURFACE" in flat else "line"


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
    for name in names:
        ds = gdal.OpenEx(name, gdal.OF_VECTOR, allowed_drivers=drivers)
        for layer in (ds.GetLayer(i) for i in range(ds.GetLayerCount())):
            if layer.GetName() == "layer_styles":
                continue
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
    if system == "projection":
        return srs is not None and all(srs.GetProjParm(p) == epsg(code).GetProjParm(p) for p in (
            "central_meridian", "false_easting", "scale_factor", "latitude_of_origin"))
    code = "EPSG:4326" if system == "lonlat" else code
    return srs is not None and srs.IsSame(epsg(code), ["IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES"])


class RoundTrip(TempDirCase):
    def setUp(self):
        super().setUp()
        self.cn = self.write("cn.wat", CN_WAT, "gbk")

    def test_every_sheet_in_every_format(self):
        for fmt, ext, system in FORMATS:
            for sheet, (files, srs, expected) in SHEETS.items():
                with self.subTest(fmt=fmt, sheet=sheet):
                    out = os.path.join(self.dir, ext, f"{sheet}.{ext}")
                    os.makedirs(os.path.dirname(out), exist_ok=True)
                    inputs = [self.cn if n == "cn.wat" else sample(n) for n in files]
                    r = run([IMPORTER, *inputs, "-f", fmt, "-o", out, "-q", "--srs", srs,
                             "--colors", sample("colors.txt")])
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertEqual(leftovers(os.path.dirname(out)), [])
                    got = read_back(out, fmt)
                    if len(expected) == 1 and fmt in ONE_LAYER_FILES:
                        expected = {sheet: next(iter(expected.values()))}
                    self.assertEqual(sorted(got), sorted(expected))
                    for layer, (kind, count, texts) in expected.items():
                        kinds, n, read_texts, read_srs = got[layer]
                        if fmt == "DXF":
                            # Areas are outlines (filled ones a hatch too); a text entity
                            # per piece, in order.
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
                        if texts:  # FlatGeobuf writes in the order of its spatial index
                            self.assertEqual(sorted(read_texts), sorted(texts), layer)
                        if system:
                            self.assertTrue(system_matches(read_srs, srs, system), layer)

    def test_shapefile_texts_in_gbk(self):
        # The default UTF-8 is read back above; with GBK the .cpg must say so.
        out = os.path.join(self.dir, "texts.shp")
        r = run([IMPORTER, self.cn, "-o", out, "-q", "--srs", "EPSG:4548",
                 "--dbf-encoding", "GBK"])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(self.dir, "texts.cpg")) as f:
            self.assertEqual(f.read().strip(), "CP936")
        with open(os.path.join(self.dir, "texts.dbf"), "rb") as f:
            self.assertIn(CN_TEXTS[0].encode("gbk"), f.read())
        ds = gdal.OpenEx(out)
        layer = ds.GetLayer(0)
        self.assertEqual([f.GetField("Text") for f in layer], CN_TEXTS)
        defn = layer.GetLayerDefn()
        names = [defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())]
        self.assertIn("SymAngle", names)
        self.assertTrue(all(len(n) <= 10 for n in names), names)  # dBase's limit


# One line in millimetres of the paper map.
PAPER_WAL = "WMAP lines\n1\n1,0,3,5,0,0,0,0,0\n2\n0,0\n10,2.5\n1,0\n"


def first_points(path):
    """The vertices of the first feature's (first) line."""
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    feature = ds.GetLayer(0).GetNextFeature()
    geom = feature.GetGeometryRef()
    line = geom.GetGeometryRef(0) if geom.GetGeometryCount() > 0 else geom
    return [line.GetPoint_2D(i) for i in range(line.GetPointCount())]


class Systems(TempDirCase):
    def test_named_systems(self):
        # As PROJ names them: CGCS2000, Xian 1980 and Beijing 1954 "/ 3-degree Gauss-Kruger
        # zone 39"; the sample's eastings start with 39.
        for args, code in ((["--srs", "EPSG:4527"], "4527"), (["-a_srs", "EPSG:2363"], "2363"),
                           (["--srs", "CGCS2000"], "4527"), (["--srs", "xian80"], "2363"),
                           (["--srs", "BEIJING54"], "2415")):
            with self.subTest(args=args):
                out = os.path.join(self.dir, f"{code}-{args[1]}.gpkg")
                r = run([IMPORTER, sample("sample.wal"), "-o", out, *args])
                self.assertEqual(r.returncode, 0, r.stderr)
                ds = gdal.OpenEx(out)
                self.assertEqual(ds.GetLayer(0).GetSpatialRef().GetAuthorityCode(None), code)
                self.assertIn(f"coordinate system: EPSG:{code} (", r.stdout)

    def test_without_system_the_summary_names_a_fit(self):
        out = os.path.join(self.dir, "sheet.gpkg")
        r = run([IMPORTER, sample("sample.wal"), sample("sample.wap"), "-o", out])
        self.assertEqual(r.returncode, 0, r.stderr)
        with sqlite3.connect(out) as db:  # undefined Cartesian
            ids = {row[0] for row in db.execute("SELECT srs_id FROM gpkg_geometry_columns")}
        self.assertEqual(ids, {-1})
        self.assertIn("coordinate system: none assigned; eastings with zone number 39", r.stdout)
        self.assertIn("--srs CGCS2000", r.stdout)

    def test_lonlat_formats_are_reprojected(self):
        gk, wgs84 = epsg("EPSG:4527"), epsg("EPSG:4326")
        for srs in (gk, wgs84):
            srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        lon, lat, _ = osr.CoordinateTransformation(gk, wgs84).TransformPoint(39511100.0, 3420050.0)
        self.assertAlmostEqual(lon, 117.116, places=2)  # 11.1 km east of zone 39's 117 E
        for fmt, ext in (("KML", "kml"), ("GeoJSON", "geojson")):
            with self.subTest(fmt=fmt):
                out = os.path.join(self.dir, "lines." + ext)
                r = run([IMPORTER, sample("sample.wal"), "-f", fmt, "-o", out, "--srs",
                         "CGCS2000", "--colors", sample("colors.txt")])
                self.assertEqual(r.returncode, 0, r.stderr)
                x, y = first_points(out)[0]
                self.assertAlmostEqual(x, lon, places=7)
                self.assertAlmostEqual(y, lat, places=7)

    def test_paper_coordinates_scaled_then_shifted(self):
        path = self.write("paper.wal", PAPER_WAL)
        out = os.path.join(self.dir, "ground.gpkg")
        r = run([IMPORTER, path, "-o", out, "--scale", "10", "--offset", "100,-200"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(first_points(out), [(100.0, -200.0), (200.0, -175.0)])
        self.assertIn("coordinates scaled by 10, then shifted by 100,-200", r.stdout)
        r = run([IMPORTER, path, "-o", os.path.join(self.dir, "paper.gpkg")])
        self.assertIn("millimetres of the paper map; --scale", r.stdout)


if __name__ == "__main__":
    unittest.main()
