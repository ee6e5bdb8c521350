"""Convert archive into a real PostgreSQL + PostGIS server (pg_virtualenv's throw-away
cluster) through a connection saved in QGIS: the tables and counts of a direct mapgis-import
run, and the password never on the command line."""
import os
import subprocess
import unittest

from plugin_common import TempDirCase, run_importer
from processing_common import provider, run

CONNINFO = " ".join("%s=%s" % (key, os.environ.get(var, "")) for key, var in (
    ("dbname", "PGDATABASE"), ("host", "PGHOST"), ("port", "PGPORT"), ("user", "PGUSER")))


def psql(sql):
    r = subprocess.run(["psql", "-XAtq", "-F", "\t", "-v", "ON_ERROR_STOP=1", "-c", sql],
                       capture_output=True, text=True, check=True)
    return [tuple(line.split("\t")) for line in r.stdout.splitlines()]


def setUpModule():
    if "PGPORT" not in os.environ:
        raise unittest.SkipTest("run through pg_virtualenv, which starts the server")
    psql("CREATE EXTENSION IF NOT EXISTS postgis")


def counts(schema):
    tables = [t for (t,) in psql("SELECT tablename FROM pg_tables WHERE schemaname = '%s' AND "
                                 "tablename <> 'mapgis_import_sheets'" % schema)]
    return {t: int(psql("SELECT count(*) FROM %s.%s" % (schema, t))[0][0]) for t in tables}


class Postgis(TempDirCase):
    @classmethod
    def setUpClass(cls):
        provider()
        from qgis.core import QgsProviderRegistry
        metadata = QgsProviderRegistry.instance().providerMetadata("postgres")
        password = os.environ.get("PGPASSWORD", "")
        connection = metadata.createConnection(CONNINFO + " password='%s'" % password,
                                               {"saveUsername": True, "savePassword": True})
        metadata.saveConnection(connection, "survey server")

    def tearDown(self):
        for schema in ("plugin", "direct"):
            psql("DROP SCHEMA IF EXISTS %s CASCADE" % schema)
        super().tearDown()

    def test_an_archive_into_a_saved_connection(self):
        for folder in ("a", "b"):
            self.copy_samples(os.path.join("archive", folder), ("sample.wal", "sample.wap"))
        archive = self.path("archive")
        direct = [archive, "-r", "-o", "PG:" + CONNINFO, "--schema", "direct", "--srs",
                  "CGCS2000", "-q"]
        # The password comes from the saved connection alone: without PGPASSWORD the server
        # refuses mapgis-import.
        password = os.environ.pop("PGPASSWORD")
        try:
            self.assertNotEqual(run_importer(*direct).returncode, 0)
            results, _ = run("mapgis:convertarchive", {
                "INPUT": archive, "TARGET": 2, "CONNECTION": "survey server",
                "SCHEMA": "plugin", "DATUM": 3, "JOBS": 2})
        finally:
            os.environ["PGPASSWORD"] = password
        self.assertEqual(results["OUTPUT"], "survey server")
        r = run_importer(*direct)
        self.assertEqual(r.returncode, 0, r.stderr)
        got = counts("plugin")
        self.assertEqual(got, counts("direct"))
        # Two sheets of the sample's 30 lines and 3 areas, named by their paths (README,
        # PostGIS).
        self.assertEqual(got, {"a_sample_lines": 30, "a_sample_areas": 3,
                               "b_sample_lines": 30, "b_sample_areas": 3})
        self.assertEqual(sorted(p for (p,) in psql("SELECT path FROM plugin.mapgis_import_sheets")),
                         ["a/sample", "b/sample"])

    def test_the_password_stays_off_the_command_line(self):
        from mapgis.alg_archive import postgis_target
        conninfo, password = postgis_target("survey server")
        self.assertEqual(password, os.environ.get("PGPASSWORD", ""))
        self.assertTrue(password)
        self.assertNotIn("password", conninfo)
        self.assertTrue(conninfo.startswith("PG:"))


if __name__ == "__main__":
    unittest.main()
