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

from hosts_common import IMPORTER, TempDirCase, layer_counts, run, sample

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


# Annotation as surveyors write it: notes whose text holds commas (the record then splits into
# more fields than a text has), one without its closing delimiter, and a plain one.
NOTE_1 = "测量日期: 2023年5月, 高程基准: 1985国家高程基准"
NOTE_2 = "比例尺 1:500, 等高距 0.5 米, 坐标系 CGCS2000"
COMMA_WAT = ("WMAPGIS point file\n4\n"
             f'100,200,1,0,"{NOTE_1}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             f'100,210,2,0,"{NOTE_2}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             '100,220,3,0,"open, never closed,4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             '100,230,4,0,"plain",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n')


class Repair(TempDirCase):
    def texts(self, path):
        ds = gdal.OpenEx(path)
        return sorted(f.GetField("Text") for f in ds.GetLayerByName("notes_texts"))

    def test_texts_holding_commas_are_read_whole_and_counted(self):
        wat = self.write("notes.wat", COMMA_WAT)
        # --no-repair: the reader's own answer; default: the two notes repaired.
        for extra, texts, account in (
                (["--no-repair"], ["plain"],
                 "notes.wat: 4 items: 1 written, 3 refused, 0 not importable, 0 skipped"),
                ([], sorted([NOTE_1, NOTE_2, "plain"]),
                 "notes.wat: 4 items: 3 written (2 repaired), 1 refused, 0 not importable, "
                 "0 skipped")):
            with self.subTest(extra=extra):
                out = os.path.join(self.dir, "notes.gpkg")
                r = run([IMPORTER, wat, "-o", out, "--overwrite"] + extra)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn(account, r.stdout)
                self.assertEqual(self.texts(out), texts)
                self.assertIn("notes.wat:5: item 3 (text) refused", r.stdout)
        self.assertIn("notes.wat:3: item 1 (text) repaired: its text holds commas", r.stdout)
        self.assertIn("notes.wat:4: item 2 (text) repaired", r.stdout)
        self.assertEqual(r.stderr.count("repaired"), 2, r.stderr)

    def test_driver_repairs_unless_told_not_to(self):
        wat = self.write("notes.wat", COMMA_WAT)
        for options, count in (([], 3), (["REPAIR=NO"], 1)):
            with self.subTest(options=options):
                ds = gdal.OpenEx(wat, gdal.OF_VECTOR, open_options=options)
                layer = ds.GetLayer(0)
                self.assertEqual(layer.GetFeatureCount(), count)
        ds = gdal.OpenEx(wat, gdal.OF_VECTOR)
        feature = ds.GetLayer(0).GetFeature(2)
        self.assertEqual(feature.GetField("Text"), NOTE_2)
        self.assertIn(f't:"{NOTE_2}"', feature.GetStyleString())


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
        # Nine items: a symbol, an arc, two circles, five texts of 16 pieces.
        self.assertEqual(layer_counts(out), {"sample_points": 1, "sample_lines": 1,
                                             "sample_areas": 2, "sample_texts": 16})
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
