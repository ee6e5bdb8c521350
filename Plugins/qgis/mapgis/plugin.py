# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the plugin's life in QGIS.
"""Registers the drop handler, the browser's open and the Processing provider."""
import os

from osgeo import gdal
from qgis.core import Qgis, QgsApplication

from .messages import Notifier
from .systems import Session

PACKAGE = "mapgis-import"
MISSING_DRIVER = ("The GDAL driver MAPGIS is not installed, so QGIS cannot open MAPGIS files "
                  "(.wat, .wal, .wap, .wan): install the Debian package %s (sudo apt install "
                  "./%s_*.deb) and restart QGIS. Opening and dropping MAPGIS files is off "
                  "until then." % (PACKAGE, PACKAGE))


def driver_present():
    return gdal.GetDriverByName("MAPGIS") is not None


class MapgisPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.notifier = Notifier(iface.messageBar() if iface is not None else None)
        self.session = Session()
        self.provider = None
        self.drop_handler = None
        self.item_provider = None
        self.loader = None
        self.help_action = None

    def initProcessing(self):
        from .provider import MapgisProvider
        if self.provider is None:
            self.provider = MapgisProvider()
            QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):
        self.initProcessing()
        if self.iface is not None:
            from qgis.PyQt.QtCore import QUrl
            from qgis.PyQt.QtGui import QDesktopServices
            from qgis.PyQt.QtWidgets import QAction
            self.help_action = QAction("MAPGIS Help", self.iface.mainWindow())
            self.help_action.triggered.connect(
                lambda: QDesktopServices.openUrl(QUrl.fromLocalFile(help_path())))
            self.iface.pluginHelpMenu().addAction(self.help_action)
        if not driver_present():
            self.notifier.tell("MAPGIS", MISSING_DRIVER, Qgis.Critical, 0)
            return
        self.loader = self.make_loader()
        from .drop import SheetDropHandler, SheetItemGuiProvider
        from qgis.gui import QgsGui
        self.item_provider = SheetItemGuiProvider(self.loader)
        QgsGui.dataItemGuiProviderRegistry().addProvider(self.item_provider)
        if self.iface is not None:
            self.drop_handler = SheetDropHandler(self.loader)
            self.iface.registerCustomDropHandler(self.drop_handler)

    def make_loader(self):
        from .loader import SheetLoader
        ask = None
        if self.iface is not None:
            from .dialogs import ask_system
            window = self.iface.mainWindow()
            ask = lambda title, decision: ask_system(window, title, decision)  # noqa: E731
        return SheetLoader(self.notifier, self.session, ask)

    def unload(self):
        if self.loader is not None:
            # A sheet still opening would add its group through the unloaded plugin.
            for task in list(self.loader.tasks):
                task.cancel()
        if self.help_action is not None:
            self.iface.pluginHelpMenu().removeAction(self.help_action)
            self.help_action = None
        if self.drop_handler is not None:
            self.iface.unregisterCustomDropHandler(self.drop_handler)
            self.drop_handler = None
        if self.item_provider is not None:
            from qgis.gui import QgsGui
            QgsGui.dataItemGuiProviderRegistry().removeProvider(self.item_provider)
            self.item_provider = None
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None


def help_path():
    return os.path.join(os.path.dirname(__file__), "help", "index.html")
