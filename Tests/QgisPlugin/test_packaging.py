"""The plugin as users get it: installed by the build's install rules (what the Debian
package holds, under /usr/share/qgis/python/plugins) and from the ZIP; both load in QGIS."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

from plugin_common import HERE, SOURCE_PLUGINS

BUILD = os.environ.get("MAPGIS_BUILD_DIR", "")
ZIP = os.environ.get("MAPGIS_QGIS_PLUGIN_ZIP", "")


def source_files():
    """The plugin's files, relative to Plugins/qgis, without Python's caches."""
    found = []
    for root, dirs, files in os.walk(os.path.join(SOURCE_PLUGINS, "mapgis")):
        dirs[:] = [d for d in dirs if d != "__pycache__"]
        found += [os.path.relpath(os.path.join(root, f), SOURCE_PLUGINS) for f in files
                  if not f.endswith(".pyc")]
    return sorted(found)


def load_from(folder):
    r = subprocess.run([sys.executable, os.path.join(HERE, "load_plugin.py")],
                       env=dict(os.environ, MAPGIS_QGIS_PLUGINS=folder), cwd=HERE,
                       capture_output=True, text=True, timeout=240)
    if r.returncode != 0:
        raise AssertionError(r.stderr)
    import json
    return json.loads(r.stdout)


class Packaging(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def assert_loads_from(self, folder):
        got = load_from(folder)
        self.assertTrue(got["started"], got)
        self.assertEqual(got["module"], os.path.join(folder, "mapgis", "__init__.py"))
        self.assertEqual(got["provider"], "MAPGIS")
        self.assertEqual([m for m in got["log"] if m[2] != 0], [])

    def test_installed_where_debians_qgis_finds_system_plugins(self):
        prefix = os.path.join(self.dir.name, "usr")
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix],
                           capture_output=True, text=True, timeout=240)
        self.assertEqual(r.returncode, 0, r.stderr)
        plugins = os.path.join(prefix, "share", "qgis", "python", "plugins")
        installed = []
        for root, _, files in os.walk(os.path.join(plugins, "mapgis")):
            installed += [os.path.relpath(os.path.join(root, f), plugins) for f in files]
        self.assertEqual(sorted(installed), source_files())
        self.assert_loads_from(plugins)

    def test_the_zip_installs_from_zip(self):
        with zipfile.ZipFile(ZIP) as archive:
            self.assertEqual(sorted(archive.namelist()), source_files())
            # Install from ZIP unpacks into the profile's plugin folder.
            archive.extractall(self.dir.name)
        self.assert_loads_from(self.dir.name)

    def test_every_python_file_says_its_licence(self):
        with open(os.path.join(SOURCE_PLUGINS, "mapgis", "metadata.txt")) as f:
            self.assertIn("license=GPL-2.0-or-later\n", f.read())
        for name in source_files():
            if name.endswith(".py"):
                with self.subTest(name), open(os.path.join(SOURCE_PLUGINS, name)) as f:
                    self.assertEqual(f.readline(), "# SPDX-License-Identifier: GPL-2.0-or-later\n")

    def test_the_versions_agree(self):
        with open(os.path.join(HERE, "..", "..", "CMakeLists.txt")) as f:
            project = next(l for l in f if l.startswith("project("))
        with open(os.path.join(SOURCE_PLUGINS, "mapgis", "metadata.txt")) as f:
            version = next(l for l in f if l.startswith("version=")).strip().split("=")[1]
        self.assertIn(" VERSION %s " % version, project)
        self.assertTrue(ZIP.endswith("mapgis-qgis-plugin-%s.zip" % version), ZIP)


if __name__ == "__main__":
    unittest.main()
