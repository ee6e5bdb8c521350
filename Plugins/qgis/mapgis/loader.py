# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: a sheet opened into the project as a group of styled layers.
"""Opens sheets through the driver, each as a layer group in map order with its style."""
import os
import tempfile

from qgis.core import Qgis, QgsProject, QgsVectorLayer

from . import sheets, systems
from .account import read_account
from .importer import Importer, ImporterError


def write_styles(importer, files, folder):
    """The QML mapgis-import writes for the files, made in folder (links to the files stand
    in for them, so nothing is written beside the user's files): {file: qml path}."""
    styles = {}
    for path in files:
        link = os.path.join(folder, os.path.basename(path))
        if not os.path.lexists(link):
            os.symlink(path, link)
    importer.run(["--style-only", "--overwrite", "-q"] +
                 [os.path.join(folder, os.path.basename(p)) for p in files])
    for path in files:
        qml = os.path.splitext(os.path.join(folder, os.path.basename(path)))[0] + ".qml"
        if os.path.isfile(qml):
            styles[path] = qml
    return styles


def layer_uri(path, name, options):
    return "|".join([path, "layername=" + name] + ["option:" + o for o in options])


class SheetLoader:
    """Opens sheets into a project. ask(title, decision) answers a question about the coordinate
    system with a system, or "" for none; without it the question is logged and no system
    given."""

    def __init__(self, notifier, session, ask=None, project=None):
        self.notifier = notifier
        self.session = session
        self.ask = ask
        self.project = project or QgsProject.instance()

    def open_files(self, paths):
        """Each sheet of the files (all its files) as a group; the groups added."""
        groups = []
        for title, files in sheets.group_sheets(paths):
            group = self.open_sheet(title, files)
            if group is not None:
                groups.append(group)
        return groups

    def open_sheet(self, title, files):
        colors, why_none = sheets.color_source(files)
        if why_none:
            self.notifier.log("%s: %s; the map keeps default colours" % (title, why_none))
        options = ["COLOR_INDEX=" + colors] if colors else []
        accounts = [read_account(path, options) for path in files]
        self.report(accounts)
        accounts = [a for a in accounts if not a.error]
        # Each file its own system: a sheet's point file may be drawn without the zone
        # number its line file carries.
        file_options = {}
        for account in accounts:
            srs = self.choose_system(os.path.basename(account.path), account.bounds)
            file_options[account.path] = options + (["SRS=" + srs] if srs else [])
        layers = self.make_layers(title, accounts, file_options)
        if not layers:
            return None
        return self.add_group(title, layers)

    def choose_system(self, name, bounds):
        decision = systems.decide(bounds, self.session)
        if decision.action == "use":
            self.notifier.log("%s: coordinate system %s (%s)" % (
                name, decision.srs or "none", decision.reason))
            return decision.srs
        answer = self.ask(name, decision) if self.ask is not None else None
        if not answer:
            self.notifier.tell(name, "no coordinate system given (%s)" % decision.reason,
                               Qgis.Warning)
            return ""
        systems.remember(self.session, decision, answer)
        self.notifier.log("%s: coordinate system %s (%s)" % (name, answer, decision.reason))
        return answer

    def make_layers(self, title, accounts, file_options):
        entries = sheets.in_map_order([(name, a.path) for a in accounts for name in a.layers])
        names = [name for name, _ in entries]
        with tempfile.TemporaryDirectory(prefix="mapgis-styles-") as folder:
            styles = self.styles([a.path for a in accounts], folder)
            layers = []
            for name, path in entries:
                shown = name if names.count(name) == 1 else "%s (%s)" % (
                    name, os.path.basename(path))
                layer = self.make_layer(title, layer_uri(path, name, file_options[path]),
                                        shown, styles.get(path))
                if layer is not None:
                    # One style serves every layer of a file; only the texts layer draws the
                    # texts (a fraction's bar in the lines layer keeps its text's fields).
                    layer.setLabelsEnabled(sheets.kind_of(name) == "texts")
                    layers.append(layer)
        return layers

    def make_layer(self, title, uri, shown, qml):
        layer = QgsVectorLayer(uri, shown, "ogr")
        if not layer.isValid():
            self.notifier.tell(title, "%s cannot be opened" % uri, Qgis.Critical)
            return None
        if qml is not None:
            message, ok = layer.loadNamedStyle(qml)
            if not ok:
                self.notifier.log("%s: style not loaded: %s" % (shown, message),
                                  Qgis.Warning)
        return layer

    def styles(self, files, folder):
        """Each file's style, made in folder."""
        try:
            return write_styles(Importer(), files, folder)
        except ImporterError as error:
            self.notifier.tell("MAPGIS", "styles not made: %s" % error, Qgis.Warning)
            return {}

    def add_group(self, title, layers):
        root = self.project.layerTreeRoot()
        group = root.insertGroup(0, title)
        for layer in layers:
            self.project.addMapLayer(layer, False)
            group.addLayer(layer)
        return group

    def report(self, accounts):
        for account in accounts:
            name = os.path.basename(account.path)
            if account.error:
                self.notifier.tell(name, account.error, Qgis.Critical)
                continue
            # The items with their lines; the read's warnings that say more than they do.
            entries = ["%s:%s" % (name, item) for item in account.items]
            entries += [w for w in account.warnings if w not in entries and
                        not any(w.endswith(note) for note in account.notes)]
            entries += ["%s: %s" % (name, note) for note in account.notes]
            for entry in entries:
                self.notifier.log(entry, Qgis.Warning)
            level = Qgis.Warning if account.has_losses() else Qgis.Info
            text = account.description or "opened"
            if account.has_losses():
                self.notifier.tell(name, text + " (details in the MAPGIS log)", level)
            else:
                self.notifier.log("%s: %s" % (name, text), level)

