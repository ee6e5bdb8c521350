"""mapgis-import into a real PostgreSQL + PostGIS server: the throw-away cluster pg_virtualenv
makes around this script (CTest runs `pg_virtualenv python3 -m unittest postgis_import`).
Tables with their SRID, spatial index and the GeoPackage's field names, the map QGIS draws
from them, re-runs, sheets written in parallel and a server that goes away in the middle."""
import json
import os
import subprocess
import sys
import time
import unittest

from hosts_common import IMPORTER, TempDirCase, layer_counts, run, sample

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
try:
    import render_map
    import test_qgis_map
except ImportError:  # QGIS's Python bindings are not installed
    render_map = None

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "..", "Bench", "gen_mapgis.py")
CONNINFO = " ".join(f"{key}={os.environ.get(var, '')}" for key, var in (
    ("dbname", "PGDATABASE"), ("host", "PGHOST"), ("port", "PGPORT"), ("user", "PGUSER"),
    ("password", "PGPASSWORD")))
CONNECTION = "PG:" + CONNINFO


def psql(sql):
    """The rows of a query, each a tuple of strings."""
    r = subprocess.run(["psql", "-XAtq", "-F", "\t", "-v", "ON_ERROR_STOP=1", "-c", sql],
                       capture_output=True, text=True, check=True)
    return [tuple(line.split("\t")) for line in r.stdout.splitlines()]


def cluster():
    """Version and name of the cluster pg_virtualenv made: the one on its port."""
    r = subprocess.run(["pg_lsclusters", "-h"], capture_output=True, text=True, check=True)
    for line in r.stdout.splitlines():
        version, name, port = line.split()[:3]
        if port == os.environ["PGPORT"]:
            return version, name
    raise AssertionError("no cluster on port " + os.environ["PGPORT"])


def setUpModule():
    if "PGPORT" not in os.environ:
        raise unittest.SkipTest("run through pg_virtualenv, which starts the server")
    psql("CREATE EXTENSION IF NOT EXISTS postgis")


class Postgis(TempDirCase):
    """Each test writes into a schema of its own."""

    def setUp(self):
        super().setUp()
        self.schema = self.id().rsplit(".", 1)[-1].lower()[:40]

    def tearDown(self):
        psql(f"DROP SCHEMA IF EXISTS {self.schema} CASCADE")
        psql(f"DELETE FROM public.layer_styles WHERE f_table_schema = '{self.schema}'")
        super().tearDown()

    def to_postgis(self, inputs, *extra):
        return run([IMPORTER] + inputs + ["-o", CONNECTION, "--schema", self.schema,
                                          "--srs", "EPSG:4527", "-q"] + list(extra))

    def tables(self):
        return sorted(t for (t,) in psql(
            f"SELECT tablename FROM pg_tables WHERE schemaname = '{self.schema}' "
            "AND tablename <> 'mapgis_import_sheets'"))

    def count(self, table):
        return int(psql(f"SELECT count(*) FROM {self.schema}.{table}")[0][0])

    def sheets(self):
        return sorted(s for (s,) in psql(f"SELECT sheet FROM {self.schema}.mapgis_import_sheets"))


