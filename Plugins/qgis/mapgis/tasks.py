# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the steps of opening a large sheet, off QGIS's window thread.
"""A step of work in QGIS's task manager, and what mapgis-import reports to from one."""
import traceback

from qgis.core import Qgis, QgsTask


class SheetTask(QgsTask):
    """work(task) runs in the task manager's thread; done(result) in QGIS's once it succeeded.
    A cancelled step calls nothing after it: what it made is dropped with it."""

    def __init__(self, description, work, done, notifier):
        super().__init__(description, QgsTask.CanCancel)
        self.work = work
        self.done = done
        self.notifier = notifier
        self.result = None
        self.failure = ""

    def run(self):
        try:
            self.result = self.work(self)
        except Exception:  # anything the step raised, said from finished, in QGIS's thread
            self.failure = traceback.format_exc()
            return False
        return not self.isCanceled()

    def finished(self, ok):
        if ok:
            self.done(self.result)
        elif self.failure:
            self.notifier.tell(self.description(), "failed:\n" + self.failure, Qgis.Critical)
        else:
            self.notifier.log("%s: cancelled, nothing added" % self.description())


class TaskFeedback:
    """The feedback Importer.run reports to, for a task: its progress fills [start, end] of
    the task's, its cancel is the task's, its messages go to the log."""

    def __init__(self, task, notifier, start, end):
        self.task = task
        self.notifier = notifier
        self.start = start
        self.end = end

    def isCanceled(self):
        return self.task.isCanceled()

    def setProgress(self, percent):
        self.task.setProgress(self.start + (self.end - self.start) * percent / 100.0)

    def pushInfo(self, text):
        self.notifier.log(text)

    def pushWarning(self, text):
        self.notifier.log(text, Qgis.Warning)
