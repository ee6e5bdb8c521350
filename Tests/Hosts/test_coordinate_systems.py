"""Where a sheet lies on the ground: --srs / SRS=, the datum shortcuts, --scale and --offset,
and what each output format is told about the coordinate system."""
import os
import sqlite3
import unittest

from osgeo import gdal, osr

from hosts_common import IMPORTER, TempDirCase, run, sample

gdal.UseExceptions()

# Two lines whose eastings carry no zone number (central meridian unknown).
NO_ZONE_WAL = ("WMAP lines\n2\n"
               "1,0,3,5,0,0,0,0,0\n2\n511100,3420050\n511160,3420090\n1,0\n"
               "1,0,3,5,0,0,0,0,0\n2\n511200,3420100\n511260,3420140\n2,0\n")
# One line in millimetres of the paper map.
PAPER_WAL = "WMAP lines\n1\n1,0,3,5,0,0,0,0,0\n2\n0,0\n10,2.5\n1,0\n"


def layer_code(path):
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    srs = ds.GetLayer(0).GetSpatialRef()
    return None if srs is None else srs.GetAuthorityCode(None)


def first_points(path):
    """The vertices of the first feature's (first) line."""
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    layer = ds.GetLayer(0)
    feature = layer.GetNextFeature()
    geom = feature.GetGeometryRef()
    line = geom.GetGeometryRef(0) if geom.GetGeometryCount() > 0 else geom
    return [line.GetPoint_2D(i) for i in range(line.GetPointCount())]


class AssignedSystems(TempDirCase):
    # EPSG codes as PROJ's database names them: CGCS2000, Xian 1980 and Beijing 1954
    # "/ 3-degree Gauss-Kruger zone 39"; the sample's eastings start with 39.
    CASES = [
        (["--srs", "EPSG:4527"], "4527"),
        (["-a_srs", "EPSG:2363"], "2363"),
        (["--srs", "CGCS2000"], "4527"),
        (["--srs", "xian80"], "2363"),
        (["--srs", "BEIJING54"], "2415"),
    ]

    def test_every_layer_gets_the_named_system(self):
        for args, code in self.CASES:
            with self.subTest(args=args):
                out = os.path.join(self.dir, f"{code}-{args[1]}.gpkg")
                r = run([IMPORTER, sample("sample.wal"), "-o", out] + args)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(layer_code(out), code)
                self.assertIn(f"coordinate system: EPSG:{code} (", r.stdout)

    def test_driver_open_option_assigns_the_system_to_layers_and_geometries(self):
        # The point sample's eastings carry no zone number: it is named by code.
        for name, srs, code in (("sample.wat", "EPSG:4548", "4548"),
                                ("sample.wal", "CGCS2000", "4527"),
                                ("sample.wap", "CGCS2000", "4527")):
            with self.subTest(name=name):
                ds = gdal.OpenEx(sample(name), gdal.OF_VECTOR, open_options=["SRS=" + srs])
                layer = ds.GetLayer(0)
                self.assertEqual(layer.GetSpatialRef().GetAuthorityCode(None), code)
                feature = layer.GetNextFeature()
                geom = feature.GetGeometryRef()
                self.assertEqual(geom.GetSpatialReference().GetAuthorityCode(None), code)


class RefusedSystems(TempDirCase):
    def test_refusals_exit_2_and_say_why(self):
        no_zone = self.write("nozone.wal", NO_ZONE_WAL)
        wal = sample("sample.wal")
        cases = [
            # CGCS2000 / 3-degree Gauss-Kruger CM 117E, one of the candidates to name.
            ([no_zone, "--srs", "CGCS2000"], "out.gpkg", ["no zone number", "EPSG:4548"]),
            ([wal, "--srs", "NOT A SYSTEM"], "out.gpkg", ["not a coordinate system"]),
            ([wal, "-f", "KML"], "out.kml", ["longitude/latitude", "--srs"]),
            ([wal, "-f", "GeoJSON"], "out.geojson", ["longitude/latitude"]),
            ([wal, "-f", "KML", "--srs", "CGCS2000"], "out.kml", ["--colors"]),
            ([wal, "--scale", "abc"], "out.gpkg", ["SCALE=abc"]),
            ([wal, "--scale", "-2"], "out.gpkg", ["SCALE=-2"]),
            ([wal, "--offset", "5"], "out.gpkg", ["OFFSET=5"]),
        ]
        for args, name, texts in cases:
            with self.subTest(args=args[1:]):
                out = os.path.join(self.dir, name)
                r = run([IMPORTER] + args + ["-o", out])
                self.assertEqual(r.returncode, 2, r.stderr)
                for text in texts:
                    self.assertIn(text, r.stderr)
                self.assertFalse(os.path.exists(out))


