"""mapgis-import on the command line: what it refuses, the outputs it names, the account of
every item in the summary and the reports, output never left half-written."""
import os
import shutil
import signal

from osgeo import gdal

from hosts_common import (IMPORTER, TempDirCase, interrupted, layer_counts, leftovers, read_bytes,
                          sample)

# Three line items; the second has a style line of 8 fields, which the reader refuses.
REFUSED_WAL = ("WMAP lines\n3\n"
               "1,0,3,5,0,0,0,0,0\n2\n0,0\n10,0\n11,0\n"
               "1,0,3,5,0,0,0,0\n2\n0,10\n10,10\n12,0\n"
               "2,0,3,5,0,0,0,0,0\n2\n0,20\n10,20\n13,0\n")
# Two lines whose eastings carry no zone number (central meridian unknown).
NO_ZONE_WAL = ("WMAP lines\n2\n"
               "1,0,3,5,0,0,0,0,0\n2\n511100,3420050\n511160,3420090\n1,0\n"
               "1,0,3,5,0,0,0,0,0\n2\n511200,3420100\n511260,3420140\n2,0\n")
# Annotation as surveyors write it: notes whose text holds commas (the record then splits into
# more fields than a text has), one without its closing delimiter, and a plain one.
NOTE_1 = "测量日期: 2023年5月, 高程基准: 1985国家高程基准"
NOTE_2 = "比例尺 1:500, 等高距 0.5 米, 坐标系 CGCS2000"
COMMA_WAT = ("WMAPGIS point file\n4\n"
             f'100,200,1,0,"{NOTE_1}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             f'100,210,2,0,"{NOTE_2}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             '100,220,3,0,"open, never closed,4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
             '100,230,4,0,"plain",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n')
REPAIRED = "item 1 (text) repaired: its text holds commas, read with the text's delimiters"


class Refusals(TempDirCase):
    def test_exit_status_message_and_nothing_written(self):
        wal, wat = self.copy_samples("sample.wal", "sample.wat")
        no_zone = self.write("nozone.wal", NO_ZONE_WAL)
        zero = self.write("zero.wal", "WMAP lines\n0\n")
        # Its one line has a style of 8 fields: refused, so no layer of lines is made.
        refused = self.write("refused.wal", "WMAP lines\n1\n1,0,3,5,0,0,0,0\n1\n0,10\n20,0\n")
        txt = self.write("lines.txt", "WMAP lines\n0\n")
        big = self.write("big.wal", "lines\n1\n1,0,3,5,0,0,0,0,0\n1\n0,0\n1,0\n")
        os.truncate(big, 1 << 31)  # sparse: no 2 GiB written
        missing, out = self.path("missing.wal"), self.path("out.gpkg")
        # 2: usage; 3: the input; 4: the output
        cases = [
            (["--bogus", wal], 2, []),
            ([wal, "-o", self.path("out.unknownext")], 2, []),
            ([wal, wal, wal, "-o", out], 2, ["sample_lines would take the name of another"]),
            ([wat, "--compound", "-f", "ESRI Shapefile"], 2,
             ["--compound: ESRI Shapefile holds one"]),
            ([wat, "--no-split", "-f", "ESRI Shapefile"], 2, ["one geometry type per layer"]),
            ([wat, "--typed", "-f", "DXF"], 2, ["DXF takes the items with their styles"]),
            ([wat, "-f", "GeoJSON"], 2, ["longitude/latitude", "--srs"]),
            ([wat, "-f", "KML", "--srs", "EPSG:4548"], 2, ["needs the colour index file"]),
            ([wat, "--dbf-encoding", "latin1"], 2, ["expected UTF-8 or GBK"]),
            # CGCS2000 / 3-degree Gauss-Kruger CM 117E is one of the candidates named.
            ([no_zone, "--srs", "CGCS2000", "-o", out], 2, ["no zone number", "EPSG:4548"]),
            ([wal, "--srs", "NOT A SYSTEM", "-o", out], 2, ["not a coordinate system"]),
            ([wal, "--scale", "abc", "--offset", "5", "-o", out], 2, ["SCALE=abc"]),
            ([missing], 3, [f"cannot read {missing}: no such file"]),
            ([txt], 3, ['unknown extension "txt"', txt]),
            ([wal, "--colors", self.path("none.clr")], 3, ["colour index file"]),
            ([zero], 3, ["zero.wal"]),
            ([refused], 3, ["no layer to write"]),
            ([big], 3, ["2147483648 bytes: files of 2 GiB or more cannot be imported"]),
            ([wal, "-o", self.path("no/x.gpkg")], 4, ["cannot write beside"]),
            # This folder as an archive of sheets.
            ([self.dir, wal], 2, ["not both"]),
            ([self.dir, "--merge", "--resume", "-o", out], 2, ["--merge"]),
        ]
        before = sorted(os.listdir(self.dir))
        for args, status, texts in cases:
            with self.subTest(args=[os.path.basename(a) for a in args]):
                r = self.importer(*args, status=status)
                self.assertTrue(r.stderr.startswith("mapgis-import: "), r.stderr)
                for text in texts:
                    self.assertIn(text, r.stderr)
                self.assertEqual(sorted(os.listdir(self.dir)), before)


