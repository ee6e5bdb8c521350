"""GeoPackages the size GDAL writes: a sheet's, a larger file's and a merged archive's, each at
most a tenth larger than what ogr2ogr writes of the same features with GDAL's defaults, in
the page size chosen from the input's size."""
import os
import sqlite3

from hosts_common import TempDirCase, run, sample
from test_shards import make_sheets
from test_archives import heavy_sheet

SAMPLES = [sample("sample." + ext) for ext in ("wal", "wat", "wap", "wan")]


class GpkgSize(TempDirCase):
    def assert_gdal_size(self, gpkg, page):
        with sqlite3.connect(gpkg) as db:
            self.assertEqual(db.execute("PRAGMA page_size").fetchone()[0], page)
        copy = gpkg + ".ogr2ogr.gpkg"
        r = run(["ogr2ogr", "-f", "GPKG", copy, gpkg])
        self.assertEqual(r.returncode, 0, r.stderr)
        with sqlite3.connect(copy) as db:
            self.assertEqual(db.execute("PRAGMA page_size").fetchone()[0], 4096)
        self.assertLessEqual(os.path.getsize(gpkg), 1.1 * os.path.getsize(copy))

    def test_files_in_pages_for_their_size(self):
        big = self.path("big.wal")
        heavy_sheet(big, 270000)  # 9 MiB: pages of 8 KiB
        self.assertGreater(os.path.getsize(big), 8 * 2 ** 20)
        for name, inputs, page in (("sheet", SAMPLES, 4096), ("point", SAMPLES[1:2], 4096),
                                   ("big", [big], 8192)):
            with self.subTest(name=name):
                gpkg = self.path(name + ".gpkg")
                self.importer(*inputs, "-o", gpkg, "-q", "--srs", "EPSG:4527")
                self.assert_gdal_size(gpkg, page)

    def test_a_merged_archive(self):
        root = self.path("county")
        make_sheets(root, [f"f{i % 3}/s{i}" for i in range(6)])
        merged = self.path("county.gpkg")
        self.importer(root, "-r", "--merge", "-o", merged, "-q", "--srs", "EPSG:4527")
        self.assert_gdal_size(merged, 4096)
