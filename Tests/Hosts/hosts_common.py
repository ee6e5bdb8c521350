"""Shared helpers of the host tests: where the built driver, the importer and the samples are."""
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

SAMPLES = os.environ.get("MAPGIS_SAMPLES", "")
IMPORTER = os.environ.get("MAPGIS_IMPORT", "")
DRIVER_PATH = os.environ.get("GDAL_DRIVER_PATH", "")


def sample(name):
    return os.path.join(SAMPLES, name)


def all_samples():
    """Every exchange file among the samples, whatever formats have been added."""
    return sorted(glob.glob(os.path.join(SAMPLES, "*.wa[tlpn]")))


def layer_counts(path):
    """Features per layer of a dataset, the QGIS styles table aside."""
    from osgeo import gdal
    ds = gdal.OpenEx(path, gdal.OF_VECTOR)
    layers = [ds.GetLayer(i) for i in range(ds.GetLayerCount())]
    return {layer.GetName(): layer.GetFeatureCount() for layer in layers
            if layer.GetName() != "layer_styles"}


def run(args, cwd=None):
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, timeout=240)


class TempDirCase(unittest.TestCase):
    """A test case with a fresh folder of its own."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mapgis-hosts-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        return path


# Three line items; the second has a style line of 8 fields, which the reader refuses.
REFUSED_WAL = ("WMAP lines\n3\n"
               "1,0,3,5,0,0,0,0,0\n2\n0,0\n10,0\n11,0\n"
               "1,0,3,5,0,0,0,0\n2\n0,10\n10,10\n12,0\n"
               "2,0,3,5,0,0,0,0,0\n2\n0,20\n10,20\n13,0\n")
