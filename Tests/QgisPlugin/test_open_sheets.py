"""Sheets dropped on QGIS and opened from its browser, in real QGIS: groups, layer order,
styles, labels, colours, coordinate systems and the account in QGIS's log."""
import os
import sys
import unittest

from plugin_common import HERE, LOG, SAMPLES, SHEET_FILES, TempDirCase, qgis_app

sys.path.insert(0, os.path.join(HERE, "..", "Importer"))
from test_qgis_map import HAND_PIECES, HAND_WAL, HAND_WAT  # noqa: E402  the hand-made sheet
from test_color_library import GREEN, RED, library  # noqa: E402  a colour library made by hand

# Top to bottom, by what the README's layers hold: texts, symbols, a network's nodes over its
# arcs, lines, areas; a kind two files give is named after each file.
SAMPLE_ORDER = ["sample_texts", "sample_points", "sample_nodes", "sample_network",
                "sample_lines (sample.wal)", "sample_lines (sample.wat)",
                "sample_areas (sample.wap)", "sample_areas (sample.wat)"]
# The sample's line, area and network files carry zone 39 in front of their eastings
# (CGCS2000 zone 39: EPSG:4527); its point file does not (CM 117E: EPSG:4548).
SAMPLE_SYSTEMS = {"sample.wal": "EPSG:4527", "sample.wap": "EPSG:4527",
                  "sample.wan": "EPSG:4527", "sample.wat": "EPSG:4548"}


class Answers:
    """The user's answers to the questions about systems, and the questions asked."""

    def __init__(self):
        self.asked = []

    def __call__(self, name, decision):
        self.asked.append((name, decision.action))
        return "CGCS2000" if decision.action == "ask_datum" else "EPSG:4548"


def fresh_drop():
    """A cleared project, a loader that answers every question, and a drop handler over it."""
    from mapgis.drop import SheetDropHandler
    from mapgis.loader import SheetLoader
    from mapgis.messages import Notifier
    from mapgis.systems import Session
    from qgis.core import QgsProject
    project = QgsProject.instance()
    project.clear()
    loader = SheetLoader(Notifier(), Session(), Answers(), project)
    return project, loader, SheetDropHandler(loader)


def mime(paths):
    from qgis.PyQt.QtCore import QMimeData, QUrl
    data = QMimeData()
    data.setUrls([QUrl.fromLocalFile(p) for p in paths])
    return data


def render(layers):
    """QGIS's map renderer over the layers; its labelling results."""
    from qgis.core import QgsMapRendererSequentialJob, QgsMapSettings, QgsRectangle
    from qgis.PyQt.QtCore import QSize
    settings = QgsMapSettings()
    settings.setLayers(layers)
    settings.setDestinationCrs(layers[0].crs())
    extent = QgsRectangle()
    for layer in layers:
        extent.combineExtentWith(layer.extent())
    extent.scale(1.1)
    settings.setExtent(extent)
    settings.setOutputSize(QSize(800, 600))
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    return job.takeLabelingResults()


