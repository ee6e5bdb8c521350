"""mapgis-import: the account of every item, files too large, and output that is never left
half-written."""
import glob
import os
import shutil
import signal
import subprocess
import time
import unittest

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, run, sample

gdal.UseExceptions()


def leftovers(folder):
    return glob.glob(os.path.join(folder, ".*partial*"))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Account(TempDirCase):
    def test_point_sample_accounts_for_the_image_and_the_refused_text(self):
        wat = shutil.copy(sample("sample.wat"), self.dir)
        r = run([IMPORTER, wat])
        self.assertEqual(r.returncode, 0, r.stderr)
        # Records on lines 3 to 14: record 10 (line 12) is an image, record 11 runs over lines
        # 13 and 14, so its first line lacks fields.
        self.assertIn("sample.wat: 11 items: 9 written, 1 refused, 1 not importable, 0 skipped",
                      r.stdout)
        self.assertIn("sample.wat:12: item 10 (image) not importable by design", r.stdout)
        self.assertIn("sample.wat:13: item 11 (text) refused: IMe056", r.stdout)
        self.assertNotIn("no message from the reader", r.stdout)
        self.assertEqual(r.stderr.count("sample.wat:13: item 11 (text) refused"), 1, r.stderr)

    def test_typed_import_gives_the_same_account(self):
        wat = shutil.copy(sample("sample.wat"), self.dir)
        r = run([IMPORTER, wat, "--typed"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("sample.wat: 11 items: 9 written, 1 refused, 1 not importable, 0 skipped",
                      r.stdout)
        self.assertEqual(r.stderr.count("item 11 (text) refused"), 1, r.stderr)

    def test_items_beyond_the_count_and_unknown_kinds_are_skipped_with_their_line(self):
        path = self.write("p.wat", "points\n2\n"
                          "1,2,5,7,0\n"
                          "10,20,1,0,\"A\",4,3,0,0,1,0,0,0,3,0,0\n"
                          "10,20,2,0,\"B\",4,3,0,0,1,0,0,0,3,0,0\n")
        r = run([IMPORTER, path])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("p.wat: 3 items: 1 written, 0 refused, 0 not importable, 2 skipped", r.stdout)
        self.assertIn("p.wat:3: item 5 (unknown kind 7) skipped: unknown item kind 7", r.stdout)
        self.assertIn("p.wat:5: item 2 (text) skipped: beyond the 2 records that line 2 "
                      "announces", r.stdout)


class TooLarge(TempDirCase):
    def test_a_file_of_2_gib_is_refused_before_any_work(self):
        path = self.write("big.wal", "lines\n1\n1,0,3,5,0,0,0,0,0\n1\n0,0\n1,0\n")
        os.truncate(path, 1 << 31)  # sparse: no 2 GiB written
        r = run([IMPORTER, path])
        self.assertEqual(r.returncode, 3)
        self.assertIn("2147483648 bytes: files of 2 GiB or more cannot be imported", r.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["big.wal"])


class SafeOutput(TempDirCase):
    def good_output(self, ext="gpkg"):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        out = os.path.join(self.dir, "out." + ext)
        # KML holds longitude/latitude: the imports into it name a system.
        r = run([IMPORTER, wal, "-o", out, "-q", "--srs", "CGCS2000",
                 "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def test_a_failure_midway_leaves_the_existing_output_untouched(self):
        out = self.good_output("kml")
        before = read_bytes(out)
        wal = os.path.join(self.dir, "sample.wal")
        wat = shutil.copy(sample("sample.wat"), self.dir)
        # The lines reproject; the point file's eastings lack the zone number, so its points
        # lie outside zone 39 and GDAL refuses to reproject them.
        r = run([IMPORTER, wal, wat, "-o", out, "--overwrite", "--srs", "EPSG:4527",
                 "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 4, r.stderr)
        self.assertIn("nothing written", r.stderr)
        self.assertEqual(read_bytes(out), before)
        self.assertEqual(leftovers(self.dir), [])

    def test_overwrite_replaces_and_leaves_nothing_behind(self):
        out = self.good_output()
        wat = shutil.copy(sample("sample.wat"), self.dir)
        r = run([IMPORTER, wat, "-o", out, "--overwrite", "-q", "--srs", "EPSG:4548",
                 "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        ds = gdal.OpenEx(out)
        counts = {ds.GetLayer(i).GetName(): ds.GetLayer(i).GetFeatureCount()
                  for i in range(ds.GetLayerCount())}
        # Nine items: a symbol, an arc, two circles, five texts.
        self.assertEqual(counts, {"sample_points": 1, "sample_lines": 1, "sample_areas": 2,
                                  "sample_texts": 5})
        self.assertEqual(leftovers(self.dir), [])

    def test_formats_of_several_files_land_beside_the_target(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        out = os.path.join(self.dir, "roads.shp")
        for extra in ([], ["--overwrite"]):
            r = run([IMPORTER, wal, "-f", "ESRI Shapefile", "-o", out, "-q"] + extra)
            self.assertEqual(r.returncode, 0, r.stderr)
        for ext in ("shp", "shx", "dbf"):
            self.assertTrue(os.path.exists(os.path.join(self.dir, "roads." + ext)), ext)
        ds = gdal.OpenEx(out)
        self.assertEqual(ds.GetLayer(0).GetFeatureCount(), 30)
        self.assertEqual(leftovers(self.dir), [])

    def test_an_interrupted_import_cleans_up_and_exits_143(self):
        out = self.good_output()
        before = read_bytes(out)
        # Enough lines that the translation is still running when the signal comes.
        items = "".join(f"1,0,3,5,0,0,0,0,0\n2\n{i},0\n{i},1\n{i},0\n" for i in range(300000))
        big = self.write("big.wal", "lines\n300000\n" + items)
        proc = subprocess.Popen([IMPORTER, big, "-o", out, "--overwrite", "-q"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + 60
        while not leftovers(self.dir) and proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertIsNone(proc.poll(), "the import ended before it could be interrupted")
        proc.send_signal(signal.SIGTERM)
        _, err = proc.communicate(timeout=60)
        self.assertEqual(proc.returncode, 143, err)
        self.assertIn("interrupted", err)
        self.assertEqual(read_bytes(out), before)
        self.assertEqual(leftovers(self.dir), [])


if __name__ == "__main__":
    unittest.main()
