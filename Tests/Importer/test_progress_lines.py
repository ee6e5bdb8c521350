"""--progress=lines: the lines a program reads the progress of an import from, for one import
and for an archive, with the real mapgis-import and the sample files."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

IMPORTER = os.environ["MAPGIS_IMPORT"]
SAMPLES = os.environ["MAPGIS_SAMPLES"]
LINE = re.compile(r"^progress (\d\.\d{3})$")


def fractions(stdout):
    """The fractions of the progress lines, and the lines that are not progress."""
    found, other = [], []
    for line in stdout.splitlines():
        match = LINE.match(line)
        if match:
            found.append(float(match.group(1)))
        else:
            other.append(line)
    return found, other


class ProgressLines(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="progress-")
        self.addCleanup(shutil.rmtree, self.dir)

    def run_importer(self, *args):
        return subprocess.run([IMPORTER, *args], capture_output=True, text=True, timeout=300)

    def check_lines(self, stdout):
        found, _ = fractions(stdout)
        self.assertGreaterEqual(len(found), 2, stdout)
        self.assertLessEqual(len(found), 101, stdout)
        self.assertEqual(found, sorted(found), "the fractions only grow")
        self.assertEqual(found[-1], 1.0)
        self.assertNotIn(1.0, found[:-1], "1.000 is said once, at the end")
        self.assertTrue(all(0.0 <= f <= 1.0 for f in found), found)

    def test_single_import(self):
        wal = os.path.join(SAMPLES, "sample.wal")
        out = os.path.join(self.dir, "out.gpkg")
        proc = self.run_importer(wal, "-o", out, "--progress=lines", "-q")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.check_lines(proc.stdout)
        # -q leaves the summary out: nothing but progress.
        self.assertEqual(fractions(proc.stdout)[1], [])
        self.assertTrue(os.path.isfile(out))

    def test_archive(self):
        archive = os.path.join(self.dir, "archive")
        for sheet in ("a", "b", "c"):
            os.makedirs(os.path.join(archive, sheet))
            for ext in ("wal", "wat"):
                shutil.copy(os.path.join(SAMPLES, "sample." + ext),
                            os.path.join(archive, sheet, "1." + ext))
        out = os.path.join(self.dir, "out")
        proc = self.run_importer(archive, "-r", "-o", out, "-j", "2", "--progress", "lines")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        found, other = fractions(proc.stdout)
        self.check_lines(proc.stdout)
        # A line per sheet done (1/3, 2/3, 3/3 held below 1 until the account is written),
        # then the end.
        self.assertEqual(found, [0.333, 0.667, 0.999, 1.0])
        self.assertTrue(any("3 sheets: 3 written" in line for line in other), other)

    def test_failure_never_says_complete(self):
        wal = os.path.join(SAMPLES, "sample.wal")
        out = os.path.join(self.dir, "out.gpkg")
        open(out, "w").close()  # exists, and --overwrite is not given
        proc = self.run_importer(wal, "-o", out, "--progress=lines", "-q")
        self.assertEqual(proc.returncode, 4, proc.stderr)
        # Refused before any layer is written: not a step taken.
        self.assertEqual(fractions(proc.stdout)[0], [])

    def test_none_and_bar_off_a_terminal_print_nothing(self):
        wal = os.path.join(SAMPLES, "sample.wal")
        for how in ("none", "bar"):
            with self.subTest(how=how):
                out = os.path.join(self.dir, how + ".gpkg")
                proc = self.run_importer(wal, "-o", out, "--progress", how, "-q")
                self.assertEqual(proc.returncode, 0, proc.stderr)
                self.assertEqual(proc.stdout, "")


if __name__ == "__main__":
    unittest.main()
