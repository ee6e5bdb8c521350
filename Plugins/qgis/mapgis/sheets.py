# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: which files make a sheet, its colour source, its layers' order.
"""Plain functions about sheets on disk; nothing here needs QGIS."""
import os
import re

EXTENSIONS = (".wat", ".wal", ".wap", ".wan")

# The map's layers top to bottom: texts over symbols, a network's nodes over its arcs, lines
# over the areas they cross.
KIND_ORDER = ("texts", "points", "nodes", "network", "lines", "areas")

# A colour index entry: a line of 16 fields whose fifth is a quoted "label:number".
_COLOR_ENTRY = re.compile(rb'^[^,\r\n]*(?:,[^,\r\n]*){3},"[^":\r\n]+:\d+"(?:,[^,\r\n]*){11}\r?$',
                          re.MULTILINE)
_COLOR_LIBRARY = "pcolor.lib"


def readable_name(name):
    """A file name as text: its bytes as UTF-8, else as GBK (names of sheets made on Chinese
    Windows, unpacked on Linux)."""
    raw = os.fsencode(name)
    for encoding in ("utf-8", "gbk"):
        try:
            return raw.decode(encoding)
        except UnicodeDecodeError:
            continue
    return raw.decode("utf-8", "replace")


def is_exchange_file(path):
    return os.path.splitext(path)[1].lower() in EXTENSIONS


def sheet_key(path):
    """Folder and title (case folded, as mapgis-import groups them) of a file's sheet."""
    folder, name = os.path.split(os.path.abspath(path))
    return folder, os.path.splitext(name)[0].lower()


def sheet_files(path):
    """Every exchange file of the sheet the file belongs to, in name order."""
    folder, title = sheet_key(path)
    found = [os.path.join(folder, n) for n in sorted(os.listdir(folder))
             if is_exchange_file(n) and os.path.splitext(n)[0].lower() == title]
    return [p for p in found if os.path.isfile(p)]


def group_sheets(paths):
    """The sheets of the given files, each once, in the order first met: (title, files)."""
    sheets = {}
    for path in paths:
        if not is_exchange_file(path):
            continue
        key = sheet_key(path)
        if key not in sheets:
            files = sheet_files(path)
            title = readable_name(os.path.splitext(os.path.basename(files[0] if files
                                                                     else path))[0])
            sheets[key] = (title, files or [os.path.abspath(path)])
    return list(sheets.values())


def _head(path):
    try:
        with open(path, "rb") as f:
            return f.read(65536)
    except OSError:
        return b""


def is_color_index(path):
    return bool(_COLOR_ENTRY.search(_head(path)))


def is_color_library(path):
    return _head(path).startswith(b"PCOLOR 3")


def color_source(files):
    """The colour index beside a sheet (the one named after it, else the only one there),
    else a Pcolor.lib beside it, as mapgis-import chooses: (path or None, why none)."""
    folder, title = sheet_key(files[0])
    indexes, library = [], None
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if is_exchange_file(name) or not os.path.isfile(path):
            continue
        if name.lower() == _COLOR_LIBRARY and is_color_library(path):
            library = path
        elif is_color_index(path):
            indexes.append(path)
    for path in indexes:
        if os.path.splitext(os.path.basename(path))[0].lower() == title:
            return path, ""
    if len(indexes) == 1:
        return indexes[0], ""
    if indexes:
        return None, ("%d colour index files beside the sheet and none named after it: "
                      "none used" % len(indexes))
    return library, "" if library else "no colour index file or Pcolor.lib beside the sheet"


def kind_of(layer_name):
    """The map kind a layer name ends in, or None."""
    kind = layer_name.rsplit("_", 1)[-1]
    return kind if kind in KIND_ORDER else None


def in_map_order(entries):
    """(layer name, file) pairs sorted top to bottom by kind, then by file."""
    def rank(entry):
        kind = kind_of(entry[0])
        return (KIND_ORDER.index(kind) if kind else len(KIND_ORDER), entry[1])
    return sorted(entries, key=rank)
