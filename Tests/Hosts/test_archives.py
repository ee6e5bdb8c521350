"""mapgis-import over archives: folders of sheets found and grouped, converted by worker
processes into one GeoPackage per sheet, a failed sheet reported while the others go on, the
report of every input, and --resume."""
import csv
import json
import os
import shutil
import unittest

from hosts_common import IMPORTER, TempDirCase, layer_counts, run, sample

# The sample line file's first line: colour 3 (magenta and yellow at 100: red in the sample
# colour index), from (39511100, 3420050).
FIRST_LINE_RED = "#FF0000"


class Archive(TempDirCase):
    """An archive of three sheets in nested folders, one with a colour index beside it, and a
    sheet that is no exchange file at all."""

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
        return run([IMPORTER, self.root, "-o", self.out, "--srs", "EPSG:4527"] + list(extra))

    def test_sheets_in_parallel_with_a_failure_reported(self):
        report = os.path.join(self.dir, "report.json")
        r = self.convert("-r", "-j", "2", "--report", report)
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertIn("4 sheets: 3 written, 0 skipped (their output exists), 1 failed", r.stdout)
        self.assertIn("c/broken", r.stderr)
        for folder in ("a", "a/b", "c"):
            got = layer_counts(os.path.join(self.out, folder, "1.gpkg"))
            self.assertEqual(got, {"1_lines": 30, "1_areas": 3}, folder)
        self.assertFalse(os.path.exists(os.path.join(self.out, "c", "broken.gpkg")))
        # Nothing of the work in progress is left beside the outputs.
        self.assertEqual(sorted(os.listdir(os.path.join(self.out, "c"))), ["1.gpkg"])

        with open(report, encoding="utf-8") as f:
            lines = [json.loads(line) for line in f]
        by_input = {os.path.relpath(line["input"], self.root): line for line in lines}
        self.assertEqual(sorted(by_input), ["a/1.wal", "a/1.wap", "a/b/1.wal", "a/b/1.wap",
                                            "c/1.wal", "c/1.wap", "c/broken.wal"])
        broken = by_input["c/broken.wal"]
        self.assertEqual((broken["sheet"], broken["status"]), ("c/broken", 3))
        self.assertIn("broken.wal", broken["error"])
        self.assertEqual((by_input["a/1.wal"]["items"], by_input["a/1.wal"]["written"]), (30, 30))
        self.assertEqual(by_input["a/1.wap"]["status"], 0)
        # The colour index beside sheet a, and none for the others.
        self.assertEqual(by_input["a/1.wal"]["colors"], os.path.join(self.root, "a", "colors.txt"))
        self.assertEqual(by_input["a/b/1.wal"]["colors"], "")

        from osgeo import gdal
        for folder, colour in (("a", FIRST_LINE_RED), ("a/b", None)):
            ds = gdal.OpenEx(os.path.join(self.out, folder, "1.gpkg"), gdal.OF_VECTOR)
            first = ds.GetLayerByName("1_lines").GetFeature(1)
            self.assertTrue(first.GetGeometryRef().ExportToIsoWkt().startswith(
                "MULTICURVE ((39511100 3420050,"), folder)
            if colour:
                self.assertEqual(first["Color"], colour)
            else:
                self.assertNotEqual(first["Color"], FIRST_LINE_RED)

    def test_without_r_only_the_folder_itself(self):
        shutil.copy(sample("sample.wal"), os.path.join(self.root, "top.wal"))
        r = self.convert("-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(self.out)), ["top.gpkg"])

    def test_resume_skips_the_complete_outputs_only(self):
        r = self.convert("-r", "-q")
        self.assertEqual(r.returncode, 5, r.stderr)
        done = os.path.join(self.out, "a", "1.gpkg")
        before = os.stat(done).st_mtime_ns
        os.remove(os.path.join(self.out, "c", "1.gpkg"))
        report = os.path.join(self.dir, "report.csv")
        r = self.convert("-r", "--resume", "--report", report)
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertIn("4 sheets: 1 written, 2 skipped (their output exists), 1 failed", r.stdout)
        self.assertEqual(os.stat(done).st_mtime_ns, before)
        self.assertEqual(layer_counts(os.path.join(self.out, "c", "1.gpkg")),
                         {"1_lines": 30, "1_areas": 3})
        with open(report, encoding="utf-8", newline="") as f:
            rows = {os.path.relpath(row["input"], self.root): row for row in csv.DictReader(f)}
        self.assertEqual(rows["a/1.wal"]["error"], "skipped: its output exists (--resume)")
        self.assertEqual((rows["c/1.wal"]["status"], rows["c/1.wal"]["written"]), ("0", "30"))
        self.assertEqual(rows["c/broken.wal"]["status"], "3")

    def test_merged_into_common_layers_with_the_sheet(self):
        merged = os.path.join(self.dir, "county.gpkg")
        r = self.convert("-r", "--merge", "-o", merged, "-q")
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertEqual(layer_counts(merged), {"county_lines": 90, "county_areas": 9})
        from osgeo import gdal
        ds = gdal.OpenEx(merged, gdal.OF_VECTOR)
        for kind, per_sheet in (("lines", 30), ("areas", 3)):
            layer = ds.GetLayerByName("county_" + kind)
            self.assertEqual(layer.GetSpatialRef().GetAuthorityCode(None), "4527")
            sheets = [f["sheet"] for f in layer]
            self.assertEqual(sheets, [s for s in ("a/1", "a/b/1", "c/1") for _ in range(per_sheet)])
        styles = ds.ExecuteSQL("SELECT f_table_name FROM layer_styles ORDER BY 1")
        self.assertEqual([f.GetField(0) for f in styles], ["county_areas", "county_lines"])
        ds.ReleaseResultSet(styles)

    def test_merged_with_layers_per_sheet(self):
        merged = os.path.join(self.dir, "county.gpkg")
        r = self.convert("-r", "--merge=sheets", "-o", merged, "-q")
        self.assertEqual(r.returncode, 5, r.stderr)
        self.assertEqual(layer_counts(merged), {f"{s}_{k}": n for s in ("a_1", "a_b_1", "c_1")
                                                for k, n in (("lines", 30), ("areas", 3))})
        # Complete or not at all: an existing dataset is not appended to.
        r = self.convert("-r", "--merge", "-o", merged, "-q")
        self.assertEqual(r.returncode, 4)
        self.assertIn("--overwrite", r.stderr)

    def test_merge_refused_where_it_cannot_be_kept(self):
        for extra in (["-f", "ESRI Shapefile"], ["--resume", "-o", "county.gpkg"],
                      ["-o", "PG:dbname=none"]):
            r = self.convert("--merge", *extra)
            self.assertEqual(r.returncode, 2, extra)
            self.assertIn("--merge", r.stderr)

    def test_folders_and_files_are_not_mixed(self):
        r = run([IMPORTER, self.root, sample("sample.wal"), "-o", self.out])
        self.assertEqual(r.returncode, 2)
        self.assertIn("not both", r.stderr)


if __name__ == "__main__":
    unittest.main()
