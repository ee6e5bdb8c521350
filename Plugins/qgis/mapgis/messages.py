# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: where the plugin tells the user things.
"""QGIS's message log always, and the message bar of the QGIS window when there is one."""
from qgis.core import Qgis, QgsMessageLog

TAG = "MAPGIS"
# Levels are written Qgis.Info, Qgis.Warning, Qgis.Critical throughout the plugin: QGIS 3.22's
# bindings know them only so.


class Notifier:
    def __init__(self, bar=None):
        self.bar = bar

    def log(self, text, level=Qgis.Info):
        QgsMessageLog.logMessage(text, TAG, level)

    def tell(self, title, text, level=Qgis.Info, duration=10):
        """Logged, and shown on the message bar."""
        self.log("%s: %s" % (title, text), level)
        if self.bar is not None:
            self.bar.pushMessage(title, text, level, duration)
