"""Shared helpers of the host tests: where the built driver, the importer and the samples are."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SAMPLES = os.environ.get("MAPGIS_SAMPLES", "")
IMPORTER = os.environ.get("MAPGIS_IMPORT", "")
# Looked up, not imported: QGIS takes a while to load.
HAVE_QGIS = any(os.path.isdir(os.path.join(p, "qgis")) for p in sys.path)
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))


def qgis():
    """scripts/render_map with QGIS started headless; imported only where QGIS is used."""
    import render_map
    render_map.qgis_app()
    return render_map


def sample(name):
    return os.path.join(SAMPLES, name)


def layer_counts(path):
    """Features per layer of a dataset, the QGIS styles table aside."""
    from osgeo import gdal
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    layers = [ds.GetLayer(i) for i in range(ds.GetLayerCount())]
    return {layer.GetName(): layer.GetFeatureCount() for layer in layers
            if layer.GetName() != "layer_styles"}


def run(args, cwd=None):
    return subprocess.run(args, capture_output=True, text=True, timeout=240, cwd=cwd)


def leftovers(folder):
    """The importer's hidden work folders."""
    return glob.glob(os.path.join(folder, ".*partial*"))


class TempDirCase(unittest.TestCase):
    """A test case with a fresh folder of its own."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mapgis-hosts-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def write(self, name, text, encoding="utf-8"):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding=encoding, newline="\n") as f:
            f.write(text)
        return path
