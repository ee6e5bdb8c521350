"""Replacing an output: whatever fails, and whenever, the target holds the complete old output
or the complete new one; --overwrite replaces only what the import writes; two imports to one
new target never both succeed; a full disk is said. Failures are real: strace's fault
injection, SIGKILL, an immutable folder, a small tmpfs."""
import os
import shutil
import subprocess
import tempfile
import unittest

from hosts_common import (IMPORTER, TempDirCase, layer_counts, leftovers, read_bytes, run,
                          sample)

HAVE_STRACE = shutil.which("strace") is not None
needs_strace = unittest.skipUnless(HAVE_STRACE, "strace is not installed")

# Old and new outputs told apart by their layers: the line sample alone, then with the network.
OLD = ["sample.wal"]
NEW = ["sample.wal", "sample.wan"]
OLD_LAYERS = {"sample_lines": 30}
NEW_LAYERS = {"sample_lines": 30, "sample_network": 2, "sample_nodes": 2}


def entries(path):
    """What stands at path: its file names when a folder, else the path's own name."""
    return sorted(os.listdir(path)) if os.path.isdir(path) else [os.path.basename(path)]


def state(path, shapefile_folder):
    """The layers and their features at path; a folder of shapefiles layer by file."""
    if not os.path.exists(path):
        return None
    if path.endswith(".gpkg") and read_bytes(path)[68:72] != b"GPKG":
        return "a GeoPackage without its application id"
    if not shapefile_folder:
        return layer_counts(path)
    counts = {}
    for name in entries(path):
        if name.endswith(".shp"):
            counts.update(layer_counts(os.path.join(path, name)))
    return counts


# (format, output name, whether the output is a folder of files)
FORMATS = [("GPKG", "out.gpkg", False), ("ESRI Shapefile", "out", True),
           ("OpenFileGDB", "out.gdb", False)]


@needs_strace
class FailuresWhileReplacing(TempDirCase):
    def replace(self, fmt, out, *extra):
        inputs = [sample(n) for n in NEW]
        return run(["strace", "-f", "-o", os.devnull, *extra, IMPORTER, *inputs, "-f", fmt,
                    "-o", out, "--overwrite", "-q"])

    def test_any_step_failing_or_killed_leaves_old_or_new_complete(self):
        # Every call that moves or removes files, failing or killed at its first, second and
        # third use: that covers the import's own moves and its clean-up.
        faults = [f"inject={call}:{fault}:when={n}"
                  for call in ("renameat2", "rename", "unlinkat", "unlink", "rmdir", "link")
                  for fault in ("error=EIO", "signal=KILL") for n in (1, 2, 3)]
        for fmt, name, folder in FORMATS:
            for fault in faults:
                with self.subTest(format=fmt, fault=fault):
                    shutil.rmtree(self.dir)
                    os.makedirs(self.dir)
                    out = self.path(name)
                    self.importer(*[sample(n) for n in OLD], "-f", fmt, "-o", out, "-q")
                    r = self.replace(fmt, out, "-e", fault)
                    self.assertIn(state(out, folder), (OLD_LAYERS, NEW_LAYERS), r.stderr)
                    if r.returncode == 0:
                        self.assertEqual(state(out, folder), NEW_LAYERS)
                    if r.returncode == 4:
                        self.assertEqual(state(out, folder), OLD_LAYERS, r.stderr)
                        self.assertEqual(leftovers(self.dir), [], r.stderr)

    def test_a_signal_at_the_move_finds_the_output_complete(self):
        # The signal comes as the output moves into place: it waits for the move, and the
        # import ends as a success.
        for fmt, name, folder in FORMATS:
            with self.subTest(format=fmt):
                out = self.path(name)
                self.importer(*[sample(n) for n in OLD], "-f", fmt, "-o", out, "-q", "--overwrite")
                r = self.replace(fmt, out, "-e", "inject=renameat2:signal=INT")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(state(out, folder), NEW_LAYERS)
                self.assertEqual(leftovers(self.dir), [])

    def test_an_immutable_folder_keeps_the_old_output(self):
        out = self.path("sheet/out")
        os.makedirs(out)
        os.rmdir(out)
        self.importer(*[sample(n) for n in OLD], "-f", "ESRI Shapefile", "-o", out, "-q")
        if run(["chattr", "+i", self.path("sheet")]).returncode != 0:
            self.skipTest("chattr +i is not possible here")
        try:
            r = self.importer(*[sample(n) for n in NEW], "-f", "ESRI Shapefile", "-o", out,
                              "--overwrite", status=4)
            self.assertIn(f"cannot write beside {out}", r.stderr)
        finally:
            run(["chattr", "-i", self.path("sheet")])
        self.assertEqual(state(out, True), OLD_LAYERS)


