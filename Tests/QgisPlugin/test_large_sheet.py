"""A large sheet dropped on QGIS, in real QGIS: the drop returns at once, the sheet opens in
QGIS's task manager with its progress, the group comes when the tasks are done; cancel adds
nothing. Small sheets open at once (test_open_sheets)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from plugin_common import HERE, LOG, TempDirCase, qgis_app
from test_open_sheets import Answers, fresh_drop, mime

GENERATOR = os.path.join(HERE, "..", "..", "Bench", "gen_mapgis.py")
# About 20 MB: the driver's pre-read and the styles take most of a second here.
SIZES_MB = {"big.wal": 16, "big.wat": 4}
STEPS = ["Opening MAPGIS sheet big", "Loading the layers of MAPGIS sheet big"]


def wait_for(loader, limit=240):
    """Runs QGIS's events until its task manager and the loader are done with the sheet's
    tasks: the longest the events waited (the GUI would have been frozen), in seconds."""
    from qgis.core import QgsApplication
    manager = QgsApplication.taskManager()
    deadline = time.monotonic() + limit
    longest, last = 0.0, time.monotonic()
    while loader.tasks or manager.countActiveTasks():
        if time.monotonic() > deadline:
            raise AssertionError("the sheet's tasks did not end within %d s" % limit)
        QgsApplication.processEvents()
        time.sleep(0.005)
        now = time.monotonic()
        longest, last = max(longest, now - last), now
    return longest


class Steps:
    """The tasks QGIS's task manager is given: descriptions and progress; cancels the one
    whose description is cancel."""

    def __init__(self, cancel=None):
        from qgis.core import QgsApplication
        self.manager = QgsApplication.taskManager()
        self.cancel = cancel
        self.seen = []
        self.progress = {}
        self.manager.taskAdded.connect(self.added)

    def added(self, task_id):
        task = self.manager.task(task_id)
        name = task.description()
        self.seen.append(name)
        self.progress[name] = []
        task.progressChanged.connect(lambda value: self.progress[name].append(value))
        if name == self.cancel:
            task.cancel()

    def close(self):
        self.manager.taskAdded.disconnect(self.added)


class LargeSheet(TempDirCase):
    @classmethod
    def setUpClass(cls):
        qgis_app()
        cls.sheet_dir = tempfile.mkdtemp(prefix="mapgis-large-sheet-")
        for name, size in SIZES_MB.items():
            subprocess.run([sys.executable, GENERATOR, name[-3:], "--size-mb", str(size),
                            "--seed", "1", "-o", os.path.join(cls.sheet_dir, name)],
                           check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.sheet_dir, ignore_errors=True)

    def setUp(self):
        super().setUp()
        self.project, self.loader, self.handler = fresh_drop()
        self.files = [os.path.join(self.sheet_dir, n) for n in SIZES_MB]

    def tearDown(self):
        self.project.clear()
        super().tearDown()

    def opened_at_once(self):
        """The sheet opened on this thread, as a small sheet is: (seconds, group's layers as
        (name, features))."""
        from mapgis.loader import SheetLoader
        from mapgis.messages import Notifier
        from mapgis.systems import Session
        loader = SheetLoader(Notifier(), Session(), Answers(), self.project,
                             small_sheet=float("inf"))
        start = time.monotonic()
        [group] = loader.open_files(self.files[:1])
        seconds = time.monotonic() - start
        layers = [(c.name(), c.layer().featureCount()) for c in group.children()]
        self.project.layerTreeRoot().removeChildNode(group)
        self.project.removeAllMapLayers()
        return seconds, layers

    def test_the_drop_returns_at_once_and_the_group_comes_from_a_task(self):
        at_once, expected = self.opened_at_once()
        steps = Steps()
        try:
            start = time.monotonic()
            self.assertTrue(self.handler.handleMimeDataV2(mime(self.files[:1])))
            returned = time.monotonic() - start
            self.assertEqual(self.project.layerTreeRoot().findGroups(), [])
            frozen = wait_for(self.loader)
        finally:
            steps.close()
        print("\nopened at once in %.3f s; the drop returned in %.4f s, the events waited at "
              "most %.3f s" % (at_once, returned, frozen))
        self.assertLess(returned, at_once / 10)
        self.assertLess(frozen, at_once / 3)
        [group] = self.project.layerTreeRoot().findGroups()
        self.assertEqual(group.name(), "big")
        layers = [(c.name(), c.layer().featureCount()) for c in group.children()]
        self.assertEqual(layers, expected)
        # Texts over lines, the lines of both files, every item of the files drawn.
        self.assertEqual([name for name, _ in layers][0], "big_texts")
        self.assertIn("big_lines (big.wal)", [name for name, _ in layers])
        for node in group.children():
            self.assertEqual(node.layer().renderer().type(), "RuleRenderer", node.name())
            self.assertEqual(node.layer().labelsEnabled(), node.name() == "big_texts")
        # The two steps in the task manager, each reporting its progress up to the end.
        self.assertEqual(steps.seen, STEPS)
        for name in STEPS:
            values = steps.progress[name]
            self.assertEqual(values, sorted(values), name)
            self.assertEqual(values[-1], 100.0, name)

    def test_a_cancelled_step_adds_nothing(self):
        for step in STEPS:
            with self.subTest(step):
                LOG.clear()
                steps = Steps(cancel=step)
                try:
                    self.assertTrue(self.handler.handleMimeDataV2(mime(self.files)))
                    wait_for(self.loader)
                finally:
                    steps.close()
                self.assertEqual(steps.seen, STEPS[:STEPS.index(step) + 1])
                self.assertEqual(self.project.layerTreeRoot().children(), [])
                self.assertEqual(self.project.mapLayers(), {})
                self.assertIn(("MAPGIS", "%s: cancelled, nothing added" % step, 0), LOG)
                self.assertEqual(os.listdir(self.tmp), [])


if __name__ == "__main__":
    unittest.main()
