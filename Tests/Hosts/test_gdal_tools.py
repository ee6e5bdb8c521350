"""ogrinfo and ogr2ogr reading MAPGIS files through the driver plug-in."""
import json
import os
import unittest

from hosts_common import DRIVER_PATH, TempDirCase, all_samples, run, sample


class OgrInfo(unittest.TestCase):
    def test_reads_line_sample_directly(self):
        r = run(["ogrinfo", "-ro", "-so", "-al", sample("sample.wal")])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("using driver `MAPGIS' successful", r.stdout)
        self.assertIn("Layer name: sample", r.stdout)
        self.assertIn("Feature Count: 30", r.stdout)
        # Item 1's first point is the lowest and leftmost, item 30's fourth the highest
        # and rightmost.
        self.assertIn("Extent: (39511100.000000, 3420050.000000) - (39514180.000000, 3421555.000000)",
                      r.stdout)
        self.assertIn("RbUserID: Integer", r.stdout)

    def test_driver_lists_its_open_options(self):
        r = run(["ogrinfo", "--format", "MAPGIS"])
        self.assertEqual(r.returncode, 0, r.stderr)
        for option in ("MODE", "ENCODING", "COLOR_INDEX", "NAME"):
            self.assertIn(f'name="{option}"', r.stdout)
        self.assertTrue(os.path.exists(os.path.join(DRIVER_PATH, "ogr_MAPGIS.so")))

    def test_typed_mode_names_layer_after_the_dataset_name(self):
        r = run(["ogrinfo", "-ro", "-so", "-al", "-oo", "MODE=TYPED", "-oo", "NAME=roads",
                 sample("sample.wal")])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("Layer name: roadsL", r.stdout)
        self.assertIn("Geometry: Multi Line String", r.stdout)


class Ogr2Ogr(TempDirCase):
    def test_every_sample_converts_to_geopackage_in_both_modes(self):
        self.assertTrue(all_samples())
        for path in all_samples():
            for mode in ("COMPOUND", "TYPED"):
                with self.subTest(path=os.path.basename(path), mode=mode):
                    out = os.path.join(self.dir, f"{os.path.basename(path)}-{mode}.gpkg")
                    r = run(["ogr2ogr", "-f", "GPKG", out, path, "-oo", f"MODE={mode}",
                             "-oo", "COLOR_INDEX=" + sample("colors.txt")])
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertNotIn("ERROR", r.stderr)
                    # Every geometry fits the layer's declared type.
                    self.assertNotIn("not normally allowed", r.stderr)
                    src = run(["ogrinfo", "-ro", "-so", "-al", path, "-oo", f"MODE={mode}"])
                    dst = run(["ogrinfo", "-ro", "-so", "-al", out])
                    self.assertEqual(feature_counts(src.stdout), feature_counts(dst.stdout))

    def test_geojson_keeps_styles_as_plain_fields(self):
        out = os.path.join(self.dir, "lines.geojson")
        r = run(["ogr2ogr", "-f", "GeoJSON", out, sample("sample.wal"),
                 "-oo", "COLOR_INDEX=" + sample("colors.txt")])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(out, encoding="utf-8") as f:
            doc = json.load(f)
        features = doc["features"]
        self.assertEqual(len(features), 30)
        self.assertEqual([f["properties"]["RbUserID"] for f in features], list(range(3001, 3031)))
        first = features[0]
        # Style line "1,0,3,5,...": line type 1, colour 3 = (C,M,Y,K) (0,100,100,0), width 5/10.
        self.assertEqual(first["properties"]["Color"], "#FF0000")
        self.assertEqual(first["properties"]["LineWidth"], 0.5)
        self.assertEqual(first["properties"]["GeomKind"], "line")
        self.assertEqual(first["geometry"]["type"], "LineString")
        self.assertEqual(first["geometry"]["coordinates"],
                         [[39511100, 3420050], [39511160, 3420090], [39511220, 3420060]])
        # Item 20: line type 5 (dotted), colour 5 = (100,100,0,0), width 2/10; 2 points.
        twentieth = features[19]
        self.assertEqual(twentieth["properties"]["Color"], "#0000FF")
        self.assertEqual(twentieth["properties"]["LineStyle"], 5)
        self.assertEqual(twentieth["properties"]["LineWidth"], 0.2)
        self.assertEqual(twentieth["geometry"]["coordinates"],
                         [[39513000, 3421000], [39513060, 3421040]])


def feature_counts(ogrinfo_output):
    counts = {}
    name = None
    for line in ogrinfo_output.splitlines():
        if line.startswith("Layer name: "):
            name = line[len("Layer name: "):]
        elif line.startswith("Feature Count: ") and name is not None:
            counts[name] = int(line[len("Feature Count: "):])
    return counts


if __name__ == "__main__":
    unittest.main()
