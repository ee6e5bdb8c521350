"""Cancel stops mapgis-import with an interrupt, in real QGIS: the algorithm fails saying so,
nothing of the run is left, and an earlier output stays as it was."""
import glob
import os
import threading
import time
import unittest

from plugin_common import TempDirCase, importer_offers, layer_counts, run_importer
from processing_common import provider, run

LINES = 200000  # a sheet mapgis-import takes seconds to write


def big_sheet(case):
    """A line file of LINES two-point lines in zone 39."""
    path = case.path("big.wal")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("WMAP line file: many short lines\n%d\n" % LINES)
        for i in range(LINES):
            x, y = 39512000 + i % 1000, 3420000 + i // 1000
            f.write("1,0,%d,1,0,0,0,0,0\n2\n%d.00,%d.00\n%d.00,%d.00\n%d,0\n" % (
                i % 12 + 1, x, y, x + 10, y + 5, i + 1))
    return path


def new_feedback():
    from qgis.core import QgsProcessingFeedback
    return QgsProcessingFeedback()


def cancel_once_writing(feedback, folder, stop):
    """Cancels the run as a user would, once mapgis-import has begun writing its output."""
    while not stop.is_set():
        if glob.glob(os.path.join(folder, ".*partial*")):
            feedback.cancel()
            return
        time.sleep(0.005)


class Cancel(TempDirCase):
    @classmethod
    def setUpClass(cls):
        provider()

    def earlier_output(self):
        out = self.path("out.gpkg")
        small = self.write("small.wal", "WMAP line file\n1\n1,0,1,1,0,0,0,0,0\n2\n"
                           "39512000.00,3420000.00\n39512010.00,3420005.00\n1,0\n")
        r = run_importer(small, "-o", out, "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def assert_cancelled(self, feedback, out):
        from qgis.core import QgsProcessingException
        with self.assertRaises(QgsProcessingException) as caught:
            run("mapgis:convertsheet", {"INPUT": [big_sheet(self)], "OUTPUT": out},
                feedback)
        # 130: mapgis-import's status for SIGINT.
        self.assertIn("cancelled: mapgis-import stopped (exit 130)", str(caught.exception))
        self.assertEqual(glob.glob(self.path(".*")), [])
        self.assertEqual(layer_counts(out), {"small_lines": 1})

    def test_cancel_while_writing(self):
        out = self.earlier_output()
        feedback = new_feedback()
        stop = threading.Event()
        watcher = threading.Thread(target=cancel_once_writing, args=(feedback, self.dir, stop))
        watcher.start()
        try:
            self.assert_cancelled(feedback, out)
        finally:
            stop.set()
            watcher.join()
        self.assertTrue(feedback.isCanceled())

    @unittest.skipUnless(importer_offers("--progress"), "mapgis-import offers no --progress")
    def test_cancel_after_the_first_progress(self):
        out = self.earlier_output()
        feedback = new_feedback()
        progress = []

        def on_progress(value):
            progress.append(value)
            feedback.cancel()
        feedback.progressChanged.connect(on_progress)
        self.assert_cancelled(feedback, out)
        self.assertGreaterEqual(len(progress), 1)
        self.assertTrue(all(0 <= p < 100 for p in progress), progress)


if __name__ == "__main__":
    unittest.main()
