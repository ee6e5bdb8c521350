# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: where the plugin tells the user things.
"""QGIS's message log always, and the message bar of the QGIS window when there is one."""
from qgis.core import Qgis, QgsMessageLog
from qgis.PyQt.QtCore import QObject, pyqtSignal

TAG = "MAPGIS"
# Levels are written Qgis.Info, Qgis.Warning, Qgis.Critical throughout the plugin: QGIS 3.22's
# bindings know them only so.


class Notifier(QObject):
    """Made in QGIS's thread; a task's thread tells through it too: the message bar is
    reached through a queued signal, the log is safe from any thread."""
    shown = pyqtSignal(str, str, object, int)

    def __init__(self, bar=None):
        super().__init__()
        self.bar = bar
        self.shown.connect(self.show)

    def log(self, text, level=Qgis.Info):
        QgsMessageLog.logMessage(text, TAG, level)

    def tell(self, title, text, level=Qgis.Info, duration=10):
        """Logged, and shown on the message bar."""
        self.log("%s: %s" % (title, text), level)
        if self.bar is not None:
            self.shown.emit(title, text, level, duration)

    def show(self, title, text, level, duration):
        self.bar.pushMessage(title, text, level, duration)