class Outputs(TempDirCase):
    def test_several_inputs_into_the_default_output_beside_the_first(self):
        wal = self.copy_samples("sample.wal")[0]
        os.makedirs(self.path("other"))
        other = shutil.copy(sample("sample.wal"), self.path("other"))
        refused = self.write("sample.wal.d/sample.wal", REFUSED_WAL)
        r = self.importer(wal, other, refused, "--colors", sample("colors.txt"))
        out = self.path("sample.gpkg")
        self.assertIn(f"Wrote {out}:", r.stdout)
        # Layers with unique names; item 1's first point is the lowest and leftmost, item
        # 30's fourth the highest and rightmost.
        self.assertEqual(layer_counts(out), {"sample_lines": 30, "other_sample_lines": 30,
                                             "sample.wal.d_sample_lines": 2})
        for line in ("layer sample_lines (lines of sample.wal): 30 features, "
                     "bounds (39511100, 3420050) - (39514180, 3421555)",
                     # The second item (lines 8 to 12) has a style line of 8 fields.
                     "sample.wal: 3 items: 2 written, 1 refused, 0 not importable, 0 skipped",
                     "sample.wal:8: item 12 (line) refused: refused by the reader"):
            self.assertIn(line, r.stdout)
        # Style line "1,0,3,5,...": colour 3 is (C,M,Y,K) (0,100,100,0).
        ds = gdal.OpenEx(out)
        f = ds.GetLayerByName("sample_lines").GetNextFeature()
        self.assertEqual((f.GetField("RbUserID"), f.GetField("Color")), (3001, "#FF0000"))

    def test_layers_are_named_after_what_they_hold(self):
        inputs = [sample(n) for n in ("sample.wat", "sample.wal", "sample.wap", "sample.wan")]
        out, typed = self.path("sheet.gpkg"), self.path("typed.gpkg")
        self.importer(*inputs, "-o", out, "-q")
        # The sheet's files share the layer of a kind; the point file's unfilled circle is a line.
        self.assertEqual(layer_counts(out), {"sample_points": 1, "sample_lines": 2 + 30,
                                             "sample_areas": 1 + 3, "sample_texts": 16,
                                             "sample_network": 2, "sample_nodes": 2})
        self.importer(inputs[0], inputs[2], "--typed", "--name", "sheet", "-o", typed, "-q")
        # Typed: one feature per item; the point file's two circles and the area file's three.
        counts = layer_counts(typed)
        self.assertEqual((counts["sheet_areas"], counts["sheet_texts"]), (2 + 3, 5))


class Account(TempDirCase):
    def test_texts_holding_commas_are_read_whole_counted_and_reported(self):
        wat, out = self.write("notes.wat", COMMA_WAT), self.path("notes.gpkg")
        # --no-repair: the reader's own answer; by default the two notes are repaired. The
        # report's columns by hand from the four records; a single import's sheet is empty.
        for extra, texts, written, summary, report in (
                (["--no-repair"], ["plain"], 1, "1 written, 3 refused", "report.json"),
                ([], sorted([NOTE_1, NOTE_2, "plain"]), 3, "3 written (2 repaired), 1 refused",
                 "report.csv")):
            with self.subTest(extra=extra):
                r = self.importer(wat, "-o", out, "--overwrite", "--report", self.path(report),
                                  *extra)
                self.assertIn(f"notes.wat: 4 items: {summary}, 0 not importable, 0 skipped",
                              r.stdout)
                self.assertIn("notes.wat:5: item 3 (text) refused", r.stdout)
                ds = gdal.OpenEx(out)
                self.assertEqual(sorted(f.GetField("Text") for f in ds.GetLayer(0)), texts)
                (row,) = self.report(self.path(report))
                self.assertEqual([row[k] for k in ("sheet", "items", "written", "refused")],
                                 ["", "4", str(written), str(4 - written)])
        self.assertIn("notes.wat:4: item 2 (text) repaired", r.stdout)
        self.assertEqual(r.stderr.count("repaired"), 2, r.stderr)
        # A folder of sheets, the report CSV: the entries, which hold commas, stay one column.
        report = self.path("sheets.csv")
        self.importer(self.dir, "-o", self.path("out"), "-q", "--report", report)
        (row,) = self.report(report)
        self.assertEqual((row["sheet"], row["written"], row["repaired"], row["refused"]),
                         ("notes", "3", "2", "1"))
        self.assertTrue(row["entries"].startswith("3: " + REPAIRED), row["entries"])
        self.assertIn("5: item 3 (text) refused", row["entries"])


class SafeOutput(TempDirCase):
    def good_output(self, ext):
        wal, out = self.copy_samples("sample.wal")[0], self.path("out." + ext)
        self.importer(wal, "-o", out, "-q", "--srs", "CGCS2000", "--colors", sample("colors.txt"))
        return wal, out, read_bytes(out)

    def test_a_failure_midway_leaves_the_existing_output_untouched(self):
        wal, out, before = self.good_output("kml")
        # The lines reproject; the point file's eastings lack the zone number, so its points
        # lie outside zone 39 and GDAL refuses to reproject them.
        r = self.importer(wal, sample("sample.wat"), "-o", out, "--overwrite", "--srs",
                          "EPSG:4527", "--colors", sample("colors.txt"), status=4)
        self.assertIn("nothing written", r.stderr)
        self.assertEqual(read_bytes(out), before)
        self.assertEqual(leftovers(self.dir), [])

    def test_an_interrupted_import_cleans_up_and_exits_143(self):
        _, out, before = self.good_output("gpkg")
        # Enough lines that the translation is still running when the signal comes.
        items = "".join(f"1,0,3,5,0,0,0,0,0\n2\n{i},0\n{i},1\n{i},0\n" for i in range(300000))
        big = self.write("big.wal", "lines\n300000\n" + items)
        code, err = interrupted([IMPORTER, big, "-o", out, "--overwrite", "-q"],
                                lambda: leftovers(self.dir), signal.SIGTERM)
        self.assertEqual(code, 143, err)
        self.assertIn("interrupted", err)
        self.assertEqual(read_bytes(out), before)
        self.assertEqual(leftovers(self.dir), [])
