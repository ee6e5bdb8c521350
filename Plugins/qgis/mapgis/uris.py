# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: the URIs QGIS's OGR provider opens a file's layers by.
"""Layer URIs made and checked by QGIS's OGR provider, and links for the paths no URI carries:
'|' is the URI's separator, and QGIS hands GDAL its paths as UTF-8, so a file name in GBK
bytes (a sheet unpacked from a Windows archive) cannot be named in one."""
import hashlib
import os

from qgis.core import QgsApplication, QgsProviderRegistry

from .sheets import readable_name


def is_utf8(text):
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:  # a byte of the name that is not UTF-8, kept as a surrogate
        return False
    return True


def _carried(parts):
    """The URI of parts when QGIS reads the same parts back from it, else None."""
    parts = {key: value for key, value in parts.items() if value not in (None, [])}
    if not all(is_utf8(str(v)) for v in [parts["path"]] + list(parts.get("openOptions", []))):
        return None
    registry = QgsProviderRegistry.instance()
    uri = registry.encodeUri("ogr", parts)
    back = registry.decodeUri("ogr", uri)
    same = all(back.get(key) == value for key, value in parts.items())
    return uri if same else None


def path_carried(path):
    return _carried({"path": path}) is not None


def option_path_carried(path):
    """An open option's value ends at the next '|'."""
    return "|" not in path and is_utf8(path)


def layer_uri(path, name, index, options):
    """The URI of the file's layer, by its name, else by its index (a name with a '|'); None
    when the path or the options break the URI."""
    if not is_utf8(name):
        return _carried({"path": path, "layerId": index, "openOptions": list(options)})
    return (_carried({"path": path, "layerName": name, "openOptions": list(options)}) or
            _carried({"path": path, "layerId": index, "openOptions": list(options)}))


def link_folder():
    """Links outlive the session: a saved project's layers open through them."""
    return os.path.join(QgsApplication.qgisSettingsDirPath(), "mapgis", "links")


def linked(path, folder=None):
    """A link to the file named readably (GBK decoded, '|' as '_') that every URI carries, in a
    folder of its own per sheet: the files of a sheet keep one name, as the driver names the
    layers after it, and sheets of alike names do not meet."""
    real = os.path.abspath(path)
    stem = os.path.splitext(real)[0].lower()
    key = hashlib.sha1(os.fsencode(stem)).hexdigest()[:16]
    where = os.path.join(folder or link_folder(), key)
    os.makedirs(where, exist_ok=True)
    link = os.path.join(where, readable_name(os.path.basename(real)).replace("|", "_"))
    if os.path.islink(link) and os.readlink(link) == real:
        return link
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(real, link)
    return link


def openable(path, folder=None):
    """path itself when the URIs carry it, else its link."""
    return path if path_carried(path) else linked(path, folder)


def option_openable(path, folder=None):
    return path if option_path_carried(path) else linked(path, folder)
