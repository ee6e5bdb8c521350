"""mapgis-import over archives: sheets found in folders, converted by workers, a failed sheet
reported while the others go on, the report of every input, --resume and --merge; signals,
a temp cleaner, reports that cannot be written, two archives into one new folder."""
import array
import glob
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, interrupted, layer_counts, run, sample

SHEET = {"1_lines": 30, "1_areas": 3}  # the line and area samples


def heavy_sheet(path, lines=150000):
    """A line file that takes a worker a second or two: time for a signal to find it busy."""
    items = "".join(f"1,0,3,5,0,0,0,0,0\n2\n{i},0\n{i},1\n{i},0\n" for i in range(lines))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii") as f:
        f.write(f"lines\n{lines}\n{items}")


def partials(folder):
    """Hidden work folders anywhere under folder."""
    return [os.path.join(d, n) for d, dirs, _ in os.walk(folder) for n in dirs
            if ".partial-" in n or ".sheets-" in n]


class Archive(TempDirCase):
    """Three sheets in nested folders, one with a colour index, and one no exchange file."""

    def setUp(self):
        super().setUp()
        self.root = self.path("county")
        for folder in ("a", "a/b", "c"):
            os.makedirs(os.path.join(self.root, folder))
            for ext in ("wal", "wap"):
                shutil.copy(sample("sample." + ext), os.path.join(self.root, folder, "1." + ext))
        shutil.copy(sample("colors.txt"), os.path.join(self.root, "a"))
        self.write("county/c/broken.wal", "not an exchange file\n")
        self.out = self.path("out")

    def convert(self, *extra, status=5):
        return self.importer(self.root, "-o", self.out, "--srs", "EPSG:4527", "-r", *extra,
                             status=status)

    def by_input(self, report):
        return {os.path.relpath(row["input"], self.root): row
                for row in self.report(self.path(report))}

    def test_sheets_in_parallel_with_a_failure_reported_then_resumed(self):
        r = self.convert("-j", "2", "--report", self.path("report.json"))
        self.assertIn("4 sheets: 3 written, 0 skipped (their output exists), 1 failed", r.stdout)
        self.assertIn("c/broken", r.stderr)
        for folder in ("a", "a/b", "c"):
            self.assertEqual(layer_counts(os.path.join(self.out, folder, "1.gpkg")), SHEET)
        # Nothing of the failed sheet nor of the work in progress is left.
        self.assertEqual(os.listdir(os.path.join(self.out, "c")), ["1.gpkg"])
        rows = self.by_input("report.json")
        self.assertEqual(sorted(rows), ["a/1.wal", "a/1.wap", "a/b/1.wal", "a/b/1.wap",
                                        "c/1.wal", "c/1.wap", "c/broken.wal"])
        self.assertEqual((rows["c/broken.wal"]["sheet"], rows["c/broken.wal"]["status"]),
                         ("c/broken", "3"))
        self.assertIn("broken.wal", rows["c/broken.wal"]["error"])
        self.assertEqual([rows["a/1.wal"][k] for k in ("items", "written", "status")],
                         ["30", "30", "0"])
        # The colour index beside sheet a, and none for the others: colour 3 of item 1 is red
        # with it.
        self.assertEqual(rows["a/1.wal"]["colors"], os.path.join(self.root, "a", "colors.txt"))
        self.assertEqual(rows["a/b/1.wal"]["colors"], "")
        for folder, red in (("a", True), ("a/b", False)):
            ds = gdal.OpenEx(os.path.join(self.out, folder, "1.gpkg"), gdal.OF_VECTOR)
            first = ds.GetLayerByName("1_lines").GetFeature(1)
            self.assertEqual(first["Color"] == "#FF0000", red, folder)
        # --resume: the complete outputs stay as they are, the missing one is written again.
        done = os.path.join(self.out, "a", "1.gpkg")
        before = os.stat(done).st_mtime_ns
        os.remove(os.path.join(self.out, "c", "1.gpkg"))
        r = self.convert("--resume", "--report", self.path("report.csv"))
        self.assertIn("4 sheets: 1 written, 2 skipped (their output exists), 1 failed", r.stdout)
        self.assertEqual(os.stat(done).st_mtime_ns, before)
        self.assertEqual(layer_counts(os.path.join(self.out, "c", "1.gpkg")), SHEET)
        rows = self.by_input("report.csv")
        self.assertEqual(rows["a/1.wal"]["error"], "skipped: its output exists (--resume)")
        self.assertEqual((rows["c/1.wal"]["status"], rows["c/1.wal"]["written"]), ("0", "30"))

    def test_without_r_only_the_folder_itself(self):
        shutil.copy(sample("sample.wal"), os.path.join(self.root, "top.wal"))
        # The output folder named relative to the current one.
        self.importer("county", "-o", "out", "-q", cwd=self.dir)
        self.assertEqual(os.listdir(self.out), ["top.gpkg"])

    def test_merged_into_common_layers_or_layers_per_sheet(self):
        merged = self.path("county.gpkg")
        self.convert("--merge", "-o", merged, "-q")
        ds = gdal.OpenEx(merged, gdal.OF_VECTOR)
        for kind, per_sheet in (("lines", 30), ("areas", 3)):
            layer = ds.GetLayerByName("county_" + kind)
            self.assertEqual(layer.GetSpatialRef().GetAuthorityCode(None), "4527")
            self.assertEqual([f["sheet"] for f in layer],
                             [s for s in ("a/1", "a/b/1", "c/1") for _ in range(per_sheet)])
        styles = ds.ExecuteSQL("SELECT f_table_name FROM layer_styles ORDER BY 1")
        self.assertEqual([f.GetField(0) for f in styles], ["county_areas", "county_lines"])
        ds.ReleaseResultSet(styles)
        # The merged layers' spatial indexes hold every feature.
        for kind, features in (("lines", 90), ("areas", 9)):
            rows = ds.ExecuteSQL(f"SELECT COUNT(*) FROM rtree_county_{kind}_geom")
            self.assertEqual(rows.GetNextFeature().GetField(0), features)
            ds.ReleaseResultSet(rows)
        del layer, ds
        # Complete or not at all: an existing dataset is not appended to.
        r = self.convert("--merge=sheets", "-o", merged, "-q", status=4)
        self.assertIn("--overwrite", r.stderr)
        self.convert("--merge=sheets", "-o", merged, "-q", "--overwrite")
        self.assertEqual(layer_counts(merged), {f"{s}_{k}": n for s in ("a_1", "a_b_1", "c_1")
                                                for k, n in (("lines", 30), ("areas", 3))})

    def test_a_merge_writes_each_sheet_once(self):
        # The sheets go straight into the merged dataset: the only GeoPackage made is the
        # merged one, being written beside its target (a sheet of its own would be another).
        for merge in ("--merge", "--merge=sheets"):
            with self.subTest(merge=merge):
                trace, merged = self.path(f"trace{merge}"), self.path(f"county{merge}.gpkg")
                r = run(["strace", "-f", "-qq", "-e", "trace=openat", "-o", trace, IMPORTER,
                         self.root, "-r", merge, "-o", merged, "-q", "--srs", "EPSG:4527"])
                self.assertEqual(r.returncode, 5, r.stderr)
                with open(trace, encoding="utf-8") as f:
                    made = {line.split('"')[1] for line in f
                            if "O_CREAT" in line and '.gpkg"' in line}
                self.assertEqual(len(made), 1, made)
                self.assertEqual(os.path.dirname(os.path.dirname(made.pop())), self.dir)
                self.assertEqual(sum(layer_counts(merged).values()), 3 * (30 + 3))

    def test_a_failed_sheet_leaves_nothing_in_the_merge(self):
        # Sheet a/0's one line has a style line of 8 fields, which the reader refuses: its
        # layer is made before the sheet turns out empty, and goes again with it; a/1 (the
        # line sample, 30 lines) is merged.
        root = self.path("first-fails")
        self.write("first-fails/a/0.wal", "WMAP lines\n1\n1,0,1,1,0,0,0,0\n2\n5,5\n6,6\n1,0\n")
        shutil.copy(sample("sample.wal"), os.path.join(root, "a", "1.wal"))
        for merge, layers in (("--merge", {"first-fails_lines": 30}),
                              ("--merge=sheets", {"a_1_lines": 30})):
            with self.subTest(merge=merge):
                merged = self.path(f"first{merge}.gpkg")
                r = self.importer(root, "-r", merge, "-o", merged, status=5)
                self.assertIn("sheet a/0 failed (exit 3): no layer to write", r.stderr)
                self.assertEqual(layer_counts(merged), layers)
                ds = gdal.OpenEx(merged, gdal.OF_VECTOR)
                if merge == "--merge":
                    self.assertEqual({f["sheet"] for f in ds.GetLayer(0)}, {"a/1"})
                styles = ds.ExecuteSQL("SELECT f_table_name FROM layer_styles")
                self.assertEqual([f.GetField(0) for f in styles], list(layers))
                ds.ReleaseResultSet(styles)

    def test_a_merge_interrupted_writes_nothing(self):
        # The sheets are written in this process: a signal while one is written leaves
        # neither the merged dataset nor its work folder.
        root, merged = self.path("heavy"), self.path("heavy.gpkg")
        for i in range(3):
            heavy_sheet(os.path.join(root, f"f{i}", "s.wal"))
        code, err = interrupted([IMPORTER, root, "-r", "--merge", "-o", merged, "-q"],
                                lambda: partials(self.dir), signal.SIGINT, settle=0.5)
        self.assertEqual(code, 130, err)
        self.assertIn("interrupted; nothing written", err)
        self.assertFalse(os.path.exists(merged))
        self.assertEqual(partials(self.dir), [])

    def test_signals_wait_for_the_workers_and_still_report(self):
        # Ctrl-C and a closed terminal reach the whole process group, workers too; kill
        # reaches the parent alone. Either way each worker cleans up once.
        for sig, group in ((signal.SIGINT, True), (signal.SIGHUP, True),
                           (signal.SIGTERM, False), (signal.SIGINT, False)):
            with self.subTest(signal=sig.name, group=group):
                root, out = self.path(f"heavy-{sig.name}-{group}"), self.path(f"out-{sig.name}-{group}")
                for i in range(6):
                    heavy_sheet(os.path.join(root, f"f{i}", "s.wal"))
                report = self.path(f"report-{sig.name}-{group}.json")
                proc = subprocess.Popen([IMPORTER, root, "-r", "-j", "2", "-o", out, "-q",
                                         "--report", report], start_new_session=True,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
                deadline = time.monotonic() + 60
                # A sheet done and another being written.
                while (not (os.path.exists(os.path.join(out, "f0", "s.gpkg")) and partials(out))
                       and proc.poll() is None and time.monotonic() < deadline):
                    time.sleep(0.005)
                self.assertIsNone(proc.poll(), "the archive ended before the signal")
                self.assertTrue(partials(out), "no worker was writing when the signal came")
                if group:
                    os.killpg(proc.pid, sig)
                else:
                    proc.send_signal(sig)
                _, err = proc.communicate(timeout=120)
                self.assertEqual(proc.returncode, 128 + sig, err)
                self.assertIn("interrupted", err)
                self.assertEqual(partials(out), [])
                rows = {os.path.relpath(row["input"], root): row for row in self.report(report)}
                self.assertEqual(len(rows), 6)
                for i in range(6):
                    row, gpkg = rows[f"f{i}/s.wal"], os.path.join(out, f"f{i}", "s.gpkg")
                    # Written exactly when reported so, and then whole.
                    self.assertEqual(row["status"] == "0", os.path.exists(gpkg), row)
                    if os.path.exists(gpkg):
                        self.assertEqual(layer_counts(gpkg), {"s_lines": 150000})
                        self.assertEqual(row["written"], "150000")
                    else:
                        self.assertIn(row["status"], ("130", "129", "143"))
                self.assertEqual(rows["f0/s.wal"]["status"], "0")

    def test_workers_take_sheet_after_sheet(self):
        # Eight sheets, the broken one among them: each worker is started once and imports
        # sheet after sheet, a failed sheet included; -j N starts N workers, never more than
        # there are sheets.
        for i in range(4):
            for ext in ("wal", "wap"):
                dest = os.path.join(self.root, f"d{i}", "1." + ext)
                os.makedirs(os.path.dirname(dest), exist_ok=True)
                shutil.copy(sample("sample." + ext), dest)
        for jobs, workers in ((1, 1), (2, 2), (16, 8)):
            with self.subTest(jobs=jobs):
                trace, out = self.path(f"trace-{jobs}"), self.path(f"out-{jobs}")
                # A file per process (-ff): with one file for all, strace splits a call that
                # another process's call interrupts into an unfinished and a resumed line.
                r = run(["strace", "-ff", "-qq", "-e", "trace=execve", "-o", trace, IMPORTER,
                         self.root, "-r", "-o", out, "-j", str(jobs), "--srs", "EPSG:4527"])
                self.assertEqual(r.returncode, 5, r.stderr)
                self.assertIn("8 sheets: 7 written, 0 skipped (their output exists), 1 failed",
                              r.stdout)
                started = []
                for path in glob.glob(trace + ".*"):
                    with open(path, encoding="utf-8") as f:
                        started += [line for line in f if '"--worker"' in line and
                                    line.endswith(") = 0\n")]
                self.assertEqual(len(started), workers, started)
                for folder in ("a", "a/b", "c", "d0", "d1", "d2", "d3"):
                    self.assertEqual(layer_counts(os.path.join(out, folder, "1.gpkg")), SHEET)

    def test_a_worker_ended_mid_sheet_fails_that_sheet_alone(self):
        # One worker: the sheet it was killed in fails with the signal's status, a new worker
        # takes the sheets after. SIGTERM lets the worker clean up its output; SIGKILL does
        # not, and its hidden work folder stays.
        for sig in (signal.SIGKILL, signal.SIGTERM):
            with self.subTest(signal=sig.name):
                root, out = self.path(f"heavy-{sig.name}"), self.path(f"out-{sig.name}")
                for i in range(3):
                    heavy_sheet(os.path.join(root, f"f{i}", "s.wal"))
                report = self.path(f"report-{sig.name}.json")
                proc = subprocess.Popen([IMPORTER, root, "-r", "-j", "1", "-o", out,
                                         "--report", report], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
                deadline = time.monotonic() + 60
                while not partials(out) and proc.poll() is None and time.monotonic() < deadline:
                    time.sleep(0.005)
                with open(f"/proc/{proc.pid}/task/{proc.pid}/children", encoding="ascii") as f:
                    workers = f.read().split()
                self.assertEqual(len(workers), 1)
                os.kill(int(workers[0]), sig)
                stdout, err = proc.communicate(timeout=120)
                self.assertEqual(proc.returncode, 5, err)
                self.assertIn(f"sheet f0/s failed (exit {128 + sig})", err)
                self.assertIn("3 sheets: 2 written, 0 skipped (their output exists), 1 failed",
                              stdout)
                rows = {os.path.relpath(row["input"], root): row for row in self.report(report)}
                self.assertEqual({k: row["status"] for k, row in rows.items()},
                                 {"f0/s.wal": str(128 + sig), "f1/s.wal": "0", "f2/s.wal": "0"})
                self.assertFalse(os.path.exists(os.path.join(out, "f0", "s.gpkg")))
                for i in (1, 2):
                    self.assertEqual(layer_counts(os.path.join(out, f"f{i}", "s.gpkg")),
                                     {"s_lines": 150000})
                self.assertEqual(len(partials(out)), 1 if sig == signal.SIGKILL else 0)

    def test_a_worker_driven_by_hand_over_its_socket(self):
        # Descriptor 3 left free, so a job's report may come on it. Each job goes to the
        # database the worker read from its environment as it started (nothing listens at
        # that socket: each fails to connect, exit 4, its password hidden) and says so in the
        # job's own files.
        ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        env = dict(os.environ,
                   MAPGIS_IMPORT_CONNECTION="PG:host=/nonexistent dbname=x password=sec9")
        worker = subprocess.Popen([IMPORTER, "--worker", "--output-from-environment"],
                                  stdin=theirs, env=env)
        theirs.close()
        self.assertNotIn("sec9", " ".join(worker.args))
        for name in ("t0", "t1"):
            with self.subTest(name=name), tempfile.TemporaryFile() as report, \
                    tempfile.TemporaryFile() as messages:
                argv = [sample("sample.wal"), "-q", "-f", "PostgreSQL", "--report",
                        "/dev/fd/3", "--name", name]
                ours.sendmsg([b"".join(a.encode() + b"\0" for a in argv)],
                               [(socket.SOL_SOCKET, socket.SCM_RIGHTS,
                                 array.array("i", [report.fileno(), messages.fileno()]))])
                self.assertEqual(struct.unpack("i", ours.recv(4))[0], 4)
                said = os.pread(messages.fileno(), 65536, 0).decode()
                self.assertIn("cannot connect to PG:host=/nonexistent dbname=x password=***",
                              said)
                self.assertNotIn("sec9", said)
                row = json.loads(os.pread(report.fileno(), 65536, 0))
                self.assertEqual((row["sheet"], row["status"]), (name, 4))
        # The archive closing its end ends the worker.
        ours.close()
        worker.wait(timeout=60)

    def test_a_temp_cleaner_takes_nothing_a_sheet_needs(self):
        # Everything in $TMPDIR deleted over and over while the workers run.
        tmp = self.path("tmp")
        os.makedirs(tmp)
        for i in range(3):
            heavy_sheet(os.path.join(self.root, "heavy", f"h{i}.wal"), 40000)
        stop = threading.Event()
        removed = []

        def clean():
            while not stop.is_set():
                for name in os.listdir(tmp):
                    removed.append(name)
                    shutil.rmtree(os.path.join(tmp, name), ignore_errors=True)
                    if os.path.exists(os.path.join(tmp, name)):
                        os.remove(os.path.join(tmp, name))
                time.sleep(0.005)
        cleaner = threading.Thread(target=clean)
        cleaner.start()
        try:
            r = subprocess.run([IMPORTER, self.root, "-o", self.out, "--srs", "EPSG:4527", "-r",
                                "-j", "2", "--report", self.path("report.json")],
                               capture_output=True, text=True, timeout=240,
                               env=dict(os.environ, TMPDIR=tmp))
        finally:
            stop.set()
            cleaner.join()
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertIn("7 sheets: 6 written, 0 skipped (their output exists), 1 failed", r.stdout)
        rows = self.by_input("report.json")
        self.assertEqual({k: v["status"] for k, v in rows.items() if v["status"] != "0"},
                         {"c/broken.wal": "3"})
        self.assertIn("broken.wal", rows["c/broken.wal"]["error"])
        self.assertEqual(rows["heavy/h2.wal"]["written"], "40000")

    def test_a_report_that_cannot_be_written_is_its_own_warning(self):
        broken = os.path.join(self.root, "c", "broken.wal")
        os.remove(broken)
        fifo = self.path("fifo.json")
        os.mkfifo(fifo)
        full = self.path("full")
        os.makedirs(full)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full],
                                 capture_output=True).returncode == 0
        if mounted:
            self.addCleanup(subprocess.run, ["umount", full])
            try:
                with open(os.path.join(full, "filler"), "wb") as f:
                    while True:
                        f.write(b"x" * 4096)
                        f.flush()
            except OSError:
                pass
        cases = [(fifo, 2, "--report " + fifo + ": not a regular file"),
                 (self.path("no/such/folder/r.csv"), 6, "cannot write the report"),
                 (os.path.join(full, "r.json"), 6, "No space left on device")]
        for target, status, message in cases:
            if target.startswith(full) and not mounted:
                print("skipped: a tmpfs cannot be mounted here")
                continue
            with self.subTest(target=target):
                shutil.rmtree(self.out, ignore_errors=True)
                # The FIFO has no reader: a hang would be the test's timeout.
                r = self.convert("--report", target, "-q", "--overwrite", status=status)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.path.exists(os.path.join(self.out, "a", "1.gpkg")),
                                 status == 6)
                self.assertEqual(os.path.exists(target), target == fifo)
        # With a failed sheet the sheets' status stays: 5 says more than 6.
        self.write("county/c/broken.wal", "not an exchange file\n")
        r = self.convert("--report", cases[1][0], "-q", "--overwrite", status=5)
        self.assertIn("warning: cannot write the report", r.stderr)

    def test_two_archives_into_one_new_output_folder(self):
        other = self.path("town")
        shutil.copytree(os.path.join(self.root, "a"), os.path.join(other, "t"))
        for attempt in range(6):
            out = self.path(f"new{attempt}/deep/out")
            procs = [subprocess.Popen([IMPORTER, root, "-r", "-o", out, "-q"],
                                      stderr=subprocess.PIPE, text=True)
                     for root in (os.path.join(self.root, "a"), other)]
            for proc in procs:
                _, err = proc.communicate(timeout=120)
                self.assertEqual(proc.returncode, 0, err)
            self.assertEqual(sorted(os.listdir(out)), ["1.gpkg", "b", "t"])

    def test_sheets_whose_merged_names_meet_keep_apart(self):
        for folder in ("x/b_1", "x_b/1"):
            for ext in ("wal", "wap"):
                dest = os.path.join(self.path("meet"), folder + "." + ext)
                os.makedirs(os.path.dirname(dest), exist_ok=True)
                shutil.copy(sample("sample." + ext), dest)
        merged = self.path("meet.gpkg")
        self.importer(self.path("meet"), "-r", "--merge=sheets", "-o", merged, "-q")
        # x/b_1 and x_b/1 would both be x_b_1: each gets six digits of a hash of its path.
        layers = layer_counts(merged)
        self.assertEqual(len(layers), 4, layers)
        for layer in layers:
            self.assertRegex(layer, r"^x_b_1_[0-9a-f]{6}_(lines|areas)$")
        self.assertEqual(sorted(layers.values()), [3, 3, 30, 30])
