"""Shared helpers of the host tests: where the built driver, the importer and the samples are."""
import csv
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from osgeo import gdal

gdal.UseExceptions()

SAMPLES = os.environ.get("MAPGIS_SAMPLES", "")
IMPORTER = os.environ.get("MAPGIS_IMPORT", "")
ARTEFACTS = os.environ.get("MAPGIS_ARTEFACTS", "")
# Looked up, not imported: QGIS takes a while to load.
HAVE_QGIS = any(os.path.isdir(os.path.join(p, "qgis")) for p in sys.path)
needs_qgis = unittest.skipUnless(HAVE_QGIS, "QGIS's Python bindings are not installed")
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))


def qgis(log=None):
    """scripts/render_map, QGIS started headless, its messages appended to log as (tag, text)."""
    import render_map
    render_map.qgis_app()
    if log is not None:
        from qgis.core import QgsApplication
        QgsApplication.messageLog().messageReceived.connect(
            lambda message, tag, level: log.append((tag, message)))
    return render_map


def sample(name):
    return os.path.join(SAMPLES, name)


def open_layers(path, **options):
    """A dataset and its layers, the QGIS styles table aside."""
    ds = gdal.OpenEx(path, gdal.OF_VECTOR, **options)
    layers = (ds.GetLayer(i) for i in range(ds.GetLayerCount()))
    return ds, [layer for layer in layers if layer.GetName() != "layer_styles"]


def layer_counts(path):
    """Features per layer of a dataset."""
    _, layers = open_layers(path)
    return {layer.GetName(): layer.GetFeatureCount() for layer in layers}


def run(args, cwd=None):
    return subprocess.run(args, capture_output=True, text=True, timeout=240, cwd=cwd)


def leftovers(folder):
    """The importer's hidden work folders."""
    return glob.glob(os.path.join(folder, ".*partial*"))


def interrupted(args, under_way, sig, settle=0.0):
    """Runs args until under_way() says its work has begun (60 s at most), waits settle
    seconds, then sends sig; the exit status and standard error. Fails the calling test
    through AssertionError when the run ended before the signal."""
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while not under_way() and proc.poll() is None and time.monotonic() < deadline:
        time.sleep(0.005)
    time.sleep(settle)
    if proc.poll() is not None:
        proc.communicate()
        raise AssertionError(f"{args[0]} ended before the signal")
    proc.send_signal(sig)
    _, err = proc.communicate(timeout=120)
    return proc.returncode, err


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class TempDirCase(unittest.TestCase):
    """A test case with a fresh folder of its own."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mapgis-hosts-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, text, encoding="utf-8"):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding=encoding, newline="\n") as f:
            f.write(text)
        return path

    def copy_samples(self, *names):
        return [shutil.copy(sample(n), self.dir) for n in names]

    def importer(self, *args, status=0, cwd=None):
        """mapgis-import's result, its exit status checked."""
        r = run([IMPORTER, *args], cwd=cwd)
        self.assertEqual(r.returncode, status, r.stderr)
        return r

    def report(self, path):
        """The rows of a --report file, CSV or JSON lines, every value a string."""
        with open(path, encoding="utf-8", newline="") as f:
            rows = list(csv.DictReader(f)) if path.endswith(".csv") else map(json.loads, f)
            rows = [{k: str(v) for k, v in row.items()} for row in rows]
        for row in rows:
            self.assertNotIn(None, row)  # no column beyond the header's
        return rows


@needs_qgis
class QgisCase(TempDirCase):
    """A case that draws with QGIS, started once: its messages in self.log, the layers a test
    opens in self.layers, which go before QGIS does."""
    @classmethod
    def setUpClass(cls):
        cls.log = []
        cls.render_map = qgis(cls.log)

    def setUp(self):
        super().setUp()
        self.log.clear()
        self.layers = []

    def tearDown(self):
        del self.layers
        super().tearDown()
