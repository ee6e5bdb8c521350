"""The spatial indexes mapgis-import packs. GeoPackage: SQLite's own check, every feature once
with its box rounded outward, and the triggers that keep the index in step with later edits.
FlatGeobuf: the packed tree read from the file, a leaf per feature in file order with its
envelope and place, every inner node the union of its children, and GDAL's spatial filter."""
import glob
import os
import sqlite3
import struct
import subprocess
import sys

from osgeo import gdal, ogr

from hosts_common import TempDirCase, open_layers, sample

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "..", "Bench", "gen_mapgis.py")
# Boxes are kept as 32-bit floats rounded outward: at eastings of 4e7 a step is 4 m.
FLOAT_STEP = 8.0
TRIGGERS = ("insert", "update1", "update2", "update3", "update4", "delete")


class Sheets(TempDirCase):
    def import_sheets(self, out, *args):
        """About 26 000 items (the texts' tree has hundreds of leaves under inner nodes, every
        kind full leaves) beside the samples' lines, areas and network."""
        big = self.path("big.wat")
        subprocess.run([sys.executable, GENERATOR, "wat", "--size-mb", "2", "--seed", "3", "-o",
                        big], check=True, capture_output=True)
        self.importer(big, *(sample("sample." + e) for e in ("wal", "wap", "wan")), "-o", out,
                      "-q", *args)


class GeoPackageIndex(Sheets):
    def test_every_layer_indexed_and_kept_in_step(self):
        out = self.path("out.gpkg")
        self.import_sheets(out)
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


def read_tree(path):
    """The node size, the nodes (min x, min y, max x, max y, offset) root first, the leaves'
    first position and the features' offsets, from the start of the features."""
    with open(path, "rb") as f:
        data = f.read()
    (size,) = struct.unpack_from("<I", data, 8)
    header = data[12:12 + size]
    (table,) = struct.unpack_from("<I", header, 0)
    vtable = table - struct.unpack_from("<i", header, table)[0]
    (vt_len,) = struct.unpack_from("<H", header, vtable)

    def field(i, fmt, default):
        at = 4 + 2 * i
        off = struct.unpack_from("<H", header, vtable + at)[0] if at < vt_len else 0
        return struct.unpack_from(fmt, header, table + off)[0] if off else default

    count, node_size = field(8, "<Q", 0), field(9, "<H", 16)
    levels, n = [count], count
    while True:
        n = (n + node_size - 1) // node_size
        levels.append(n)
        if n == 1:
            break
    nodes = [struct.unpack_from("<4dQ", data, 12 + size + 40 * i) for i in range(sum(levels))]
    at, offsets = 12 + size + 40 * len(nodes), []
    while at < len(data):
        offsets.append(at - (12 + size + 40 * len(nodes)))
        at += 4 + struct.unpack_from("<I", data, at)[0]
    return node_size, levels, nodes, offsets


class FlatGeobufIndex(Sheets):
    def test_packed_tree_over_every_feature(self):
        out = self.path("out")
        self.import_sheets(out, "-f", "FlatGeobuf")
        files = sorted(glob.glob(os.path.join(out, "*.fgb")))
        self.assertEqual(len(files), 8)
        for path in files:
            with self.subTest(layer=os.path.basename(path)):
                self.assert_tree(path)

    def assert_tree(self, path):
        ds = gdal.OpenEx(path, gdal.OF_VECTOR)
        layer = ds.GetLayer(0)
        self.assertTrue(layer.TestCapability(ogr.OLCFastSpatialFilter))
        geometries = [f.GetGeometryRef().Clone() for f in layer]
        node_size, levels, nodes, offsets = read_tree(path)
        self.assertEqual((node_size, levels[0], len(offsets)), (16, len(geometries),
                                                                len(geometries)))
        leaves = nodes[len(nodes) - levels[0]:]
        for i, (leaf, geometry) in enumerate(zip(leaves, geometries)):
            x0, x1, y0, y1 = geometry.GetEnvelope()
            self.assertEqual(leaf, (x0, y0, x1, y1, offsets[i]), i)
        # Level by level from the root: each inner node covers exactly its children, which
        # start where its offset says.
        start = 0
        for depth in range(len(levels) - 1, 0, -1):
            below = start + levels[depth]
            for j in range(levels[depth]):
                first = nodes[start + j][4]
                self.assertEqual(first, below + j * node_size)
                children = nodes[first:min(first + node_size, below + levels[depth - 1])]
                self.assertEqual(nodes[start + j][:4], (
                    min(c[0] for c in children), min(c[1] for c in children),
                    max(c[2] for c in children), max(c[3] for c in children)))
            start = below
        # GDAL's filter through the tree finds what a scan of every geometry finds.
        ex0, ex1, ey0, ey1 = layer.GetExtent()
        for k in range(4):
            x, y = ex0 + (ex1 - ex0) * k / 4, ey0 + (ey1 - ey0) * k / 4
            w, h = (ex1 - ex0) / 3 + 1, (ey1 - ey0) / 3 + 1
            box = ogr.CreateGeometryFromWkt(
                f"POLYGON (({x} {y},{x + w} {y},{x + w} {y + h},{x} {y + h},{x} {y}))")
            layer.SetSpatialFilter(box)
            found = sorted(f.GetFID() for f in layer)
            layer.SetSpatialFilter(None)
            self.assertEqual(found, [i for i, g in enumerate(geometries) if g.Intersects(box)])
