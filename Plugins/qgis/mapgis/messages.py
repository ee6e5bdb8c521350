# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: where the plugin tells the user things.
"""QGIS's message log always, and the message bar when there is a QGIS window."""
from qgis.core import Qgis, QgsMessageLog

TAG = "MAPGIS"


class Notifier:
    def __init__(self, iface=None):
        self.iface = iface

    def log(self, text, level=Qgis.MessageLevel.Info):
        QgsMessageLog.logMessage(text, TAG, level)

    def tell(self, title, text, level=Qgis.MessageLevel.Info, duration=10):
        """Logged, and shown on the message bar."""
        self.log("%s: %s" % (title, text), level)
        if self.iface is not None:
            self.iface.messageBar().pushMessage(title, text, level, duration)