class WithoutSystem(TempDirCase):
    def test_geopackage_layers_are_undefined_cartesian_and_the_summary_names_a_fit(self):
        out = os.path.join(self.dir, "sheet.gpkg")
        inputs = [sample(n) for n in ("sample.wal", "sample.wap")]
        r = run([IMPORTER] + inputs + ["-o", out])
        self.assertEqual(r.returncode, 0, r.stderr)
        with sqlite3.connect(out) as db:
            ids = {row[0] for row in db.execute("SELECT srs_id FROM gpkg_geometry_columns")}
        self.assertEqual(ids, {-1})
        self.assertIn("coordinate system: none assigned; eastings with zone number 39", r.stdout)
        self.assertIn("--srs CGCS2000", r.stdout)

    def test_small_coordinates_are_taken_for_paper(self):
        path = self.write("paper.wal", PAPER_WAL)
        r = run([IMPORTER, path, "-o", os.path.join(self.dir, "paper.gpkg")])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("millimetres of the paper map; --scale", r.stdout)


class LonLatFormats(TempDirCase):
    def test_reprojected_to_wgs84(self):
        # The sample's first vertex, taken to WGS 84 by GDAL itself.
        gk = osr.SpatialReference()
        gk.ImportFromEPSG(4527)
        gk.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        wgs84 = osr.SpatialReference()
        wgs84.ImportFromEPSG(4326)
        wgs84.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
        lon, lat, _ = osr.CoordinateTransformation(gk, wgs84).TransformPoint(39511100.0, 3420050.0)
        # Zone 39 is centred on 117 E; 11.1 km east of it at about 31 N.
        self.assertAlmostEqual(lon, 117.116, places=2)
        for fmt, ext in (("KML", "kml"), ("GeoJSON", "geojson")):
            with self.subTest(fmt=fmt):
                out = os.path.join(self.dir, "lines." + ext)
                r = run([IMPORTER, sample("sample.wal"), "-f", fmt, "-o", out, "--srs", "CGCS2000",
                         "--colors", sample("colors.txt")])
                self.assertEqual(r.returncode, 0, r.stderr)
                x, y = first_points(out)[0]
                self.assertAlmostEqual(x, lon, places=7)
                self.assertAlmostEqual(y, lat, places=7)


class Placement(TempDirCase):
    def test_scale_then_offset(self):
        path = self.write("paper.wal", PAPER_WAL)
        out = os.path.join(self.dir, "ground.gpkg")
        r = run([IMPORTER, path, "-o", out, "--scale", "10", "--offset", "100,-200"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(first_points(out), [(100.0, -200.0), (200.0, -175.0)])
        self.assertIn("coordinates scaled by 10, then shifted by 100,-200", r.stdout)
        ds = gdal.OpenEx(out, gdal.OF_VECTOR)
        self.assertEqual(ds.GetLayer(0).GetExtent(), (100.0, 200.0, -200.0, -175.0))

    def test_driver_extents_follow_the_placement(self):
        # Line files report the pre-read bound, point files the features' envelopes.
        for name in ("sample.wal", "sample.wat"):
            with self.subTest(name=name):
                plain_ds = gdal.OpenEx(sample(name), gdal.OF_VECTOR)
                plain = plain_ds.GetLayer(0).GetExtent(force=1)
                ds = gdal.OpenEx(sample(name), gdal.OF_VECTOR,
                                 open_options=["SCALE=0.5", "OFFSET=-1000,10"])
                placed = ds.GetLayer(0).GetExtent(force=1)
                expected = (plain[0] * 0.5 - 1000, plain[1] * 0.5 - 1000,
                            plain[2] * 0.5 + 10, plain[3] * 0.5 + 10)
                for got, want in zip(placed, expected):
                    self.assertAlmostEqual(got, want, places=6)

    def test_curves_are_placed_point_by_point(self):
        ds = gdal.OpenEx(sample("sample.wat"), gdal.OF_VECTOR, open_options=["SCALE=2"])
        plain = gdal.OpenEx(sample("sample.wat"), gdal.OF_VECTOR)
        checked = 0
        for a, b in zip(plain.GetLayer(0), ds.GetLayer(0)):
            ga, gb = a.GetGeometryRef(), b.GetGeometryRef()
            if ga is None or not ga.HasCurveGeometry():
                continue
            ea, eb = ga.GetEnvelope(), gb.GetEnvelope()
            for got, want in zip(eb, ea):
                self.assertAlmostEqual(got, want * 2, places=4)
            checked += 1
        self.assertGreater(checked, 0)


if __name__ == "__main__":
    unittest.main()
