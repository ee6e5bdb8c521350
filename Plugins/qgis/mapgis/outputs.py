# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: what an import wrote, as layers QGIS can load.
"""The layers of mapgis-import's output, and the vector formats it can write."""
import os

from osgeo import gdal, ogr

from . import uris
from .sheets import kind_of, KIND_ORDER


def writable_formats():
    """A file filter of GDAL's vector formats that write files, GeoPackage first."""
    filters = []
    for i in range(gdal.GetDriverCount()):
        driver = gdal.GetDriver(i)
        meta = driver.GetMetadata() or {}
        extensions = (meta.get("DMD_EXTENSIONS") or meta.get("DMD_EXTENSION") or "").split()
        if (meta.get("DCAP_VECTOR") == "YES" and meta.get("DCAP_CREATE") == "YES"
                and extensions):
            filters.append("%s (%s)" % (driver.GetMetadataItem("DMD_LONGNAME"),
                                        " ".join("*." + e for e in extensions)))
    filters.sort(key=lambda f: (not f.startswith("GeoPackage"), f.lower()))
    return ";;".join(filters)


def _layer_names(path):
    """(index, name) of each layer of a dataset, the styles table aside."""
    ds = ogr.Open(path)
    if ds is None:
        return []
    names = [ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())]
    return [(i, n) for i, n in enumerate(names) if n != "layer_styles"]


def _file_layers(path):
    """(uri, name) of each layer of a file, through a link when no URI carries its path."""
    opened = uris.openable(path)
    return [(uris.layer_uri(opened, n, i, []), n) for i, n in _layer_names(opened)]


def output_layers(path):
    """(uri, name) of each layer written to path, in map order top first: a file's layers, or
    the files of the folder mapgis-import writes for formats of a layer per file."""
    found = []
    if os.path.isfile(path):
        found = _file_layers(path)
    else:
        stem, extension = os.path.splitext(path)
        folder = path if os.path.isdir(path) else stem
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                file_path = os.path.join(folder, name)
                if os.path.splitext(name)[1].lower() == extension.lower():
                    found += _file_layers(file_path)

    def rank(entry):
        kind = kind_of(entry[1])
        return KIND_ORDER.index(kind) if kind else len(KIND_ORDER)
    return sorted(found, key=rank)
