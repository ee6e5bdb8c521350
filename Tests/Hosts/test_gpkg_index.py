"""The R-trees mapgis-import packs into its GeoPackages: SQLite's own check, every feature once
with its box rounded outward, and the triggers that keep the index in step with later edits."""
import os
import sqlite3
import subprocess
import sys

from osgeo import gdal, ogr

from hosts_common import TempDirCase, open_layers, sample

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "..", "Bench", "gen_mapgis.py")
# Boxes are kept as 32-bit floats rounded outward: at eastings of 4e7 a step is 4 m.
FLOAT_STEP = 8.0
TRIGGERS = ("insert", "update1", "update2", "update3", "update4", "delete")


class SpatialIndex(TempDirCase):
    def test_every_layer_indexed_and_kept_in_step(self):
        # About 26 000 items (the texts' tree has hundreds of leaves under inner nodes, every
        # kind full leaves) beside the samples' lines, areas and network.
        big = self.path("big.wat")
        subprocess.run([sys.executable, GENERATOR, "wat", "--size-mb", "2", "--seed", "3", "-o",
                        big], check=True, capture_output=True)
        out = self.path("out.gpkg")
        self.importer(big, *(sample("sample." + e) for e in ("wal", "wap", "wan")), "-o", out,
                      "-q")
        ds, layers = open_layers(out)
        self.assertEqual(len(layers), 8)  # four kinds of each file set
        with sqlite3.connect(out) as db:
            for layer in layers:
                with self.subTest(layer=layer.GetName()):
                    self.assert_index(db, layer)
        del layers, ds
        # An edit later: the triggers put the new feature in and take the deleted one out.
        ds = gdal.OpenEx(out, gdal.OF_VECTOR | gdal.OF_UPDATE)
        layer = ds.GetLayerByName("sample_lines")
        f = ogr.Feature(layer.GetLayerDefn())
        f.SetGeometry(ogr.CreateGeometryFromWkt("MULTILINESTRING ((39600000 3500000,39600010 "
                                                "3500010))"))
        self.assertEqual(layer.CreateFeature(f), 0)
        self.assertEqual(layer.DeleteFeature(1), 0)
        new_fid = f.GetFID()
        del f, layer, ds
        with sqlite3.connect(out) as db:
            tree = "rtree_sample_lines_geom"
            self.assertEqual(db.execute(f"SELECT rtreecheck('{tree}')").fetchone(), ("ok",))
            ids = {i for (i,) in db.execute(f"SELECT id FROM {tree}")}
        self.assertEqual((new_fid in ids, 1 in ids, len(ids)), (True, False, 30))

    def assert_index(self, db, layer):
        name = layer.GetName()
        tree = f"rtree_{name}_{layer.GetGeometryColumn()}"
        self.assertEqual(db.execute("SELECT rtreecheck(?)", (tree,)).fetchone(), ("ok",))
        self.assertEqual(db.execute(
            "SELECT scope FROM gpkg_extensions WHERE table_name = ? AND "
            "extension_name = 'gpkg_rtree_index'", (name,)).fetchall(), [("write-only",)])
        self.assertEqual(sorted(t for (t,) in db.execute(
            "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ? "
            "AND name LIKE 'rtree%'", (name,))), [f"{tree}_{w}" for w in sorted(TRIGGERS)])
        boxes = {row[0]: row[1:] for row in db.execute(f'SELECT * FROM "{tree}"')}
        envelopes = {f.GetFID(): f.GetGeometryRef().GetEnvelope() for f in layer
                     if f.GetGeometryRef() is not None and not f.GetGeometryRef().IsEmpty()}
        self.assertEqual(sorted(boxes), sorted(envelopes))
        for fid, (x0, x1, y0, y1) in envelopes.items():  # min x, max x, min y, max y
            b = boxes[fid]
            self.assertTrue(b[0] <= x0 and b[1] >= x1 and b[2] <= y0 and b[3] >= y1,
                            (fid, b, envelopes[fid]))
            self.assertLess(max(x0 - b[0], b[1] - x1, y0 - b[2], b[3] - y1), FLOAT_STEP)
