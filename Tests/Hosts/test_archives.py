"""mapgis-import over archives: folders of sheets found and grouped, converted by worker
processes into one GeoPackage per sheet, a failed sheet reported while the others go on, the
report of every input, --resume and --merge."""
import csv
import json
import os
import shutil
import unittest

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, layer_counts, run, sample

gdal.UseExceptions()

SHEET = {"1_lines": 30, "1_areas": 3}  # the line and area samples


class Archive(TempDirCase):
    """Three sheets in nested folders, one with a colour index beside it, and a sheet that is
    no exchange file at all."""

    def setUp(self):
        super().setUp()
        self.root = os.path.join(self.dir, "county")
        for folder in ("a", "a/b", "c"):
            os.makedirs(os.path.join(self.root, folder))
            for ext in ("wal", "wap"):
                shutil.copy(sample("sample." + ext), os.path.join(self.root, folder, "1." + ext))
        shutil.copy(sample("colors.txt"), os.path.join(self.root, "a"))
        self.write("county/c/broken.wal", "not an exchange file\n")
        self.out = os.path.join(self.dir, "out")

    def convert(self, *extra):
        return run([IMPORTER, self.root, "-o", self.out, "--srs", "EPSG:4527", *extra])

    def test_sheets_in_parallel_with_a_failure_reported(self):
        report = os.path.join(self.dir, "report.json")
        r = self.convert("-r", "-j", "2", "--report", report)
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertIn("4 sheets: 3 written, 0 skipped (their output exists), 1 failed", r.stdout)
        self.assertIn("c/broken", r.stderr)
        for folder in ("a", "a/b", "c"):
            self.assertEqual(layer_counts(os.path.join(self.out, folder, "1.gpkg")), SHEET)
        # Nothing of the failed sheet nor of the work in progress is left.
        self.assertEqual(os.listdir(os.path.join(self.out, "c")), ["1.gpkg"])
        with open(report, encoding="utf-8") as f:
            by_input = {os.path.relpath(line["input"], self.root): line
                        for line in map(json.loads, f)}
        self.assertEqual(sorted(by_input), ["a/1.wal", "a/1.wap", "a/b/1.wal", "a/b/1.wap",
                                            "c/1.wal", "c/1.wap", "c/broken.wal"])
        broken = by_input["c/broken.wal"]
        self.assertEqual((broken["sheet"], broken["status"]), ("c/broken", 3))
        self.assertIn("broken.wal", broken["error"])
        self.assertEqual([by_input["a/1.wal"][k] for k in ("items", "written", "status")],
                         [30, 30, 0])
        # The colour index beside sheet a, and none for the others: colour 3 of the first
        # line is red with it.
        self.assertEqual(by_input["a/1.wal"]["colors"], os.path.join(self.root, "a", "colors.txt"))
        self.assertEqual(by_input["a/b/1.wal"]["colors"], "")
        for folder, red in (("a", True), ("a/b", False)):
            ds = gdal.OpenEx(os.path.join(self.out, folder, "1.gpkg"), gdal.OF_VECTOR)
            first = ds.GetLayerByName("1_lines").GetFeature(1)
            self.assertTrue(first.GetGeometryRef().ExportToIsoWkt().startswith(
                "MULTICURVE ((39511100 3420050,"), folder)
            self.assertEqual(first["Color"] == "#FF0000", red, folder)

    def test_without_r_only_the_folder_itself(self):
        shutil.copy(sample("sample.wal"), os.path.join(self.root, "top.wal"))
        # The output folder named relative to the current one.
        r = run([IMPORTER, "county", "-o", "out", "-q"], cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(os.listdir(self.out), ["top.gpkg"])

    def test_resume_skips_the_complete_outputs_only(self):
        self.assertEqual(self.convert("-r", "-q").returncode, 5)
        done = os.path.join(self.out, "a", "1.gpkg")
        before = os.stat(done).st_mtime_ns
        os.remove(os.path.join(self.out, "c", "1.gpkg"))
        report = os.path.join(self.dir, "report.csv")
        r = self.convert("-r", "--resume", "--report", report)
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertIn("4 sheets: 1 written, 2 skipped (their output exists), 1 failed", r.stdout)
        self.assertEqual(os.stat(done).st_mtime_ns, before)
        self.assertEqual(layer_counts(os.path.join(self.out, "c", "1.gpkg")), SHEET)
        with open(report, encoding="utf-8", newline="") as f:
            rows = {os.path.relpath(row["input"], self.root): row for row in csv.DictReader(f)}
        self.assertEqual(rows["a/1.wal"]["error"], "skipped: its output exists (--resume)")
        self.assertEqual((rows["c/1.wal"]["status"], rows["c/1.wal"]["written"]), ("0", "30"))
        self.assertEqual(rows["c/broken.wal"]["status"], "3")

    def test_merged_into_common_layers_or_layers_per_sheet(self):
        merged = os.path.join(self.dir, "county.gpkg")
        self.assertEqual(self.convert("-r", "--merge", "-o", merged, "-q").returncode, 5)
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
        r = self.convert("-r", "--merge=sheets", "-o", merged, "-q")
        self.assertEqual(r.returncode, 4)
        self.assertIn("--overwrite", r.stderr)
        self.assertEqual(self.convert("-r", "--merge=sheets", "-o", merged, "-q",
                                      "--overwrite").returncode, 5)
        self.assertEqual(layer_counts(merged), {f"{s}_{k}": n for s in ("a_1", "a_b_1", "c_1")
                                                for k, n in (("lines", 30), ("areas", 3))})


if __name__ == "__main__":
    unittest.main()
