"""Shared helpers of the QGIS plugin's tests: QGIS started headless once, the plugin's folder
on the path, the built driver and mapgis-import, the samples."""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_PLUGINS = os.path.join(HERE, "..", "..", "Plugins", "qgis")
# The folder the plugin is loaded from: the source's, or an installed copy's.
PLUGINS = os.environ.get("MAPGIS_QGIS_PLUGINS", SOURCE_PLUGINS)
sys.path.insert(0, PLUGINS)
SAMPLES = os.environ.get("MAPGIS_SAMPLES", "")
IMPORTER = os.environ.get("MAPGIS_IMPORT", "")
SHEET_FILES = ("sample.wat", "sample.wal", "sample.wap", "sample.wan")

_app = None
LOG = []  # (tag, text, level) of every message QGIS logged


def qgis_app():
    """QGIS with its GUI library (the drop handler and browser are part of it), started once
    per process, its messages collected in LOG; Processing ready."""
    global _app
    if _app is None:
        from qgis.core import QgsApplication
        # A profile of its own: the tests' settings and saved connections stay out of the
        # user's QGIS.
        profile = tempfile.mkdtemp(prefix="mapgis-qgis-profile-")
        atexit.register(shutil.rmtree, profile, True)
        # QGIS 3.40 takes the folder from here; the argument alone leaves the user's.
        os.environ["QGIS_CUSTOM_CONFIG_PATH"] = profile
        _app = QgsApplication([], True, profile)
        _app.initQgis()
        QgsApplication.messageLog().messageReceived.connect(
            lambda message, tag, level: LOG.append((tag, message, int(level))))
        # QGIS's own plugins, Processing among them, as QGIS puts them on its path: those of
        # the QGIS that runs (QGIS_PREFIX_PATH may name another than the system's).
        sys.path.append(os.path.join(QgsApplication.pkgDataPath(), "python", "plugins"))
        from processing.core.Processing import Processing
        Processing.initialize()
    return _app


def importer_offers(option):
    out = subprocess.run([IMPORTER, "--help"], capture_output=True, text=True).stdout
    return option in out


def run_importer(*args):
    return subprocess.run([IMPORTER, *args], capture_output=True, text=True, timeout=240)


def layer_counts(path):
    """Features per layer of a dataset, the styles table aside."""
    from osgeo import ogr
    ds = ogr.Open(path)
    layers = [ds.GetLayer(i) for i in range(ds.GetLayerCount())]
    return {l.GetName(): l.GetFeatureCount() for l in layers if l.GetName() != "layer_styles"}


class TempDirCase(unittest.TestCase):
    """A test case with a fresh folder of its own; temporary files of the code under test go
    into a folder of their own too, so that what is left there can be seen."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mapgis-qgis-plugin-")
        self.tmp = os.path.join(self.dir, "tmp")
        os.mkdir(self.tmp)
        self.old_tempdir = tempfile.tempdir
        tempfile.tempdir = self.tmp
        LOG.clear()

    def tearDown(self):
        tempfile.tempdir = self.old_tempdir
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def write(self, name, text, encoding="utf-8"):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding=encoding, newline="\n") as f:
            f.write(text)
        return path

    def copy_samples(self, folder="", names=SHEET_FILES + ("colors.txt",)):
        os.makedirs(self.path(folder), exist_ok=True)
        return [shutil.copy(os.path.join(SAMPLES, n), self.path(folder, n)) for n in names]

    def listing(self, folder=None):
        """Every file and folder under folder (default: the test's), relative."""
        top = folder or self.dir
        found = []
        for root, dirs, files in os.walk(top):
            found += [os.path.relpath(os.path.join(root, n), top) for n in dirs + files]
        return sorted(found)
