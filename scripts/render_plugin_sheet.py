#!/usr/bin/python3
"""Renders the sample sheet as the QGIS plugin opens it (a dropped sheet: its layer group,
styles and labels), headless: `scripts/render_plugin_sheet.py [MAP.png]`, by default
docs/qgis-plugin.png. Needs GDAL_DRIVER_PATH at a build's lib folder (or the package) and
mapgis-import on PATH."""
import os
import sys

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(ROOT, "Plugins", "qgis"))

from qgis.core import (QgsApplication, QgsCoordinateReferenceSystem,  # noqa: E402
                       QgsMapRendererParallelJob, QgsMapSettings, QgsProject, QgsRectangle)
from qgis.PyQt.QtCore import QSize  # noqa: E402
from qgis.PyQt.QtGui import QColor  # noqa: E402

# The sample's line, area and network files carry zone 39; its point file is on the same
# central meridian without the zone number, and 56 km south of them: the map shows the
# line, area and network files' ground.
SESSION = {"datum": "CGCS2000", "system": "EPSG:4548"}
SHOWN = (".wal", ".wap", ".wan")


def render(layers, png, width=1200):
    settings = QgsMapSettings()
    settings.setLayers(layers)  # top first, as the group holds them
    settings.setDestinationCrs(QgsCoordinateReferenceSystem("EPSG:4527"))
    extent = QgsRectangle()
    for layer in layers:
        if layer.source().split("|")[0].endswith(SHOWN):
            extent.combineExtentWith(layer.extent())
    extent.scale(1.05)
    settings.setExtent(extent)
    settings.setOutputSize(QSize(width, int(width * extent.height() / extent.width())))
    settings.setBackgroundColor(QColor("white"))
    settings.setFlag(QgsMapSettings.Antialiasing, True)
    job = QgsMapRendererParallelJob(settings)
    job.start()
    job.waitForFinished()
    job.renderedImage().save(png)


def main(argv):
    png = argv[1] if len(argv) > 1 else os.path.join(ROOT, "docs", "qgis-plugin.png")
    app = QgsApplication([], True)
    app.initQgis()
    from mapgis.loader import SheetLoader
    from mapgis.messages import Notifier
    from mapgis.systems import Session
    loader = SheetLoader(Notifier(), Session(**SESSION))
    groups = loader.open_files([os.path.join(ROOT, "Samples", "sample.wal")])
    if not groups:
        sys.stderr.write("render_plugin_sheet.py: the sample sheet did not open\n")
        return 1
    render([node.layer() for node in groups[0].findLayers()], png)
    print(png)
    QgsProject.instance().clear()
    app.exitQgis()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
