# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: a sheet opened into the project as a group of styled layers.
"""Opens sheets through the driver, each as a layer group in map order with its style."""
import os
import tempfile
from dataclasses import dataclass, field

from qgis.core import Qgis, QgsApplication, QgsProject, QgsVectorLayer

from . import sheets, systems, uris
from .account import read_account
from .importer import Importer, ImporterError
from .tasks import SheetTask, TaskFeedback


def write_styles(importer, files, folder, feedback=None):
    """The QML mapgis-import writes for the files, made in folder (links to the files stand
    in for them, so nothing is written beside the user's files): {file: qml path}."""
    styles = {}
    for path in files:
        link = os.path.join(folder, os.path.basename(path))
        if not os.path.lexists(link):
            os.symlink(path, link)
    importer.run(["--style-only", "--overwrite", "-q"] +
                 [os.path.join(folder, os.path.basename(p)) for p in files], feedback)
    for path in files:
        qml = os.path.splitext(os.path.join(folder, os.path.basename(path)))[0] + ".qml"
        if os.path.isfile(qml):
            styles[path] = qml
    return styles


# Sheets smaller than this open at once (about 85 ms a megabyte here, mapgis-import's start
# aside): a task would only add the wait for a thread and a flash in the task manager, and
# leave the caller without the group.
SMALL_SHEET = 2 * 1024 * 1024


def sheet_size(files):
    return sum(os.path.getsize(f) for f in files if os.path.isfile(f))


@dataclass
class Sheet:
    """A sheet on its way into the project: its files as QGIS opens them (links for those no
    URI carries), its colour options, the files' accounts and each file's options."""
    title: str
    files: list
    options: list = field(default_factory=list)
    accounts: list = field(default_factory=list)
    file_options: dict = field(default_factory=dict)


class SheetLoader:
    """Opens sheets into a project. ask(title, decision) answers a question about the coordinate
    system with a system, or "" for none; without it the question is logged and no system
    given. Large sheets open in QGIS's task manager; tasks holds those under way."""

    def __init__(self, notifier, session, ask=None, project=None, small_sheet=SMALL_SHEET):
        self.notifier = notifier
        self.session = session
        self.ask = ask
        self.project = project or QgsProject.instance()
        self.small_sheet = small_sheet
        self.tasks = []

    def open_files(self, paths):
        """Each sheet of the files (all its files) as a group: the groups of small sheets,
        added at once; large sheets are added when their tasks are done."""
        groups = []
        for title, files in sheets.group_sheets(paths):
            if sheet_size(files) >= self.small_sheet:
                self.start(SheetTask("Opening MAPGIS sheet " + title,
                                     lambda task, t=title, f=files: self.read(t, f, task),
                                     self.read_done, self.notifier))
                continue
            sheet = self.read(title, files)
            self.decide(sheet)
            group = self.add_group(sheet.title, self.make_layers(sheet))
            if group is not None:
                groups.append(group)
        return groups

    def start(self, task):
        self.tasks.append(task)
        task.taskCompleted.connect(lambda: self.forget(task))
        task.taskTerminated.connect(lambda: self.forget(task))
        QgsApplication.taskManager().addTask(task)

    def forget(self, task):
        if task in self.tasks:
            self.tasks.remove(task)

    def read_done(self, sheet):
        self.decide(sheet)
        self.start(SheetTask("Loading the layers of MAPGIS sheet " + sheet.title,
                             lambda task: self.make_layers(sheet, task),
                             lambda layers: self.add_group(sheet.title, layers), self.notifier))

    def read(self, title, files, task=None):
        """The sheet's files through the driver: links, colour source and accounts. Safe in
        a task's thread: it only logs and links."""
        opened = [uris.openable(f) for f in files]
        colors, why_none = sheets.color_source(files)
        if why_none:
            self.notifier.log("%s: %s; the map keeps default colours" % (title, why_none))
        sheet = Sheet(title, opened, ["COLOR_INDEX=" + uris.option_openable(colors)]
                      if colors else [])
        for done, path in enumerate(opened):
            if task is not None and task.isCanceled():
                break
            sheet.accounts.append(read_account(path, sheet.options))
            if task is not None:
                task.setProgress(100.0 * (done + 1) / len(opened))
        return sheet

    def decide(self, sheet):
        """The accounts said, each file's system chosen (this may ask the user)."""
        self.report(sheet.accounts)
        sheet.accounts = [a for a in sheet.accounts if not a.error]
        # Each file its own system: a sheet's point file may be drawn without the zone
        # number its line file carries.
        for account in sheet.accounts:
            srs = self.choose_system(os.path.basename(account.path), account.bounds)
            sheet.file_options[account.path] = sheet.options + (["SRS=" + srs] if srs else [])

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

    def make_layers(self, sheet, task=None):
        """The sheet's layers in map order, styled. In a task, handed to QGIS's thread."""
        entries = sheets.in_map_order([(name, a.path) for a in sheet.accounts
                                       for name in a.layers])
        names = [name for name, _ in entries]
        index = {a.path: a.layers.index for a in sheet.accounts}
        feedback = TaskFeedback(task, self.notifier, 0, 50) if task is not None else None
        with tempfile.TemporaryDirectory(prefix="mapgis-styles-") as folder:
            styles = self.styles([a.path for a in sheet.accounts], folder, feedback)
            layers = []
            for done, (name, path) in enumerate(entries, 1):
                if task is not None and task.isCanceled():
                    return []
                shown = name if names.count(name) == 1 else "%s (%s)" % (
                    name, os.path.basename(path))
                layer = self.make_layer(sheet.title, path, (name, index[path](name)),
                                        sheet.file_options[path], shown, styles.get(path))
                if layer is not None:
                    # One style serves every layer of a file; only the texts layer draws the
                    # texts (a fraction's bar in the lines layer keeps its text's fields).
                    layer.setLabelsEnabled(sheets.kind_of(name) == "texts")
                    layers.append(layer)
                if task is not None:
                    task.setProgress(50.0 + 50.0 * done / len(entries))
        if task is not None:
            # Not before: the layers of a cancelled task go with its thread.
            for layer in layers:
                layer.moveToThread(QgsApplication.instance().thread())
        return layers

    def make_layer(self, title, path, name_index, options, shown, qml):
        uri = uris.layer_uri(path, name_index[0], name_index[1], options)
        if uri is None:
            self.notifier.tell(title, "%s cannot be named in a layer URI" % path,
                               Qgis.Critical)
            return None
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

    def styles(self, files, folder, feedback=None):
        """Each file's style, made in folder."""
        try:
            return write_styles(Importer(), files, folder, feedback)
        except ImporterError as error:
            self.notifier.tell("MAPGIS", "styles not made: %s" % error, Qgis.Warning)
            return {}

    def add_group(self, title, layers):
        if not layers:
            return None
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

