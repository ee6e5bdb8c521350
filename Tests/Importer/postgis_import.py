"""mapgis-import into a real PostgreSQL + PostGIS server, the throw-away cluster of pg_virtualenv:
tables as in the GeoPackage, drawn by QGIS with their styles as the GeoPackage is, re-runs
and sheets written in parallel;
passwords kept off command lines and out of messages, sheets whose names meet, two runs into
one schema at once, an interrupt, and the server stopped in the middle of an archive."""
import json
import os
import signal
import subprocess
import time
import unittest
import urllib.parse

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, layer_counts, needs_qgis, sample
from test_archives import heavy_sheet
from test_same_map import SRS, SameMapCase

CONNINFO = " ".join(f"{key}={os.environ.get(var, '')}" for key, var in (
    ("dbname", "PGDATABASE"), ("host", "PGHOST"), ("port", "PGPORT"), ("user", "PGUSER"),
    ("password", "PGPASSWORD")))
CONNECTION = "PG:" + CONNINFO
SHEET = [sample("sample.wal"), sample("sample.wap"), sample("sample.wan")]


def psql(sql):
    """The rows of a query, each a tuple of strings."""
    r = subprocess.run(["psql", "-XAtq", "-F", "\t", "-v", "ON_ERROR_STOP=1", "-c", sql],
                       capture_output=True, text=True, check=True)
    return [tuple(line.split("\t")) for line in r.stdout.splitlines()]


def make_archive(root, sheets, heavy=0):
    """Sheets "folder/title" of the line and area samples (heavy: of that many lines)."""
    for sheet in sheets:
        os.makedirs(os.path.join(root, os.path.dirname(sheet)), exist_ok=True)
        if heavy:
            heavy_sheet(os.path.join(root, sheet + ".wal"), heavy)
            continue
        for ext in ("wal", "wap"):
            os.link(sample("sample." + ext), os.path.join(root, sheet + "." + ext))


def setUpModule():
    if "PGPORT" not in os.environ:
        raise unittest.SkipTest("run through pg_virtualenv, which starts the server")
    psql("CREATE EXTENSION IF NOT EXISTS postgis")


