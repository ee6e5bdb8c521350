# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: what the driver says of one file.
"""Opens one exchange file through GDAL with the driver's account of its items."""
from dataclasses import dataclass, field

from osgeo import gdal


@dataclass
class FileAccount:
    """A file's map layers, bounds and account: the driver's sentence, the items not
    imported, its notes and the warnings of the read."""
    path: str
    layers: list = field(default_factory=list)
    bounds: tuple = None
    description: str = ""
    items: list = field(default_factory=list)
    notes: list = field(default_factory=list)
    warnings: list = field(default_factory=list)
    error: str = ""

    def has_losses(self):
        return bool(self.items or self.notes or self.error)


def _numbered(metadata, prefix):
    values = []
    while "%s%d" % (prefix, len(values) + 1) in metadata:
        values.append(metadata["%s%d" % (prefix, len(values) + 1)])
    return values


def _union(bounds, extent):
    min_x, max_x, min_y, max_y = extent
    if bounds is None:
        return (min_x, min_y, max_x, max_y)
    return (min(bounds[0], min_x), min(bounds[1], min_y), max(bounds[2], max_x),
            max(bounds[3], max_y))


def read_account(path, options):
    """The file opened in map mode with options (a list of KEY=VALUE) and ACCOUNT=YES."""
    account = FileAccount(path)

    def collect(level, number, message):
        if level >= gdal.CE_Warning:
            account.warnings.append(message)

    gdal.PushErrorHandler(collect)
    try:
        try:
            ds = gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=["MAPGIS"],
                             open_options=list(options) + ["ACCOUNT=YES"])
        except RuntimeError as error:  # the caller has GDAL's exceptions on
            ds = None
            account.warnings.append(str(error))
        if ds is None:
            account.error = account.warnings.pop() if account.warnings else "cannot be opened"
            return account
        for i in range(ds.GetLayerCount()):
            layer = ds.GetLayer(i)
            account.layers.append(layer.GetName())
            if layer.GetFeatureCount() > 0:
                account.bounds = _union(account.bounds, layer.GetExtent(force=True))
        metadata = ds.GetMetadata("MAPGIS") or {}
        account.items = _numbered(metadata, "FILE_ITEM_")
        account.notes = _numbered(metadata, "FILE_NOTE_")
        if ds.GetLayerCount():
            account.description = ds.GetLayer(0).GetMetadataItem("DESCRIPTION") or ""
        ds = None
    finally:
        gdal.PopErrorHandler()
    return account