class OverwriteReplacesOnlyItsOwn(TempDirCase):
    def test_what_the_import_did_not_write_stays(self):
        wal, wan = self.copy_samples(*NEW)
        os.makedirs(self.path("proj"))
        self.write("proj/notes.txt", "survey notes")
        shutil.copy(wal, self.path("proj"))
        self.importer(wal, wan, "-f", "GeoJSON", "--srs", "CGCS2000", "-o", self.path("json"),
                      "-q")
        os.makedirs(self.path("plain.gdb"))
        self.write("plain.gdb/readme.txt", "not a geodatabase")
        # (arguments, what the message names)
        cases = [
            ([wal, "-o", self.path("proj.shp")], "proj: it holds notes.txt, sample.wal, which"),
            # A FlatGeobuf export into the folder of a GeoJSON export.
            ([wal, wan, "-f", "FlatGeobuf", "-o", self.path("json")],
             "json: it holds sample_lines.geojson, sample_network.geojson, sample_nodes.geojson,"),
            ([wal, "-o", self.path("plain.gdb")], "plain.gdb: it is a folder, not a OpenFileGDB"),
        ]
        for args, text in cases:
            with self.subTest(args=[os.path.basename(a) for a in args]):
                before = {d: entries(self.path(d)) for d in ("proj", "json", "plain.gdb")}
                r = self.importer(*args, "--overwrite", "-q", status=4)
                self.assertIn(text, r.stderr)
                self.assertIn("which this import does not write" if "holds" in text else "not a",
                              r.stderr)
                self.assertEqual({d: entries(self.path(d)) for d in before}, before)
                self.assertEqual(leftovers(self.dir), [])

    def test_an_earlier_output_of_the_same_layers_is_replaced(self):
        wal = self.copy_samples("sample.wal")[0]
        out = self.path("roads")
        args = [wal, "-f", "ESRI Shapefile", "-o", out + ".shp", "-q"]
        self.importer(*args)
        # One layer of a shapefile is a folder of its own: the swap is one rename.
        self.assertEqual(entries(out), ["sample_lines." + e for e in (
            "cpg", "dbf", "qml", "shp", "shx", "sld")])
        r = self.importer(*args, status=4)
        self.assertIn(f"{out} exists; use --overwrite", r.stderr)
        self.importer(*args, "--overwrite")
        self.assertEqual(state(out, True), OLD_LAYERS)
        self.assertEqual(sorted(os.listdir(self.dir)), ["roads", "sample.wal"])


@needs_strace
class TwoImportsToOneTarget(TempDirCase):
    def test_the_second_refuses(self):
        # Both hold their move into place for a second, so that both have passed the check
        # for an existing output before either moves: the move itself must refuse.
        for fmt, name, folder in FORMATS:
            with self.subTest(format=fmt):
                out = self.path(name)
                cmd = ["strace", "-f", "-o", os.devnull, "-e",
                       "inject=renameat2:delay_enter=1000000:when=1", IMPORTER,
                       *[sample(n) for n in NEW], "-f", fmt, "-o", out, "-q"]
                procs = [subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                          text=True) for _ in range(2)]
                results = [(p.wait(timeout=120), p.stderr.read()) for p in procs]
                for p in procs:
                    p.stdout.close()
                    p.stderr.close()
                self.assertEqual(sorted(code for code, _ in results), [0, 4], results)
                self.assertIn("exists", [err for code, err in results if code == 4][0])
                self.assertEqual(state(out, folder), NEW_LAYERS)
                self.assertEqual(leftovers(self.dir), [])


class FullDisk(unittest.TestCase):
    def setUp(self):
        self.mount = tempfile.mkdtemp(prefix="mapgis-full-")
        if run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", self.mount]).returncode:
            os.rmdir(self.mount)
            self.skipTest("cannot mount a tmpfs here")

    def tearDown(self):
        run(["umount", self.mount])
        os.rmdir(self.mount)

    def test_says_the_disk_is_full_and_names_the_output(self):
        # 5000 lines: about 400 KB in any of the formats, on a file system of 256 KB.
        lines = "".join(f"1,0,3,5,0,0,0,0,0\n2\n{i},0\n{i},1\n{i},0\n" for i in range(5000))
        with tempfile.TemporaryDirectory() as folder:
            wal = os.path.join(folder, "big.wal")
            with open(wal, "w", encoding="ascii") as f:
                f.write("WMAP lines\n5000\n" + lines)
            self.check_full_disk(wal)

    def check_full_disk(self, wal):
        for fmt, name in (("GPKG", "out.gpkg"), ("FlatGeobuf", "out"),
                          ("ESRI Shapefile", "out"), ("DXF", "out.dxf")):
            with self.subTest(format=fmt):
                out = os.path.join(self.mount, name)
                r = run([IMPORTER, wal, "-f", fmt, "-o", out, "-q"])
                self.assertEqual(r.returncode, 4, r.stderr)
                self.assertIn("no space left on device", r.stderr.lower())
                self.assertIn(out, r.stderr)
                self.assertNotIn("partial", r.stderr)
                self.assertEqual(os.listdir(self.mount), [])


if __name__ == "__main__":
    unittest.main()