class Postgis(TempDirCase):
    def setUp(self):
        super().setUp()
        self.schema = self.id().rsplit(".", 1)[-1].lower()[:40]

    def tearDown(self):
        psql(f"DROP SCHEMA IF EXISTS {self.schema} CASCADE")
        psql(f"DELETE FROM public.layer_styles WHERE f_table_schema = '{self.schema}'")
        super().tearDown()

    def to_postgis(self, inputs, *extra, status=0):
        return self.importer(*inputs, "-o", CONNECTION, "--schema", self.schema, "--srs",
                             "EPSG:4527", "-q", *extra, status=status)

    def query(self, sql):
        """A query's rows with {s} the schema."""
        return psql(sql.format(s=self.schema))

    def tables(self):
        return sorted(t for (t,) in self.query(
            "SELECT tablename FROM pg_tables WHERE schemaname = '{s}' "
            "AND tablename <> 'mapgis_import_sheets'"))

    def count(self, table):
        return int(self.query(f"SELECT count(*) FROM {{s}}.{table}")[0][0])

    def sheets(self):
        return sorted(s for (s,) in self.query("SELECT sheet FROM {s}.mapgis_import_sheets"))

    def test_tables_as_in_the_geopackage(self):
        self.to_postgis(SHEET, "--colors", sample("colors.txt"))
        gpkg = self.path("sample.gpkg")
        self.importer(*SHEET, "-o", gpkg, "--srs", "EPSG:4527", "-q", "--colors",
                      sample("colors.txt"))
        want = layer_counts(gpkg)
        self.assertEqual(self.tables(), sorted(want))
        pg = gdal.OpenEx(CONNECTION, gdal.OF_VECTOR, open_options=[f"SCHEMAS={self.schema}"])
        ds = gdal.OpenEx(gpkg, gdal.OF_VECTOR)
        for table in want:
            got_layer = pg.GetLayerByName(table)
            self.assertEqual(got_layer.GetFeatureCount(), want[table], table)
            for want_f in ds.GetLayerByName(table):
                got_f = got_layer.GetFeature(want_f.GetFID())
                self.assertEqual(got_f.GetGeometryRef().ExportToIsoWkt(),
                                 want_f.GetGeometryRef().ExportToIsoWkt(), table)
                self.assertEqual(list(got_f.items().items()), list(want_f.items().items()), table)
        del pg, ds
        self.assertEqual(self.query("SELECT DISTINCT ST_SRID(geom) FROM {s}.sample_areas"),
                         [("4527",)])
        indexes = self.query("SELECT tablename FROM pg_indexes WHERE schemaname = '{s}' "
                             "AND indexdef LIKE '%USING gist (geom)%'")
        self.assertEqual(sorted(t for (t,) in indexes), sorted(want))
        self.assertEqual(self.sheets(), ["sample"])

    def test_rerun_refused_overwrite_replaces_the_sheet_only(self):
        self.to_postgis(SHEET[:2])
        self.to_postgis(SHEET[2:], "--name", "net")
        r = self.to_postgis(SHEET[:1], status=4)
        self.assertIn(f"{self.schema}.sample_lines exists; use --overwrite", r.stderr)
        # The sheet again with the lines only: its areas go, the other sheet stays.
        self.to_postgis(SHEET[:1], "--overwrite")
        self.assertEqual(self.tables(), ["net_network", "net_nodes", "sample_lines"])
        self.assertEqual(self.count("sample_lines"), 30)
        self.assertEqual(self.sheets(), ["net", "sample"])
        # What QGIS looks a table's default style up by.
        self.assertEqual(self.query("SELECT f_table_name, f_geometry_column, useasdefault FROM "
                                    "public.layer_styles WHERE f_table_catalog = "
                                    "current_database() AND f_table_schema = '{s}' ORDER BY 1"),
                         [(t, "geom", "t") for t in ("net_network", "net_nodes", "sample_lines")])

    def test_names_postgresql_keeps_unquoted(self):
        # Lower case, "_" for what is not a letter or digit, Chinese letters kept; a name
        # cannot start with a digit unquoted.
        for name, table in (("Sheet 7-北", "sheet_7_北_lines"), ("1", "_1_lines")):
            self.to_postgis(SHEET[:1], "--name", name)
            self.assertIn(table, self.tables())
            self.assertEqual(self.count(table), 30)  # unquoted
        r = self.importer(SHEET[0], "-o", CONNECTION, "--schema", "Bad-Name", status=2)
        self.assertIn("--schema", r.stderr)

    def test_sheets_in_parallel_then_resumed(self):
        root = self.path("archive")
        for i in range(6):
            os.makedirs(os.path.join(root, f"f{i % 3}"), exist_ok=True)
            for ext in ("wal", "wap"):
                os.link(sample("sample." + ext), os.path.join(root, f"f{i % 3}", f"s{i}.{ext}"))
        self.to_postgis([root, "-r", "-j", "2"])
        want = [f"f{i % 3}_s{i}" for i in range(6)]
        self.assertEqual(self.sheets(), sorted(want))
        self.assertEqual(self.tables(),
                         sorted(f"{s}_{k}" for s in want for k in ("areas", "lines")))
        self.assertEqual({self.count(f"{s}_lines") for s in want}, {30})
        r = self.importer(root, "-r", "-o", CONNECTION, "--schema", self.schema, "--resume")
        self.assertIn("6 sheets: 0 written, 6 skipped", r.stdout)

    def snapshot(self, schema, times=False):
        """What an import left in a schema: its recorded sheets (with their times or not),
        its tables, each with its row count and a digest of its rows in any order, and their
        styles."""
        times_sql = ", imported_at::text" if times else ""
        sheets = psql(f"SELECT sheet, path, array_to_string(tables, ','), "
                      f"array_to_string(inputs, ','){times_sql} FROM "
                      f"{schema}.mapgis_import_sheets ORDER BY sheet")
        tables = [t for (t,) in psql(f"SELECT tablename FROM pg_tables WHERE schemaname = "
                                     f"'{schema}' AND tablename <> 'mapgis_import_sheets' "
                                     f"ORDER BY 1")]
        rows = {t: psql(f"SELECT count(*), md5(string_agg(r::text, '|' ORDER BY r::text)) "
                        f"FROM {schema}.{t} r")[0] for t in tables}
        styles = psql(f"SELECT f_table_name, stylename, md5(styleqml::text) FROM "
                      f"public.layer_styles WHERE f_table_schema = '{schema}' ORDER BY 1, 2")
        return {"sheets": sheets, "tables": tables, "rows": rows, "styles": styles}

    def test_shares_over_gnu_parallel_equal_one_run(self):
        root = self.path("archive")
        # x-y/t01 and x_y/t01 meet as x_y_t01 and fall in different shares of two.
        sheets = [f"f{i % 3}/s{i}" for i in range(8)] + ["x-y/t01", "x_y/t01"]
        make_archive(root, sheets)
        whole = "shares_whole"
        self.addCleanup(psql, f"DELETE FROM public.layer_styles WHERE f_table_schema = "
                              f"'{whole}'")
        self.addCleanup(psql, f"DROP SCHEMA IF EXISTS {whole} CASCADE")
        self.importer(root, "-r", "-o", CONNECTION, "--schema", whole, "-q")
        command = [IMPORTER, root, "-r", "-o", CONNECTION, "--schema", self.schema, "-q",
                   "--shard", "{}/2", "--report", self.path("report-{}.json")]
        r = subprocess.run(["parallel", "--will-cite", "-j", "2", "--halt", "never", "-q",
                            *command, ":::", "1", "2"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        got, want = self.snapshot(self.schema), self.snapshot(whole)
        self.assertEqual(len(want["sheets"]), 10)
        self.assertEqual(len(want["tables"]), 20)
        self.assertEqual({n for n, _ in want["rows"].values()}, {"30", "3"})
        self.assertEqual(got, want)
        shares = [{row["sheet"] for row in self.report(self.path(f"report-{k}.json"))}
                  for k in (1, 2)]
        self.assertEqual(shares[0] | shares[1], set(sheets))
        self.assertEqual(shares[0] & shares[1], set())
        # A share again with --resume: every sheet of it skipped, nothing changed.
        before = self.snapshot(self.schema, times=True)
        for _ in range(2):
            r = self.importer(root, "-r", "-o", CONNECTION, "--schema", self.schema,
                              "--shard", "1/2", "--resume")
            n = len(shares[0])
            self.assertIn(f"{n} sheets of share 1/2: 0 written, {n} skipped", r.stdout)
            self.assertEqual(self.snapshot(self.schema, times=True), before)

    def start(self, root, *extra, connection=CONNECTION, quiet=True):
        return subprocess.Popen([IMPORTER, root, "-r", "-o", connection, "--schema",
                                 self.schema, *(["-q"] if quiet else []), *extra],
                                start_new_session=True,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def recorded(self):
        """The recorded sheets: name -> (path, inputs)."""
        return {sheet: (path, inputs) for sheet, path, inputs in self.query(
            "SELECT sheet, path, array_to_string(inputs, ',') FROM {s}.mapgis_import_sheets")}

    def sheets_so_far(self):
        """The recorded sheets, none while the schema is still to be made."""
        try:
            return self.sheets()
        except subprocess.CalledProcessError:
            return []

    def partial_tables(self):
        return [t for t in self.tables() if t.endswith("__partial")]

    def test_no_password_on_any_command_line_nor_in_messages_reports_rows(self):
        # A role whose password has a quote and a space, given in every form libpq reads.
        secret = "x'se cret9"
        psql("DROP ROLE IF EXISTS mapgis_secret")
        psql("CREATE ROLE mapgis_secret LOGIN SUPERUSER PASSWORD 'x''se cret9'")
        self.addCleanup(psql, "DROP ROLE IF EXISTS mapgis_secret")
        base = CONNINFO.split(" password=")[0].replace("user=postgres", "user=mapgis_secret")
        uri = (f"postgresql://mapgis_secret:{urllib.parse.quote(secret, safe='')}@"
               f"{os.environ['PGHOST']}:{os.environ['PGPORT']}/{os.environ['PGDATABASE']}")
        forms = {"keyword": f"PG:{base} password='x\\'se cret9'",
                 "spaced": f"PG:{base} password = 'x\\'se cret9'",
                 "uri": f"PG:{uri}"}
        root = self.path("archive")
        make_archive(root, [f"f{i}/s{i}" for i in range(4)], heavy=60000)
        self.write("archive/f9/broken.wal", "not an exchange file\n")
        for form, connection in forms.items():
            with self.subTest(form=form):
                psql(f"DROP SCHEMA IF EXISTS {self.schema} CASCADE")
                report = self.path(f"report-{form}.json")
                proc = self.start(root, "-j", "2", "--report", report, "--overwrite",
                                  connection=connection, quiet=False)
                # Polled once the parent runs (its own command line is the user's until it
                # starts and hides the password), while its own workers run: other tests
                # running beside this one have workers too.
                seen, workers = [], 0
                while proc.poll() is None:
                    rows = subprocess.run(["ps", "-eo", "ppid=,args="], capture_output=True,
                                          text=True).stdout.splitlines()
                    procs = [(row.split(None, 1) + [""])[:2] for row in rows if row.strip()]
                    running = sum(ppid == str(proc.pid) and "--output-from-environment" in args
                                  for ppid, args in procs)
                    workers += running
                    if running:
                        seen += [args for _, args in procs
                                 if "se cret" in args or "se%20cret" in args]
                    time.sleep(0.01)
                out, err = proc.communicate()
                self.assertGreater(workers, 0, "no worker was seen running")
                self.assertEqual(seen, [])
                self.assertEqual(proc.returncode, 5, err)  # the broken sheet
                self.assertIn("broken.wal", err)
                with open(report, encoding="utf-8") as f:
                    text = f.read()
                rows = [json.loads(line) for line in text.splitlines()]
                self.assertEqual(sorted(r["status"] for r in rows), [0, 0, 0, 0, 3])
                rows_text = json.dumps(self.query("SELECT * FROM {s}.mapgis_import_sheets"))
                for where, what in (("stdout", out), ("stderr", err), ("report", text),
                                    ("rows", rows_text)):
                    self.assertNotIn("se cret", what, where)
                    self.assertNotIn("se%20cret", what, where)
                self.assertIn("***", rows[0]["output"])

    def test_sheets_whose_names_meet_and_sheets_of_other_machines(self):
        root = self.path("archive")
        make_archive(root, ["x-y/t01", "x_y/t01"])
        self.to_postgis([root, "-r", "-j", "2"])
        # Both launder to x_y_t01: each gets six digits of a hash of its path.
        names = sorted(self.recorded())
        self.assertEqual(len(names), 2)
        for name in names:
            self.assertRegex(name, r"^x_y_t01_[0-9a-f]{6}$")
        self.assertEqual(sorted(p for p, _ in self.recorded().values()), ["x-y/t01", "x_y/t01"])
        r = self.importer(root, "-r", "-o", CONNECTION, "--schema", self.schema, "--resume")
        self.assertIn("2 sheets: 0 written, 2 skipped", r.stdout)
        # Two machines, each with its own folder as the root: both call their sheet t01.
        for machine in ("a", "b"):
            make_archive(self.path(machine), ["t01"])
        self.to_postgis([self.path("a"), "-r"])
        before = self.recorded()["t01"]
        for extra in ((), ("--overwrite",), ("--resume",)):
            with self.subTest(extra=extra):
                r = self.importer(self.path("b"), "-r", "-o", CONNECTION, "--schema",
                                  self.schema, *extra, status=5)
                self.assertIn("sheet t01 failed: its tables " + self.schema + ".t01_* hold "
                              "another sheet, t01 (" + os.path.join(self.path("a"), "t01.wal"),
                              r.stderr)
                self.assertIn("even with --overwrite", r.stderr)
                self.assertEqual(self.recorded()["t01"], before)
        # One archive root for both, each machine its folder below it: the paths differ.
        for machine in ("a", "b"):
            self.to_postgis([self.path(machine), "-r", "--root", self.dir])
        self.assertEqual(self.recorded()["a_t01"][0], "a/t01")
        self.assertEqual(self.recorded()["b_t01"][0], "b/t01")
        self.assertEqual(self.count("b_t01_lines"), 30)

    def test_a_sheet_from_other_inputs_is_replaced_only_with_overwrite(self):
        root = self.path("archive")
        os.makedirs(os.path.join(root, "f"))
        os.link(sample("sample.wal"), os.path.join(root, "f", "t.wal"))
        self.to_postgis([root, "-r"])
        os.link(sample("sample.wap"), os.path.join(root, "f", "t.wap"))
        r = self.importer(root, "-r", "-o", CONNECTION, "--schema", self.schema, "--resume",
                          status=5)
        self.assertIn("sheet f/t failed: its tables " + self.schema + ".f_t_* hold this sheet "
                      "from other inputs (" + os.path.join(root, "f", "t.wal") + "), imported at ",
                      r.stderr)
        self.assertIn("--overwrite replaces it", r.stderr)
        self.assertEqual(self.tables(), ["f_t_lines"])
        self.to_postgis([root, "-r", "--resume", "--overwrite"])
        self.assertEqual(self.tables(), ["f_t_areas", "f_t_lines"])
        self.assertEqual(self.recorded()["f_t"][1], ",".join(
            os.path.join(root, "f", "t." + ext) for ext in ("wal", "wap")))

    def test_two_resumed_runs_into_one_new_schema_at_once(self):
        root = self.path("archive")
        sheets = [f"f{i % 3}/s{i}" for i in range(8)]
        make_archive(root, sheets)
        procs = [self.start(root, "-j", "2", "--resume") for _ in range(2)]
        outs = [proc.communicate(timeout=200) for proc in procs]
        for proc, (_, err) in zip(procs, outs):
            self.assertEqual(proc.returncode, 0, err)
            self.assertNotIn("duplicate key", err)
        # Quiet runs: the recorded sheets and tables say that each sheet went in once.
        self.assertEqual(sorted(self.recorded()), sorted(s.replace("/", "_") for s in sheets))
        self.assertEqual(len(self.tables()), 16)
        self.assertEqual({self.count(s.replace("/", "_") + "_lines") for s in sheets}, {30})

    def test_interrupted_by_the_terminal_leaves_no_partial_table(self):
        root = self.path("archive")
        # Enough sheets that the archive outlasts the polling below on a fast machine.
        names = [f"f{i}/s" for i in range(12)]
        make_archive(root, names, heavy=100000)
        report = self.path("report.json")
        proc = self.start(root, "-j", "2", "--report", report)
        deadline = time.monotonic() + 120
        while (not self.query("SELECT 1 FROM pg_tables WHERE schemaname = '{s}' AND "
                              "tablename LIKE '%\\_\\_partial'")
               or not self.sheets_so_far()) and proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertIsNone(proc.poll(), "the archive ended before the signal")
        os.killpg(proc.pid, signal.SIGINT)  # as Ctrl-C does
        _, err = proc.communicate(timeout=120)
        self.assertEqual(proc.returncode, 130, err)
        self.assertEqual(self.partial_tables(), [])
        with open(report, encoding="utf-8") as f:
            rows = [json.loads(line) for line in f]
        done = sorted(r["sheet"].replace("/", "_") for r in rows if r["status"] == 0)
        self.assertEqual(done, self.sheets())
        self.assertEqual(len(rows), len(names))
        for sheet in done:
            self.assertEqual(self.count(sheet + "_lines"), 100000)

    def test_server_stopped_in_the_middle_then_resumed(self):
        cluster = [os.environ.get("PGVERSION", "15"), "regress"]
        root = self.path("archive")
        make_archive(root, [f"f{i}/s" for i in range(8)], heavy=60000)
        report = self.path("report.json")
        proc = self.start(root, "-j", "1", "--report", report, "--srs", "EPSG:4527")
        deadline = time.monotonic() + 120
        while len(self.sheets_so_far()) < 2 and proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertIsNone(proc.poll(), "the archive ended before the server stopped")
        subprocess.run(["pg_ctlcluster", *cluster, "stop", "-m", "immediate"], check=True)
        try:
            _, err = proc.communicate(timeout=120)
        finally:
            subprocess.run(["pg_ctlcluster", *cluster, "start"], check=True)
        self.assertEqual(proc.returncode, 5, err)
        with open(report, encoding="utf-8") as f:
            rows = [json.loads(line) for line in f]
        done = sorted(r["sheet"].replace("/", "_") for r in rows if r["status"] == 0)
        failed = [r for r in rows if r["status"] != 0]
        self.assertGreaterEqual(len(done), 2)
        self.assertTrue(failed)
        self.assertEqual(done, self.sheets())  # the failed ones are not recorded
        for sheet in done:
            self.assertEqual(self.count(sheet + "_lines"), 60000)
        for row in failed:
            self.assertRegex(row["error"], "server|connect|terminat", row)
        r = self.importer(root, "-r", "-o", CONNECTION, "--schema", self.schema, "--resume",
                          "--srs", "EPSG:4527")
        self.assertIn(f"8 sheets: {len(failed)} written, {len(done)} skipped", r.stdout)
        self.assertEqual(self.partial_tables(), [])
        self.assertEqual(len(self.sheets()), 8)


@needs_qgis
class PostgisSameMap(SameMapCase):
    """The tables draw in QGIS, with the styles QGIS finds in layer_styles, as the sheet's
    GeoPackage does."""

    def tearDown(self):
        psql("DROP SCHEMA IF EXISTS same_map CASCADE")
        psql("DELETE FROM public.layer_styles WHERE f_table_schema = 'same_map'")
        super().tearDown()

    def test_the_tables_draw_the_geopackages_map(self):
        sheet, extent = self.reference()
        self.importer(*self.inputs, "-o", CONNECTION, "--schema", "same_map", "--srs", SRS,
                      "--colors", sample("colors.txt"), "-q")
        tables = [t for (t,) in psql("SELECT tablename FROM pg_tables WHERE schemaname = "
                                     "'same_map' AND tablename <> 'mapgis_import_sheets'")]
        layers = self.keep(self.render_map.open_postgis_layers(CONNINFO, "same_map", tables))
        self.assert_same(sheet, self.draw(layers, SRS, extent, "postgis"), "PostGIS")
