"""The plugin loaded by QGIS's own plugin loader in headless QGIS: with the driver, and with
the driver hidden (GDAL_DRIVER_PATH pointing elsewhere), each in a process of its own."""
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

from plugin_common import HERE, PLUGINS

ALGORITHMS = ["Convert archive", "Convert sheet", "Write styles for MAPGIS files"]


def package_name():
    """The Debian package's name, as cmake/Packaging.cmake gives it."""
    with open(os.path.join(HERE, "..", "..", "cmake", "Packaging.cmake")) as f:
        return re.search(r"set\(CPACK_PACKAGE_NAME (\S+)\)", f.read()).group(1)


def load(env):
    r = subprocess.run([sys.executable, os.path.join(HERE, "load_plugin.py")], env=env,
                       capture_output=True, text=True, timeout=240, cwd=HERE)
    if r.returncode != 0:
        raise AssertionError(r.stderr)
    return json.loads(r.stdout)


class Load(unittest.TestCase):
    def test_loads_without_errors(self):
        got = load(dict(os.environ))
        self.assertTrue(got["available"] and got["loaded"] and got["started"], got)
        self.assertEqual(got["provider"], "MAPGIS")
        self.assertEqual(got["algorithms"], ALGORITHMS)
        self.assertIn("MAPGIS", got["browser"])
        self.assertEqual(got["metadata"]["hasProcessingProvider"], "yes")
        self.assertEqual(got["metadata"]["qgisMinimumVersion"], "3.22")
        # The help the metadata links to, where the package installs the plugin.
        self.assertEqual(got["metadata"]["homepage"],
                         "file:///usr/share/qgis/python/plugins/mapgis/help/index.html")
        self.assertTrue(os.path.isfile(os.path.join(PLUGINS, "mapgis", "help", "index.html")))
        # Nothing but information logged: no warning, no error, no Python traceback.
        self.assertEqual([m for m in got["log"] if m[2] != 0], [])
        self.assertTrue(got["unloaded"])
        self.assertFalse(got["provider_after_unload"])
        self.assertNotIn("MAPGIS", got["browser_after_unload"])
        self.assertEqual([m for m in got["log_of_unload"] if m[2] != 0], [])

    def test_unloading_cancels_a_sheet_still_opening(self):
        with tempfile.TemporaryDirectory() as folder:
            sheet = os.path.join(folder, "big.wal")
            # Large enough to open in a task (2 MB and more).
            subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "Bench",
                                                         "gen_mapgis.py"), "wal", "--size-mb",
                            "3", "-o", sheet], check=True, capture_output=True)
            got = load(dict(os.environ, MAPGIS_OPEN_BEFORE_UNLOAD=sheet))
        self.assertTrue(got["unloaded"], got)
        self.assertEqual(got["groups_after_unload"], [])
        self.assertEqual([m for m in got["log_of_unload"] if m[2] != 0], [])
        self.assertIn(["MAPGIS", "Opening MAPGIS sheet big: cancelled, nothing added", 0],
                      got["log_of_unload"])

    def test_a_missing_driver_is_said_once_with_the_package_to_install(self):
        with tempfile.TemporaryDirectory() as empty:
            got = load(dict(os.environ, GDAL_DRIVER_PATH=empty))
        self.assertTrue(got["started"], got)
        said = [m for m in got["log"] if m[0] == "MAPGIS"]
        self.assertEqual(len(said), 1, got["log"])
        tag, text, level = said[0]
        self.assertEqual(level, 2)  # critical
        self.assertIn("GDAL driver MAPGIS is not installed", text)
        self.assertIn("Debian package %s " % package_name(), text)
        # What needs the driver is off: no browser open; conversions run mapgis-import alone.
        self.assertNotIn("MAPGIS", got["browser"])
        self.assertEqual(got["algorithms"], ALGORITHMS)


if __name__ == "__main__":
    unittest.main()
