"""mapgis-import with MAPGIS's colour library (Pcolor.lib): given with --colors, found beside an
archive's sheets or in the folder --slib names, a colour index beside a sheet winning over it;
and the summary's line when there is no colour source at all. The library is built here."""
import os
import shutil
import struct

from osgeo import gdal

from hosts_common import TempDirCase, sample

# Colour numbers 1 to 3 as K, C, M, Y (no spot colour). By hand, x' = 255 - (255 - K)(255 - x)
# / 255 and RGB = 255 - x': 1 (0, 0, 0, 0) white #FFFFFF; 2 (0, 0, 255, 255) red #FF0000;
# 3 (0, 255, 0, 255) green #00FF00. The samples' line 1 has colour 3; the colour index
# sample gives it red.
INKS = [(0, 0, 0, 0), (0, 0, 255, 255), (0, 255, 0, 255)]
GREEN, RED = "#00FF00", "#FF0000"


def library():
    header = b"PCOLOR 3" + struct.pack("<HH", len(INKS) + 1, 0) + bytes(156 - 12)
    return header + b"".join(bytes(k) + bytes(28) for k in INKS)


class ColorLibrary(TempDirCase):

    def lib(self, folder):
        os.makedirs(self.path(folder), exist_ok=True)
        path = self.path(os.path.join(folder, "Pcolor.lib"))
        with open(path, "wb") as f:
            f.write(library())
        return path

    def sheet(self, folder):
        os.makedirs(self.path(folder), exist_ok=True)
        return shutil.copy(sample("sample.wal"), self.path(os.path.join(folder, "1.wal")))

    def first_line(self, gpkg, layer="1_lines"):
        ds = gdal.OpenEx(gpkg, gdal.OF_VECTOR)
        return ds.GetLayerByName(layer).GetFeature(1)

    def test_library_given_with_colors_or_slib(self):
        wal = self.sheet("in")
        lib = self.lib("sys")
        for extra in (["--colors", lib], ["--slib", self.path("sys")]):
            out = self.path("out.gpkg")
            r = self.importer(wal, "-o", out, "--overwrite", *extra)
            self.assertNotIn("no colour source", r.stdout)
            first = self.first_line(out)
            self.assertEqual(first["Color"], GREEN, extra)
            # The sample's width 0.15 in millimetres, not the reader's 0.015.
            self.assertEqual(first["LineWidth"], 0.15, extra)

    def test_archive_finds_the_library_beside_or_in_slib(self):
        # x: a library beside; y: a colour index and a library beside, the index wins; z:
        # nothing beside, --slib's library.
        for folder in ("x", "y", "z"):
            self.sheet(os.path.join("root", folder))
        self.lib("root/x")
        self.lib("root/y")
        shutil.copy(sample("colors.txt"), self.path("root/y"))
        self.lib("sys")
        out = self.path("out")
        r = self.importer(self.path("root"), "-o", out, "-r", "--slib", self.path("sys"),
                          "--report", self.path("report.json"))
        rows = {os.path.relpath(row["input"], self.path("root")): row
                for row in self.report(self.path("report.json"))}
        want = {"x": (self.path("root/x/Pcolor.lib"), GREEN),
                "y": (self.path("root/y/colors.txt"), RED),
                "z": (self.path("sys/Pcolor.lib"), GREEN)}
        for folder, (colors, color) in want.items():
            self.assertEqual(rows[folder + "/1.wal"]["colors"], colors, folder)
            self.assertEqual(self.first_line(os.path.join(out, folder, "1.gpkg"))["Color"],
                             color, folder)
        self.assertIn(self.path("sys/Pcolor.lib"), r.stdout)

    def test_no_colour_source_said_in_one_line(self):
        wal = self.sheet("in")
        r = self.importer(wal, "-o", self.path("out.gpkg"))
        said = [line for line in r.stdout.splitlines() if "colour" in line]
        self.assertEqual(len(said), 1, r.stdout)
        self.assertIn("--colors", said[0])
        r = self.importer(self.path("in"), "-o", self.path("out"))
        said = [line for line in r.stdout.splitlines() if "colour" in line]
        self.assertEqual(len(said), 1, r.stdout)
        self.assertIn("--colors", said[0])

    def test_slib_without_a_library_is_refused(self):
        wal = self.sheet("in")
        os.makedirs(self.path("empty"))
        r = self.importer(wal, "-o", self.path("out.gpkg"), "--slib", self.path("empty"),
                          status=3)
        self.assertIn("Pcolor.lib", r.stderr)
        self.assertFalse(os.path.exists(self.path("out.gpkg")))
