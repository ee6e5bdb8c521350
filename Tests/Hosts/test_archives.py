"""mapgis-import over archives: sheets found in folders, converted by workers, a failed sheet
reported while the others go on, the report of every input, --resume and --merge."""
import os
import shutil

from osgeo import gdal

from hosts_common import TempDirCase, layer_counts, sample

SHEET = {"1_lines": 30, "1_areas": 3}  # the line and area samples


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
        del layer, ds
        # Complete or not at all: an existing dataset is not appended to.
        r = self.convert("--merge=sheets", "-o", merged, "-q", status=4)
        self.assertIn("--overwrite", r.stderr)
        self.convert("--merge=sheets", "-o", merged, "-q", "--overwrite")
        self.assertEqual(layer_counts(merged), {f"{s}_{k}": n for s in ("a_1", "a_b_1", "c_1")
                                                for k, n in (("lines", 30), ("areas", 3))})
