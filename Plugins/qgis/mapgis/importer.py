# SPDX-License-Identifier: GPL-2.0-or-later
# MAPGIS sheets for QGIS: mapgis-import run as a subprocess.
"""Runs mapgis-import with progress and cancel through a QgsFeedback-like object."""
import os
import re
import selectors
import shutil
import signal
import subprocess

# The Processing setting (Options > Processing > Providers > MAPGIS) naming the program.
SETTING_PATH = "MAPGIS_IMPORT_PATH"
_PROGRESS = re.compile(r"^progress\s+([0-9]*\.?[0-9]+)\s*$")
# How long an interrupted import gets to remove what it had begun.
INTERRUPT_WAIT = 60


class ImporterError(Exception):
    """mapgis-import failed or is missing; the message says why, in its own words."""

    def __init__(self, message, status=None):
        super().__init__(message)
        self.status = status


def find_importer(configured=""):
    """The program: the path set in the plugin's settings, else mapgis-import on PATH."""
    if configured:
        return configured if os.access(configured, os.X_OK) else ""
    return shutil.which("mapgis-import") or ""


def configured_path():
    try:
        from processing.core.ProcessingConfig import ProcessingConfig
    except ImportError:  # Processing is off, or Python runs outside QGIS: PATH alone
        return ""
    return ProcessingConfig.getSetting(SETTING_PATH) or ""


def parse_progress(line):
    """The fraction of a `progress <fraction>` line, clamped to 0..1; None for other lines."""
    match = _PROGRESS.match(line)
    if not match:
        return None
    return min(1.0, max(0.0, float(match.group(1))))


class Importer:
    """One mapgis-import program and what its --help says it offers."""

    def __init__(self, path=None):
        if path is None:
            configured = configured_path()
            path = find_importer(configured)
            if configured and not path:
                raise ImporterError("%s, set as mapgis-import in Settings > Options > "
                                    "Processing > Providers > MAPGIS, cannot be run" % configured)
        self.path = path
        if not self.path:
            raise ImporterError("mapgis-import was not found: install the Debian package "
                                "mapgis-import, or set its path in Settings > Options > "
                                "Processing > Providers > MAPGIS")
        self.help = subprocess.run([self.path, "--help"], capture_output=True, text=True,
                                   timeout=60).stdout

    def offers(self, option):
        # The option whole: --style is not --style-only.
        pattern = r"(^|[\s,\[])%s(?=[\s=,\]\[]|$)" % re.escape(option)
        return re.search(pattern, self.help, re.MULTILINE) is not None

    def run(self, args, feedback=None, env=None, accept=(0,)):
        """Runs mapgis-import with args: its exit status and its standard output's lines
        other than progress. Raises ImporterError with mapgis-import's message on cancel or
        an exit status not in accept."""
        command = [self.path] + list(args)
        if feedback is not None and self.offers("--progress"):
            command.append("--progress=lines")
        run = _Run(command, feedback, env)
        status = run.wait()
        if run.interrupted:
            raise ImporterError("cancelled: mapgis-import stopped (exit %d)%s" % (
                status, run.said()), status)
        if status not in accept:
            raise ImporterError("mapgis-import failed (exit %d)%s" % (status, run.said()),
                                status)
        return status, run.out_lines


class _Run:
    """A running import whose output is read as it comes, so that progress and cancel act
    at once."""

    def __init__(self, command, feedback, env):
        self.feedback = feedback
        self.out_lines, self.err_lines = [], []
        self.interrupted = False
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        stdin=subprocess.DEVNULL, env=env)
        self.pending = {self.process.stdout.fileno(): b"", self.process.stderr.fileno(): b""}

    def said(self):
        return (": " + " ".join(self.err_lines)) if self.err_lines else ""

    def wait(self):
        with selectors.DefaultSelector() as selector:
            for stream in (self.process.stdout, self.process.stderr):
                selector.register(stream, selectors.EVENT_READ)
            while selector.get_map():
                if not self.interrupted and self.canceled():
                    self.process.send_signal(signal.SIGINT)
                    self.interrupted = True
                for key, _ in selector.select(0.1):
                    if not self.read(key.fileobj):
                        selector.unregister(key.fileobj)
        try:
            return self.process.wait(INTERRUPT_WAIT if self.interrupted else None)
        except subprocess.TimeoutExpired:
            self.err_lines.append("it did not stop within %d s of the interrupt and was "
                                  "killed" % INTERRUPT_WAIT)
            self.process.kill()
            return self.process.wait()
        finally:
            self.process.stdout.close()
            self.process.stderr.close()

    def canceled(self):
        return self.feedback is not None and self.feedback.isCanceled()

    def read(self, stream):
        fd = stream.fileno()
        data = os.read(fd, 65536)
        text = self.pending[fd] + data
        lines = text.split(b"\n")
        # The last piece waits for the rest of its line, unless the stream has ended.
        self.pending[fd] = lines.pop() if data else b""
        is_error = fd == self.process.stderr.fileno()
        for raw in lines:
            self.line(raw.decode("utf-8", "replace").rstrip("\r"), is_error)
        return bool(data)

    def line(self, line, is_error):
        if not line:
            return
        if is_error:
            self.err_lines.append(line)
            if self.feedback is not None:
                self.feedback.pushWarning(line)
            return
        fraction = parse_progress(line)
        if fraction is None:
            self.out_lines.append(line)
            if self.feedback is not None:
                self.feedback.pushInfo(line)
        elif self.feedback is not None:
            self.feedback.setProgress(100.0 * fraction)
