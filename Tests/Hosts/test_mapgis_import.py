"""mapgis-import: exit codes, messages, outputs and the closing summary."""
import os
import shutil
import unittest

from osgeo import gdal

from hosts_common import IMPORTER, REFUSED_WAL, TempDirCase, layer_counts, run, sample

gdal.UseExceptions()


class Usage(TempDirCase):
    def test_help_documents_options_and_exit_codes(self):
        r = run([IMPORTER, "--help"])
        self.assertEqual(r.returncode, 0)
        for text in ("--typed", "--encoding", "--colors", "--name", "--overwrite", "-q",
                     "-f, --format", "-o, --output", "0  success", "2  usage error",
                     "3  input error", "4  output error"):
            self.assertIn(text, r.stdout)

    def test_usage_errors_exit_2(self):
        wal = self.copy_sample()
        cases = [[], ["--bogus", wal], [wal, "-o"], [wal, "--encoding", "LATIN1"],
                 [wal, "-f", "NoSuchFormat"], [wal, "-o", os.path.join(self.dir, "out.unknownext")]]
        for args in cases:
            with self.subTest(args=args):
                r = run([IMPORTER] + args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertTrue(r.stderr.startswith("mapgis-import: "), r.stderr)

    def copy_sample(self):
        return shutil.copy(sample("sample.wal"), self.dir)


class InputErrors(TempDirCase):
    def test_missing_input(self):
        missing = os.path.join(self.dir, "missing.wal")
        r = run([IMPORTER, missing])
        self.assertEqual(r.returncode, 3)
        self.assertIn(f"cannot read {missing}: no such file", r.stderr)

    def test_unknown_extension(self):
        path = self.write("lines.txt", REFUSED_WAL)
        r = run([IMPORTER, path])
        self.assertEqual(r.returncode, 3)
        self.assertIn('unknown extension "txt"', r.stderr)
        self.assertIn(path, r.stderr)

    def test_missing_colour_file(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        r = run([IMPORTER, wal, "--colors", os.path.join(self.dir, "none.clr")])
        self.assertEqual(r.returncode, 3)
        self.assertIn("colour index file", r.stderr)

    def test_unreadable_content(self):
        path = self.write("zero.wal", "WMAP lines\n0\n")
        r = run([IMPORTER, path])
        self.assertEqual(r.returncode, 3)
        self.assertIn("zero.wal", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "zero.gpkg")))


class OutputErrors(TempDirCase):
    def test_existing_output_needs_overwrite(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        out = os.path.join(self.dir, "sample.gpkg")
        self.assertEqual(run([IMPORTER, wal, "-q"]).returncode, 0)
        r = run([IMPORTER, wal])
        self.assertEqual(r.returncode, 4)
        self.assertIn(f"{out} exists; use --overwrite", r.stderr)
        r = run([IMPORTER, wal, "--overwrite", "--typed"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(layer_counts(out), {"sample_lines": 30})

    def test_unwritable_output(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        r = run([IMPORTER, wal, "-o", os.path.join(self.dir, "no", "such", "folder", "x.gpkg")])
        self.assertEqual(r.returncode, 4)
        self.assertIn("cannot write beside", r.stderr)


class Outputs(TempDirCase):
    def test_default_output_is_geopackage_beside_the_input(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        r = run([IMPORTER, wal, "--colors", sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        out = os.path.join(self.dir, "sample.gpkg")
        self.assertEqual(layer_counts(out), {"sample_lines": 30})
        self.assertIn(f"Wrote {out}:", r.stdout)
        self.assertIn("layer sample_lines (lines of sample.wal): 30 features, "
                      "bounds (39511100, 3420050) - (39514180, 3421555)", r.stdout)
        self.assertIn("sample.wal: 30 items: 30 written, 0 refused, 0 not importable, 0 skipped",
                      r.stdout)
        ds = gdal.OpenEx(out)
        f = ds.GetLayer(0).GetNextFeature()
        self.assertEqual(f.GetField("RbUserID"), 3001)
        self.assertEqual(f.GetField("Color"), "#FF0000")

    def test_several_inputs_become_layers_with_unique_names(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        os.makedirs(os.path.join(self.dir, "other"))
        other = shutil.copy(sample("sample.wal"), os.path.join(self.dir, "other"))
        refused = self.write("sample.wal.d/sample.wal", REFUSED_WAL)
        out = os.path.join(self.dir, "all.gpkg")
        r = run([IMPORTER, wal, other, refused, "-o", out])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(layer_counts(out), {"sample_lines": 30, "other_sample_lines": 30,
                                             "sample.wal.d_sample_lines": 2})
        self.assertIn("layer sample.wal.d_sample_lines (lines of sample.wal): 2 features", r.stdout)
        # The second item (lines 8 to 12) has a style line of 8 fields.
        self.assertIn("sample.wal: 3 items: 2 written, 1 refused, 0 not importable, 0 skipped",
                      r.stdout)
        self.assertIn("sample.wal:8: item 12 (line) refused: refused by the reader", r.stdout)

    def test_layers_are_named_after_what_they_hold(self):
        inputs = [shutil.copy(sample(n), self.dir) for n in ("sample.wat", "sample.wal",
                                                             "sample.wap", "sample.wan")]
        out = os.path.join(self.dir, "sheet.gpkg")
        self.assertEqual(run([IMPORTER] + inputs + ["-o", out, "-q"]).returncode, 0)
        # Split by kind; the sheet's files share the layer of a kind.
        self.assertEqual(layer_counts(out), {"sample_points": 1, "sample_lines": 1 + 30,
                                             "sample_areas": 2 + 3, "sample_texts": 16,
                                             "sample_network": 2, "sample_nodes": 2})
        typed = os.path.join(self.dir, "typed.gpkg")
        r = run([IMPORTER, inputs[0], inputs[2], "--typed", "--name", "sheet", "-o", typed, "-q"])
        self.assertEqual(r.returncode, 0, r.stderr)
        counts = layer_counts(typed)
        self.assertTrue(set(counts) <= {"sheet_points", "sheet_lines", "sheet_areas",
                                        "sheet_texts"})
        self.assertIn("sheet_texts", counts)
        # The point file's two circles and the area file's three areas.
        self.assertEqual(counts["sheet_areas"], 2 + 3)

    def test_a_name_taken_with_its_folder_too_is_refused_rather_than_numbered(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        out = os.path.join(self.dir, "thrice.gpkg")
        r = run([IMPORTER, wal, wal, wal, "-o", out])
        self.assertEqual(r.returncode, 2)
        self.assertIn("sample_lines would take the name of another input", r.stderr)
        self.assertFalse(os.path.exists(out))

    def test_name_and_format_options(self):
        wal = shutil.copy(sample("sample.wal"), self.dir)
        r = run([IMPORTER, wal, "-f", "GeoJSON", "--name", "roads", "--srs", "CGCS2000", "-q"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "")
        out = os.path.join(self.dir, "sample.geojson")
        self.assertEqual(layer_counts(out), {"roads_lines": 30})


if __name__ == "__main__":
    unittest.main()