class OpenSheets(TempDirCase):
    @classmethod
    def setUpClass(cls):
        qgis_app()

    def setUp(self):
        super().setUp()
        from mapgis.drop import SheetDropHandler, SheetItemGuiProvider
        from mapgis.loader import SheetLoader
        from mapgis.messages import Notifier
        from mapgis.systems import Session
        from qgis.core import QgsProject
        self.project = QgsProject.instance()
        self.project.clear()
        self.answers = Answers()
        from qgis.gui import QgsMessageBar
        self.bar = QgsMessageBar()
        self.loader = SheetLoader(Notifier(self.bar), Session(), self.answers, self.project)
        self.handler = SheetDropHandler(self.loader)
        self.browser = SheetItemGuiProvider(self.loader)

    def tearDown(self):
        self.project.clear()
        super().tearDown()

    def groups(self):
        return self.project.layerTreeRoot().findGroups()

    def assert_sample_group(self, group):
        self.assertEqual(group.name(), "sample")
        self.assertEqual([c.name() for c in group.children()], SAMPLE_ORDER)
        for node in group.children():
            layer = node.layer()
            self.assertTrue(layer.isValid(), node.name())
            self.assertEqual(layer.renderer().type(), "RuleRenderer", node.name())
            path = layer.source().split("|")[0]
            self.assertEqual(layer.crs().authid(), SAMPLE_SYSTEMS[os.path.basename(path)],
                             node.name())
            self.assertIn("|option:COLOR_INDEX=" + self.path("colors.txt"), layer.source())

    def test_a_dropped_sample_sheet_is_a_group_in_map_order(self):
        before = self.listing()
        files = self.copy_samples()
        self.assertTrue(self.handler.canHandleMimeData(mime(files[:2])))
        self.assertTrue(self.handler.handleMimeDataV2(mime(files[:2])))
        groups = self.groups()
        self.assertEqual(len(groups), 1)  # two files of one sheet: the whole sheet, once
        self.assert_sample_group(groups[0])
        # One question per kind of eastings, kept for the rest of the session.
        self.assertEqual(sorted(a for _, a in self.answers.asked), ["ask_datum", "ask_system"])
        texts = groups[0].children()[0].layer()
        labeling = texts.labeling().settings()
        self.assertTrue(texts.labelsEnabled())
        self.assertEqual(labeling.fieldName, "Text")
        self.assertTrue(labeling.displayAll)
        size = labeling.dataDefinedProperties().property(labeling.Size)
        self.assertIn('"TextHeight"', size.expressionString())
        rules = texts.renderer().rootRule().children()
        self.assertEqual([r.label() for r in rules], ["areas", "lines", "symbols"])
        # Nothing beside the user's files, nothing left of the styles' folder.
        self.assertEqual(self.listing(), sorted(before + [os.path.basename(f) for f in files]))
        self.assertEqual(os.listdir(self.tmp), [])
        # The point file's account: item 10 on line 12 is an image, item 11 on line 13 a text
        # continued over two lines, which the reader refuses.
        said = [(text, level) for tag, text, level in LOG if tag == "MAPGIS"]
        self.assertIn(("sample.wat: Of the 11 items of sample.wat, 9 were imported (0 repaired)"
                       ", 1 refused (line 13), 1 not importable by design and 0 skipped. "
                       "(details in the MAPGIS log)", 1), said)
        self.assertIn(("sample.wat:12: item 10 (image) not importable by design", 1), said)
        self.assertTrue(any(t.startswith("sample.wat:13: item 11 (text) refused: ") and lvl == 1
                            for t, lvl in said), said)
        # The files that lost something, on the message bar as warnings: the point file's
        # refused text and image, the area file's colour numbers that the index lacks.
        shown = sorted((item.title(), item.level()) for item in self.bar.items())
        self.assertEqual(shown, [("sample.wap", 1), ("sample.wat", 1)])
        wat = next(item for item in self.bar.items() if item.title() == "sample.wat")
        self.assertIn("1 refused (line 13)", wat.text())

    def test_a_hand_made_sheet_with_its_labels_and_colours(self):
        self.copy_samples(names=("colors.txt",))
        wat = self.write("hand.wat", "WMAPGIS point file: hand-made sheet\n%d\n%s\n" % (
            len(HAND_WAT), "\n".join(HAND_WAT)), "gbk")
        self.write("hand.wal", HAND_WAL)
        self.assertTrue(self.handler.handleMimeDataV2(mime([wat])))
        group = self.groups()[0]
        self.assertEqual(group.name(), "hand")
        self.assertEqual([c.name() for c in group.children()],
                         ["hand_texts", "hand_points", "hand_lines (hand.wal)",
                          "hand_lines (hand.wat)"])
        layers = [c.layer() for c in group.children()]
        self.assertEqual({l.crs().authid() for l in layers}, {"EPSG:4527"})
        self.assertEqual({l.renderer().type() for l in layers}, {"RuleRenderer"})
        self.assertEqual(self.answers.asked, [("hand.wal", "ask_datum")])
        # Colour 5 of the index is blue, 2 green, 1 black (test_qgis_map works them out).
        lines = {f["RbUserID"]: f["Color"] for f in layers[2].getFeatures()}
        self.assertEqual({k: v.upper() for k, v in lines.items()},
                         {9001: "#0000FF", 9002: "#00FF00", 9003: "#000000"})
        # Only the texts layer labels: the fraction's bar in the lines layer has its Text too.
        self.assertEqual([l.labelsEnabled() for l in layers], [True, False, False, False])
        labels = render(layers).allLabels()
        self.assertEqual(sorted(label.labelText for label in labels),
                         sorted(piece[0] for piece in HAND_PIECES))

    def test_the_colour_source_beside_the_sheet(self):
        import shutil
        index = os.path.join(SAMPLES, "colors.txt")
        # What lies beside sheet 1, the file used, the colour of its first line (colour 3:
        # red in the sample index, green in the library) and what the log says.
        cases = [
            ("library", {"Pcolor.lib": None}, "Pcolor.lib", GREEN, ""),
            ("index wins", {"colors.txt": index, "Pcolor.lib": None}, "colors.txt", RED, ""),
            ("named", {"1.txt": index, "other.txt": index}, "1.txt", RED, ""),
            ("unnamed", {"a.txt": index, "b.txt": index}, None, None,
             "2 colour index files beside the sheet and none named after it: none used"),
            ("none", {}, None, None, "no colour index file or Pcolor.lib beside the sheet"),
        ]
        for folder, beside, used, colour, said in cases:
            with self.subTest(folder):
                LOG.clear()
                os.makedirs(self.path(folder))
                wal = shutil.copy(os.path.join(SAMPLES, "sample.wal"), self.path(folder, "1.wal"))
                for name, source in beside.items():
                    if source is None:
                        with open(self.path(folder, name), "wb") as f:
                            f.write(library())
                    else:
                        shutil.copy(source, self.path(folder, name))
                [group] = self.loader.open_files([wal])
                layer = group.children()[0].layer()
                option = "|option:COLOR_INDEX="
                if used:
                    self.assertIn(option + self.path(folder, used) + "|", layer.source() + "|")
                else:
                    self.assertNotIn(option, layer.source())
                self.assertEqual(layer.getFeature(1)["Color"], colour)
                if said:
                    self.assertIn(("MAPGIS", "1: %s; the map keeps default colours" % said, 0),
                                  LOG)

    def test_files_dropped_one_by_one_make_one_group(self):
        files = self.copy_samples()
        for path in files:
            self.assertEqual(self.handler.handleFileDrop(path), path.endswith(SHEET_FILES))
        self.assertEqual(len(self.groups()), 1)
        self.assert_sample_group(self.groups()[0])
        # Once QGIS has handed over that drop, a new drop of the sheet opens it again.
        from qgis.core import QgsApplication
        QgsApplication.processEvents()
        self.assertTrue(self.handler.handleFileDrop(files[0]))
        self.assertEqual(len(self.groups()), 2)

    def test_other_files_are_left_to_qgis(self):
        files = self.copy_samples()
        self.assertFalse(self.handler.canHandleMimeData(mime(files)))  # colors.txt
        self.assertFalse(self.handler.handleMimeDataV2(mime(files)))
        self.assertFalse(self.handler.handleFileDrop(self.path("colors.txt")))
        self.assertEqual(self.groups(), [])

    def test_a_double_click_in_the_browser_opens_the_sheet(self):
        from qgis.core import QgsDirectoryItem
        from qgis.gui import QgsDataItemGuiContext
        self.copy_samples()
        folder = QgsDirectoryItem(None, "samples", self.dir)
        items = {os.path.basename(c.path().split("|")[0]): c for c in folder.createChildren()}
        self.assertIn("sample.wap", items)
        # The folder is no MAPGIS file: QGIS opens it as it does.
        self.assertFalse(self.browser.handleDoubleClick(folder, QgsDataItemGuiContext()))
        for name in SHEET_FILES:
            with self.subTest(name):
                self.project.clear()
                self.assertTrue(self.browser.handleDoubleClick(items[name],
                                                               QgsDataItemGuiContext()))
                self.assertEqual(len(self.groups()), 1)
                self.assert_sample_group(self.groups()[0])


if __name__ == "__main__":
    unittest.main()
