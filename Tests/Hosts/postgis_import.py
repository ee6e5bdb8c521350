"""mapgis-import into a real PostgreSQL + PostGIS server, the throw-away cluster of pg_virtualenv:
tables as in the GeoPackage, their styles for QGIS, re-runs and sheets written in parallel."""
import os
import subprocess
import unittest

from osgeo import gdal

from hosts_common import TempDirCase, layer_counts, needs_qgis, qgis, sample

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

    @needs_qgis
    def test_qgis_draws_the_tables_with_their_styles(self):
        import test_qgis_map
        render_map = qgis()
        self.to_postgis(test_qgis_map.hand_sheet(self) + [sample("sample.wap")], "--colors",
                        sample("colors.txt"))
        layers = render_map.open_postgis_layers(CONNINFO, self.schema, self.tables())
        try:
            self.assertTrue(all(layer.isValid() for layer in layers))
            settings, results, image = render_map.render(layers, self.path("postgis.png"),
                                                         antialias=False)
            self.assertEqual(sorted(label.labelText for label in results.allLabels()),
                             sorted(piece[0] for piece in test_qgis_map.HAND_PIECES))
            test_qgis_map.assert_pixels(self, settings, image)
        finally:
            del layers

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
