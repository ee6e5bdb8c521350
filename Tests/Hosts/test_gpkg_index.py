"""The spatial indexes of the GeoPackages mapgis-import writes, packed after the features:
SQLite's own check of every R-tree, every feature in it once with its box, windows answered
as a scan of the boxes answers them, GDAL's spatial filter, and the triggers that keep the
index in step when the file is edited later."""
import os
import sqlite3
import subprocess
import sys
import unittest

from hosts_common import IMPORTER, TempDirCase, run, sample

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "..", "Bench", "gen_mapgis.py")
# Boxes are kept as 32-bit floats rounded outward: at eastings of 4e7 a step is 4 m.
FLOAT_STEP = 8.0


class SpatialIndex(TempDirCase):
    def import_to_gpkg(self, inputs, srs):
        out = os.path.join(self.dir, "out.gpkg")
        r = run([IMPORTER] + inputs + ["-o", out, "-q", "--srs", srs])
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def assert_indexes(self, path):
        from osgeo import gdal
        ds = gdal.OpenEx(path, gdal.OF_VECTOR)
        layers = [ds.GetLayer(i) for i in range(ds.GetLayerCount())]
        layers = [layer for layer in layers if layer.GetName() != "layer_styles"]
        self.assertTrue(layers)
        db = sqlite3.connect(path)
        try:
            for layer in layers:
                name = layer.GetName()
                tree = f"rtree_{name}_{layer.GetGeometryColumn()}"
                self.assertEqual(db.execute("SELECT rtreecheck(?)", (tree,)).fetchone(),
                                 ("ok",), name)
                self.assertEqual(db.execute(
                    "SELECT scope FROM gpkg_extensions WHERE table_name = ? AND "
                    "extension_name = 'gpkg_rtree_index'", (name,)).fetchall(),
                    [("write-only",)])
                self.assertEqual(sorted(t for (t,) in db.execute(
                    "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ? "
                    "AND name LIKE 'rtree%'",
                    (name,))), sorted(f"{tree}_{w}" for w in (
                        "insert", "update1", "update2", "update3", "update4", "delete")))
                boxes = {row[0]: row[1:] for row in db.execute(f'SELECT * FROM "{tree}"')}
                envelopes = {}
                for f in layer:
                    g = f.GetGeometryRef()
                    if g is not None and not g.IsEmpty():
                        envelopes[f.GetFID()] = g.GetEnvelope()  # min x, max x, min y, max y
                self.assertEqual(sorted(boxes), sorted(envelopes), name)
                for fid, (x0, x1, y0, y1) in envelopes.items():
                    b = boxes[fid]
                    self.assertTrue(b[0] <= x0 and b[1] >= x1 and b[2] <= y0 and b[3] >= y1,
                                    (name, fid, b, envelopes[fid]))
                    self.assertLess(max(x0 - b[0], b[1] - x1, y0 - b[2], b[3] - y1), FLOAT_STEP)
                self.assert_windows(db, tree, boxes, layer)
        finally:
            db.close()

    def assert_windows(self, db, tree, boxes, layer):
        """A grid of windows over the layer: the tree's answer is the scan's, and GDAL's
        spatial filter keeps only candidates of it."""
        x0, x1, y0, y1 = layer.GetExtent()
        for i in range(4):
            for j in range(4):
                w = (x0 + (x1 - x0) * i / 4, x0 + (x1 - x0) * (i + 1.5) / 4,
                     y0 + (y1 - y0) * j / 4, y0 + (y1 - y0) * (j + 1.5) / 4)
                scan = {fid for fid, b in boxes.items()
                        if b[1] >= w[0] and b[0] <= w[1] and b[3] >= w[2] and b[2] <= w[3]}
                tree_answer = {fid for (fid,) in db.execute(
                    f'SELECT id FROM "{tree}" WHERE maxx >= ? AND minx <= ? AND maxy >= ? '
                    "AND miny <= ?", (w[0], w[1], w[2], w[3]))}
                self.assertEqual(tree_answer, scan, (layer.GetName(), w))
                layer.SetSpatialFilterRect(w[0], w[2], w[1], w[3])
                self.assertLessEqual({f.GetFID() for f in layer}, scan)
                layer.SetSpatialFilter(None)

    def test_the_samples(self):
        out = self.import_to_gpkg([sample("sample.wal"), sample("sample.wap"),
                                   sample("sample.wan")], "EPSG:4527")
        self.assert_indexes(out)

    def test_a_tree_of_several_levels(self):
        # About 26 000 texts and points: hundreds of leaves under inner nodes.
        wat = os.path.join(self.dir, "big.wat")
        subprocess.run([sys.executable, GENERATOR, "wat", "--size-mb", "2", "--seed", "3", "-o",
                        wat], check=True, capture_output=True)
        out = self.import_to_gpkg([wat], "EPSG:4526")
        self.assert_indexes(out)

    def test_the_triggers_follow_later_edits(self):
        from osgeo import gdal, ogr
        out = self.import_to_gpkg([sample("sample.wal")], "EPSG:4527")
        ds = gdal.OpenEx(out, gdal.OF_VECTOR | gdal.OF_UPDATE)
        layer = ds.GetLayerByName("sample_lines")
        f = ogr.Feature(layer.GetLayerDefn())
        f.SetGeometry(ogr.CreateGeometryFromWkt(
            "MULTILINESTRING ((39600000 3500000,39600010 3500010))"))
        self.assertEqual(layer.CreateFeature(f), 0)
        new_fid = f.GetFID()
        self.assertEqual(layer.DeleteFeature(1), 0)
        del f, layer, ds
        db = sqlite3.connect(out)
        try:
            tree = "rtree_sample_lines_geom"
            self.assertEqual(db.execute(f"SELECT rtreecheck('{tree}')").fetchone(), ("ok",))
            ids = {i for (i,) in db.execute(f"SELECT id FROM {tree}")}
            self.assertIn(new_fid, ids)
            self.assertNotIn(1, ids)
            self.assertEqual(len(ids), 30)
        finally:
            db.close()


if __name__ == "__main__":
    unittest.main()