class Sheet(Postgis):
    INPUTS = [sample("sample.wal"), sample("sample.wap"), sample("sample.wan")]

    def test_tables_as_in_the_geopackage(self):
        r = self.to_postgis(self.INPUTS, "--colors", sample("colors.txt"))
        self.assertEqual(r.returncode, 0, r.stderr)
        gpkg = os.path.join(self.dir, "sample.gpkg")
        r = run([IMPORTER] + self.INPUTS + ["-o", gpkg, "--srs", "EPSG:4527", "-q",
                                            "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        want = layer_counts(gpkg)
        self.assertEqual(self.tables(), sorted(want))
        self.assertEqual({t: self.count(t) for t in want}, want)

        from osgeo import gdal
        pg = gdal.OpenEx(CONNECTION, gdal.OF_VECTOR, open_options=[f"SCHEMAS={self.schema}"])
        ds = gdal.OpenEx(gpkg, gdal.OF_VECTOR)
        for table in want:
            got_layer, want_layer = pg.GetLayerByName(table), ds.GetLayerByName(table)
            names = [got_layer.GetLayerDefn().GetFieldDefn(i).GetName()
                     for i in range(got_layer.GetLayerDefn().GetFieldCount())]
            self.assertEqual(names, [want_layer.GetLayerDefn().GetFieldDefn(i).GetName() for i in
                                     range(want_layer.GetLayerDefn().GetFieldCount())], table)
            for want_f in want_layer:
                got_f = got_layer.GetFeature(want_f.GetFID())
                self.assertEqual(got_f.GetGeometryRef().ExportToIsoWkt(),
                                 want_f.GetGeometryRef().ExportToIsoWkt(), table)
                self.assertEqual(got_f.items(), want_f.items(), table)
        del pg, ds
        # By hand from the files: zone 39 eastings, the first line red with the colour index.
        self.assertEqual(psql(f"SELECT DISTINCT ST_SRID(geom) FROM {self.schema}.sample_areas"),
                         [("4527",)])
        self.assertEqual(psql(f'SELECT "Color", ST_AsText(ST_StartPoint(ST_GeometryN('
                              f'ST_CurveToLine(geom), 1))) FROM {self.schema}.sample_lines '
                              "WHERE fid = 1"), [("#FF0000", "POINT(39511100 3420050)")])
        indexes = psql(f"SELECT tablename, indexdef FROM pg_indexes WHERE schemaname = "
                       f"'{self.schema}' AND indexdef LIKE '%USING gist (geom)%'")
        self.assertEqual(sorted(t for t, _ in indexes), sorted(want))
        self.assertEqual(self.sheets(), ["sample"])

    def test_rerun_refused_overwrite_replaces_the_sheet_only(self):
        r = self.to_postgis([sample("sample.wal"), sample("sample.wap")])
        self.assertEqual(r.returncode, 0, r.stderr)
        r = self.to_postgis([sample("sample.wan")], "--name", "net")
        self.assertEqual(r.returncode, 0, r.stderr)
        r = self.to_postgis([sample("sample.wal")])
        self.assertEqual(r.returncode, 4)
        self.assertIn(f"{self.schema}.sample_lines exists; use --overwrite", r.stderr)
        self.assertEqual(self.count("sample_lines"), 30)
        # The sheet again with the lines only: its areas go, the other sheet stays.
        r = self.to_postgis([sample("sample.wal")], "--overwrite")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.tables(), ["net_network", "net_nodes", "sample_lines"])
        self.assertEqual(self.count("sample_lines"), 30)
        self.assertEqual(self.sheets(), ["net", "sample"])
        styled = psql("SELECT f_table_name FROM public.layer_styles WHERE f_table_schema = "
                      f"'{self.schema}' ORDER BY 1")
        self.assertEqual(styled, [("net_network",), ("net_nodes",), ("sample_lines",)])

    def test_names_postgresql_keeps_unquoted(self):
        # Lower case, "_" for what is not a letter or digit; Chinese letters stay.
        r = self.to_postgis([sample("sample.wal")], "--name", "Sheet 7-北")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.tables(), ["sheet_7_北_lines"])
        self.assertEqual(self.count("sheet_7_北_lines"), 30)  # unquoted
        # A name cannot start with a digit unquoted: sheet 1 gets _1_lines.
        r = self.to_postgis([sample("sample.wal")], "--name", "1")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("_1_lines", self.tables())

    def test_output_and_format_must_agree(self):
        r = run([IMPORTER, sample("sample.wal"), "-f", "PostgreSQL", "-o", "out.gpkg"])
        self.assertEqual(r.returncode, 2)
        r = run([IMPORTER, sample("sample.wal"), "-o", CONNECTION, "--schema", "Bad-Name"])
        self.assertEqual(r.returncode, 2)
        self.assertIn("--schema", r.stderr)


