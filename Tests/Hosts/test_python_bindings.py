"""GDAL's Python bindings reading MAPGIS files through the driver plug-in."""
import os
import subprocess
import sys
import textwrap
import unittest

from osgeo import gdal, ogr

from hosts_common import REFUSED_WAL, TempDirCase, all_samples, sample

gdal.UseExceptions()


def open_mapgis(path, **options):
    return gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=["MAPGIS"],
                       open_options=[f"{k}={v}" for k, v in options.items()])


class LineSample(unittest.TestCase):
    def setUp(self):
        self.ds = open_mapgis(sample("sample.wal"), COLOR_INDEX=sample("colors.txt"))
        self.layer = self.ds.GetLayer(0)

    def test_identifiers_and_styles(self):
        ids = [f.GetField("RbUserID") for f in self.layer]
        self.assertEqual(ids, list(range(3001, 3031)))
        # Item 3: style line "2,0,3,8,...": dashed, red, 0.8.
        f = self.layer.GetFeature(3)
        self.assertEqual(f.GetStyleString(), 'PEN(c:#FF0000,w:0.8mm,p:"4 2mm",id:"ogr-pen-2")')
        self.assertEqual(f.GetGeometryRef().GetPointCount(), 5)
        # Item 25: style line "3,0,8,10,...": short dashes, black, 1.
        f = self.layer.GetFeature(25)
        self.assertEqual(f.GetStyleString(), 'PEN(c:#000000,w:1mm,p:"2 2mm",id:"ogr-pen-3")')
        self.assertEqual(f.GetGeometryRef().ExportToWkt(),
                         "LINESTRING (39513500 3421250,39513560 3421290,39513620 3421260)")

    def test_reset_reads_the_same_again(self):
        first = [f.ExportToJson() for f in self.layer]
        self.layer.ResetReading()
        second = [f.ExportToJson() for f in self.layer]
        self.assertEqual(first, second)
        self.assertEqual(self.layer.GetFeatureCount(), 30)
        self.assertTrue(self.layer.TestCapability(ogr.OLCFastFeatureCount))
        self.assertTrue(self.layer.TestCapability(ogr.OLCRandomRead))
        self.assertTrue(self.layer.TestCapability(ogr.OLCStringsAsUTF8))

    def test_spatial_and_attribute_filters(self):
        # Items 1 to 5 start below y = 3420300 (item k starts at 3420000 + 50 k).
        self.layer.SetAttributeFilter("RbUserID <= 3005")
        self.assertEqual(self.layer.GetFeatureCount(), 5)
        self.layer.SetAttributeFilter(None)
        self.layer.SetSpatialFilterRect(39511000, 3420000, 39511350, 3420120)
        self.assertEqual(sorted(f.GetField("RbUserID") for f in self.layer), [3001, 3002])


class RefusedItems(TempDirCase):
    def test_metadata_tells_what_was_refused(self):
        path = self.write("refused.wal", REFUSED_WAL)
        ds = open_mapgis(path)
        layer = ds.GetLayer(0)
        self.assertEqual([f.GetFID() for f in layer], [1, 3])
        md = layer.GetMetadata("MAPGIS")
        self.assertEqual(md["ITEM_COUNT"], "3")
        self.assertEqual(md["FEATURE_COUNT"], "2")
        self.assertEqual(md["REFUSED_COUNT"], "1")
        self.assertEqual(md["REFUSED_REASON_1"], "1: no message from the reader")


class EverySample(unittest.TestCase):
    def test_layers_read_in_both_modes(self):
        for path in all_samples():
            for mode in ("COMPOUND", "TYPED"):
                with self.subTest(path=path, mode=mode):
                    ds = open_mapgis(path, MODE=mode)
                    for i in range(ds.GetLayerCount()):
                        layer = ds.GetLayer(i)
                        n = sum(1 for _ in layer)
                        self.assertEqual(layer.GetFeatureCount(), n)
                        self.assertEqual(layer.GetMetadata("MAPGIS")["FEATURE_COUNT"], str(n))


# Run in a process of its own, so that the plug-in is loaded there for the first time. The
# handler is one with SA_SIGINFO, installed through libc's sigaction before the first open.
SIGNAL_PROBE = textwrap.dedent("""
    import ctypes, signal, sys
    from osgeo import gdal
    gdal.UseExceptions()
    libc = ctypes.CDLL(None, use_errno=True)
    SA_SIGINFO = 4
    # struct sigaction of glibc: the handler, the mask, the flags, the restorer.
    class Action(ctypes.Structure):
        _fields_ = [("handler", ctypes.c_void_p), ("mask", ctypes.c_ulong * 16),
                    ("flags", ctypes.c_int), ("restorer", ctypes.c_void_p)]
    HANDLER = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    keep = HANDLER(lambda *args: None)
    def current(signo):
        old = Action()
        assert libc.sigaction(signo, None, ctypes.byref(old)) == 0
        return (old.handler, old.flags & SA_SIGINFO)
    signals = [signal.SIGSEGV, signal.SIGFPE, signal.SIGABRT, signal.SIGTERM, signal.SIGINT]
    for signo in signals:
        new = Action(handler=ctypes.cast(keep, ctypes.c_void_p).value, flags=SA_SIGINFO)
        assert libc.sigaction(signo, ctypes.byref(new), None) == 0
    before = [current(s) for s in signals]
    ds = gdal.OpenEx(sys.argv[1], gdal.OF_VECTOR, allowed_drivers=["MAPGIS"])
    n = sum(1 for _ in ds.GetLayer(0))
    after = [current(s) for s in signals]
    print(n, "same" if before == after else f"changed: {before} -> {after}")
""")


class SignalHandlers(unittest.TestCase):
    def test_loading_the_plugin_keeps_the_programs_handlers(self):
        proc = subprocess.run([sys.executable, "-c", SIGNAL_PROBE, sample("sample.wal")],
                              capture_output=True, text=True, env=os.environ)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(proc.stdout.strip(), "30 same")


if __name__ == "__main__":
    unittest.main()
