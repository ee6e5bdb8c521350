"""Sheets whose folder or file names break layer URIs, in real QGIS: a '|' (the URI's
separator, legal in Linux names), a space, Chinese in UTF-8, and GBK bytes (a sheet made on
Chinese Windows, unpacked on Linux). Dropped as a file manager drops them, each opens with
every layer, styled and labelled, its group named readably; Convert sheet passes such paths to
mapgis-import as they are and loads what it wrote."""
import os
import shutil
import sys
import unittest
from urllib.parse import quote_from_bytes

from plugin_common import HERE, SAMPLES, TempDirCase, qgis_app
from processing_common import provider, run
from test_open_sheets import fresh_drop, render

sys.path.insert(0, os.path.join(HERE, "..", "Importer"))
from test_qgis_map import HAND_PIECES, HAND_WAL, HAND_WAT  # noqa: E402  the hand-made sheet

# The hand-made sheet's layers top to bottom, for a sheet named t (the driver names them
# after the file, GBK names decoded).
LAYERS = ["%s_texts", "%s_points", "%s_lines (%s.wal)", "%s_lines (%s.wat)"]
GBK = os.fsdecode("清河".encode("gbk"))
# folder, sheet file name (without extension), readable sheet name, whether QGIS opens the
# sheet's files through links (no URI can name a GBK file; QGIS hands GDAL UTF-8), whether
# the colour index goes through a link (an open option's value ends at the next '|')
CASES = [
    ("bar|folder", "hand", "hand", False, True),
    ("bars", "a|b", "a|b", False, True),
    ("with space", "sheet 1", "sheet 1", False, False),
    ("utf8", "清河", "清河", False, False),
    ("gbk", GBK, "清河", True, True),
]


def dropped(paths):
    """The drop a file manager makes: file URLs of the names' bytes, percent-encoded."""
    from qgis.PyQt.QtCore import QByteArray, QMimeData, QUrl
    data = QMimeData()
    data.setUrls([QUrl.fromEncoded(QByteArray(b"file://" + quote_from_bytes(os.fsencode(p))
                                              .encode("ascii"))) for p in paths])
    return data


class SheetNames(TempDirCase):
    @classmethod
    def setUpClass(cls):
        qgis_app()
        provider()

    def setUp(self):
        super().setUp()
        self.project, self.loader, self.handler = fresh_drop()

    def tearDown(self):
        self.project.clear()
        super().tearDown()

    def hand_sheet(self, folder, name):
        """The hand-made sheet and the sample colour index, in folder, files named name."""
        where = self.path(folder)
        os.makedirs(where)
        shutil.copy(os.path.join(SAMPLES, "colors.txt"), os.path.join(where, name + ".txt"))
        wat = os.path.join(where, name + ".wat")
        with open(wat, "w", encoding="gbk", newline="\n") as f:
            f.write("WMAPGIS point file: hand-made sheet\n%d\n%s\n" % (
                len(HAND_WAT), "\n".join(HAND_WAT)))
        with open(os.path.join(where, name + ".wal"), "w", encoding="ascii") as f:
            f.write(HAND_WAL)
        return wat, os.path.join(where, name + ".txt")

    def assert_source(self, layer, real, through_link):
        """The layer's file as QGIS reads it from its URI: the file itself, or a link to it."""
        from qgis.core import QgsProviderRegistry
        path = QgsProviderRegistry.instance().decodeUri("ogr", layer.source())["path"]
        self.assertEqual(os.path.islink(path), through_link, layer.source())
        self.assertEqual(os.path.realpath(path), os.path.realpath(real))

    def test_dropped_sheets_open_whole_under_readable_names(self):
        from qgis.core import QgsProviderRegistry
        for folder, name, title, linked, colors_linked in CASES:
            with self.subTest(folder=folder, name=title):
                self.project.clear()
                wat, colors = self.hand_sheet(folder, name)
                self.assertTrue(self.handler.handleMimeDataV2(dropped([wat])))
                [group] = self.project.layerTreeRoot().findGroups()
                self.assertEqual(group.name(), title)
                self.assertEqual([c.name() for c in group.children()],
                                 [n.replace("%s", title) for n in LAYERS])
                layers = [c.layer() for c in group.children()]
                for layer in layers:
                    self.assertTrue(layer.isValid(), layer.source())
                    self.assertGreater(layer.featureCount(), 0, layer.source())
                    self.assertEqual(layer.renderer().type(), "RuleRenderer", layer.name())
                    self.assertEqual(layer.crs().authid(), "EPSG:4527", layer.name())
                    [option] = [o for o in QgsProviderRegistry.instance().decodeUri(
                        "ogr", layer.source())["openOptions"] if o.startswith("COLOR_INDEX=")]
                    index = option[len("COLOR_INDEX="):]
                    self.assertEqual(os.path.islink(index), colors_linked, option)
                    self.assertEqual(os.path.realpath(index), os.path.realpath(colors))
                self.assert_source(layers[0], wat, linked)
                self.assert_source(layers[2], os.path.splitext(wat)[0] + ".wal", linked)
                # Colour 5 of the index is blue, 2 green, 1 black: the index was read.
                lines = {f["RbUserID"]: f["Color"].upper() for f in layers[2].getFeatures()}
                self.assertEqual(lines, {9001: "#0000FF", 9002: "#00FF00", 9003: "#000000"})
                self.assertEqual([l.labelsEnabled() for l in layers], [True, False, False, False])
                self.assertEqual(sorted(label.labelText for label in render(layers).allLabels()),
                                 sorted(piece[0] for piece in HAND_PIECES))

    def test_convert_sheet_passes_the_paths_and_loads_the_output(self):
        from qgis.core import QgsVectorLayer
        for folder, name, title, _, _ in CASES:
            with self.subTest(folder=folder, name=title):
                wat, _ = self.hand_sheet(folder, name)
                wal = os.path.splitext(wat)[0] + ".wal"
                out = os.path.join(os.path.dirname(wat), name + ".gpkg")
                # No colour file: Processing's own check of a file parameter refuses a name
                # that is not UTF-8, before the algorithm runs.
                results, context = run("mapgis:convertsheet", {
                    "INPUT": [wat, wal], "DATUM": 3, "OUTPUT": out})
                self.assertEqual(results["OUTPUT"], out)
                self.assertTrue(os.path.isfile(out))
                loaded = context.layersToLoadOnCompletion()
                self.assertEqual(sorted(d.name for d in loaded.values()),
                                 sorted(title + k for k in ("_lines", "_points", "_texts")))
                for uri, details in loaded.items():
                    layer = QgsVectorLayer(uri, details.name, "ogr")
                    self.assertTrue(layer.isValid(), uri)
                    self.assertGreater(layer.featureCount(), 0, uri)
                    self.assertEqual(layer.crs().authid(), "EPSG:4527", uri)


if __name__ == "__main__":
    unittest.main()
