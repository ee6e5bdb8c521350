# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: files dropped on QGIS and opened from its browser.
"""The drop handler and the browser's open for .wat/.wal/.wap/.wan files."""
import os
from urllib.parse import unquote_to_bytes

from qgis.gui import QgsCustomDropHandler, QgsDataItemGuiProvider
from qgis.PyQt.QtCore import QTimer, QUrl
from qgis.PyQt.QtWidgets import QAction

from . import sheets


def local_file(url):
    """The file a URL names. A name that is not UTF-8 (GBK bytes) reaches Python as its own
    bytes, surrogate-escaped, where QUrl would make it replacement characters."""
    path = url.toLocalFile()
    if os.path.exists(path):
        return path
    raw = os.fsdecode(unquote_to_bytes(url.path(QUrl.FullyEncoded)))
    return raw if os.path.exists(raw) else path


def local_files(mime_data):
    return [local_file(url) for url in mime_data.urls() if url.isLocalFile()]


class SheetDropHandler(QgsCustomDropHandler):
    """Files of a sheet dropped together become one group; so do the files of a drop that
    QGIS hands over one by one (a drop mixing MAPGIS files with others)."""

    def __init__(self, loader):
        super().__init__()
        self.loader = loader
        self.opened = set()

    def canHandleMimeData(self, mime_data):
        files = local_files(mime_data)
        return bool(files) and all(sheets.is_exchange_file(f) for f in files)

    def handleMimeDataV2(self, mime_data):
        files = local_files(mime_data)
        if not files or not all(sheets.is_exchange_file(f) for f in files):
            return False
        self.loader.open_files(files)
        return True

    def handleFileDrop(self, path):
        if not sheets.is_exchange_file(path):
            return False
        key = sheets.sheet_key(path)
        if key not in self.opened:
            if not self.opened:
                # QGIS hands over a drop's files in one go: forget them once it is done.
                QTimer.singleShot(0, self.opened.clear)
            self.opened.add(key)
            self.loader.open_files([path])
        return True


def item_file(item):
    """The exchange file a browser item stands for, or ""."""
    path = item.path().split("|", 1)[0]
    return path if sheets.is_exchange_file(path) else ""


class SheetItemGuiProvider(QgsDataItemGuiProvider):
    """Double click (or Open MAPGIS Sheet) on a MAPGIS file in the browser opens its sheet."""

    def __init__(self, loader):
        super().__init__()
        self.loader = loader

    def name(self):
        return "MAPGIS"

    def handleDoubleClick(self, item, context):
        path = item_file(item)
        if not path:
            return False
        self.loader.open_files([path])
        return True

    def populateContextMenu(self, item, menu, selected_items, context):
        path = item_file(item)
        if path:
            action = QAction("Open MAPGIS Sheet", menu)
            action.triggered.connect(lambda: self.loader.open_files([path]))
            menu.addAction(action)