@unittest.skipIf(render_map is None, "QGIS's Python bindings are not installed")
class Map(Postgis):
    def test_qgis_draws_the_tables_with_their_styles(self):
        wat = os.path.join(self.dir, "hand.wat")
        with open(wat, "wb") as f:
            f.write(("WMAPGIS point file\n%d\n" % len(test_qgis_map.HAND_WAT) +
                     "\n".join(test_qgis_map.HAND_WAT) + "\n").encode("gbk"))
        wal = self.write("hand.wal", test_qgis_map.HAND_WAL)
        r = self.to_postgis([wat, wal, sample("sample.wap")], "--colors", sample("colors.txt"))
        self.assertEqual(r.returncode, 0, r.stderr)
        layers = render_map.open_postgis_layers(CONNINFO, self.schema, self.tables())
        try:
            self.assertTrue(all(layer.isValid() for layer in layers))
            settings, results, image = render_map.render(layers, os.path.join(
                self.dir, "postgis.png"), antialias=False)
            self.assertEqual(sorted(label.labelText for label in results.allLabels()),
                             sorted(piece[0] for piece in test_qgis_map.HAND_PIECES))
            to_pixel = settings.mapToPixel()
            for (x, y), colour, what in test_qgis_map.PIXELS:
                got = test_qgis_map.rgb(image, to_pixel.transform(
                    test_qgis_map.QgsPointXY(x, y)))
                self.assertLess(max(abs(a - b) for a, b in zip(got, colour)), 32, (what, got))
        finally:
            del layers


class Archive(Postgis):
    def make_archive(self, sheets, size_mb=None):
        root = os.path.join(self.dir, "archive")
        for i in range(sheets):
            folder = os.path.join(root, f"f{i % 3}")
            os.makedirs(folder, exist_ok=True)
            wal = os.path.join(folder, f"s{i}.wal")
            if size_mb:
                subprocess.run([sys.executable, GENERATOR, "wal", "--size-mb", str(size_mb),
                                "--seed", str(i), "-o", wal], check=True, capture_output=True)
            else:
                for ext in ("wal", "wap"):
                    os.link(sample("sample." + ext), wal[:-3] + ext)
        return root

    def test_sheets_in_parallel_then_resumed(self):
        root = self.make_archive(6)
        r = run([IMPORTER, root, "-r", "-j", "2", "-o", CONNECTION, "--schema", self.schema,
                 "--srs", "EPSG:4527", "-q"])
        self.assertEqual(r.returncode, 0, r.stderr)
        want = [f"f{i % 3}_s{i}" for i in range(6)]
        self.assertEqual(self.sheets(), sorted(want))
        self.assertEqual(self.tables(), sorted(f"{s}_{k}" for s in want for k in ("areas", "lines")))
        self.assertEqual({self.count(f"{s}_lines") for s in want}, {30})
        r = run([IMPORTER, root, "-r", "-o", CONNECTION, "--schema", self.schema, "--resume"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("6 sheets: 0 written, 6 skipped", r.stdout)

    def test_a_server_that_goes_away(self):
        root = self.make_archive(8, size_mb=2)
        report = os.path.join(self.dir, "report.json")
        args = [IMPORTER, root, "-r", "-j", "2", "-o", CONNECTION, "--schema", self.schema,
                "--srs", "EPSG:4526", "-q", "--report", report]
        with subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True) as importer:
            deadline = time.monotonic() + 120
            while time.monotonic() < deadline and importer.poll() is None:
                try:
                    if self.sheets():
                        break
                except subprocess.CalledProcessError:  # the schema is not there yet
                    pass
                time.sleep(0.05)
            version, name = cluster()
            subprocess.run(["pg_ctlcluster", version, name, "stop", "-m", "immediate"],
                           check=True)
            _, stderr = importer.communicate(timeout=120)
        subprocess.run(["pg_ctlcluster", version, name, "start"], check=True)
        self.assertEqual(importer.returncode, 5, stderr)
        with open(report, encoding="utf-8") as f:
            lines = [json.loads(line) for line in f]
        done = {line["sheet"].replace("/", "_"): line for line in lines if line["status"] == 0}
        failed = [line for line in lines if line["status"] != 0]
        self.assertTrue(done and failed, lines)
        for line in failed:
            self.assertRegex(line["error"], "server|connect", line)
        # What the report calls done is complete; nothing else is marked imported.
        self.assertEqual(self.sheets(), sorted(done))
        for sheet, line in done.items():
            self.assertEqual(self.count(f"{sheet}_lines"), line["written"], sheet)

        r = run(args[:-2] + ["--resume"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(self.sheets()), 8)
        self.assertEqual(len(self.tables()), 8)  # no partial table left behind


if __name__ == "__main__":
    unittest.main()
