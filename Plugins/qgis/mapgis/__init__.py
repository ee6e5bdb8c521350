# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS.
"""QGIS plugin: MAPGIS exchange files opened as sheets, and Processing algorithms that run
mapgis-import."""


def classFactory(iface):
    from .plugin import MapgisPlugin
    return MapgisPlugin(iface)
