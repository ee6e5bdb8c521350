#!/usr/bin/python3
"""Renders what mapgis-import wrote as QGIS draws it, headless, with the styles written beside
the data: `scripts/render_map.py OUTPUT.gpkg MAP.png`. The test of the styles uses it too."""
import os
import sys

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from qgis.core import (QgsApplication, QgsMapRendererSequentialJob, QgsMapSettings,  # noqa: E402
                       QgsRectangle, QgsVectorLayer)
from qgis.PyQt.QtCore import QSize  # noqa: E402
from qgis.PyQt.QtGui import QColor  # noqa: E402

# The map's drawing order, bottom first, by what a layer holds.
MAP_ORDER = ("areas", "lines", "network", "points", "nodes", "texts")

_app = None


def qgis_app():
    """QGIS, started once per process; it must outlive every layer."""
    global _app
    if _app is None:
        _app = QgsApplication([], False)
        _app.initQgis()
    return _app


def in_map_order(layers):
    """The layers sorted bottom first by what they hold."""
    def rank(layer):
        kind = layer.name().rsplit("_", 1)[-1]
        return MAP_ORDER.index(kind) if kind in MAP_ORDER else -1
    return sorted(layers, key=rank)


def open_layers(path):
    """The layers of a dataset, bottom first, each with the default style QGIS finds."""
    from osgeo import ogr
    qgis_app()
    ds = ogr.Open(path)
    names = [ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())]
    ds = None
    return in_map_order([QgsVectorLayer(f"{path}|layername={n}", n, "ogr")
                         for n in names if n != "layer_styles"])


def open_postgis_layers(conninfo, schema, tables):
    """Tables of a PostGIS database through QGIS's own provider, bottom first, each with the
    default style QGIS finds in the database's layer_styles."""
    qgis_app()
    return in_map_order([QgsVectorLayer(f'{conninfo} key=\'fid\' table="{schema}"."{t}" (geom)',
                                        t, "postgres") for t in tables])


def render(layers, png, width=1000, antialias=True, dpi=96):
    """Draws the layers (bottom first) over their joint extent into png; the map settings
    and QGIS's labelling results."""
    settings = QgsMapSettings()
    settings.setLayers(list(reversed(layers)))  # QGIS lists the top layer first
    settings.setDestinationCrs(layers[0].crs())
    extent = QgsRectangle()
    for layer in layers:
        extent.combineExtentWith(layer.extent())
    extent.scale(1.1)
    settings.setExtent(extent)
    height = int(width * extent.height() / extent.width())
    settings.setOutputSize(QSize(width, height))
    settings.setOutputDpi(dpi)
    settings.setBackgroundColor(QColor("white"))
    settings.setFlag(QgsMapSettings.Antialiasing, antialias)
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    image = job.renderedImage()
    image.save(png)
    return job.mapSettings(), job.takeLabelingResults(), image


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: render_map.py OUTPUT.gpkg MAP.png\n")
        return 2
    layers = open_layers(argv[1])
    if not layers or not all(layer.isValid() for layer in layers):
        sys.stderr.write(f"render_map.py: cannot open the layers of {argv[1]}\n")
        return 1
    render(layers, argv[2])
    del layers
    _app.exitQgis()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
