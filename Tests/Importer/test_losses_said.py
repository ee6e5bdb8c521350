"""mapgis-import and the driver on what users meet: files that are not files (FIFOs, devices,
sockets), folder links that loop, a text of many control codes, damaged headers and counts, the
wrong charset, a colour file that is not one, and file and folder names in GBK bytes. Nothing
may hang, and every loss is said."""
import json
import os
import shutil
import socket
import subprocess
import time

from osgeo import gdal

from hosts_common import IMPORTER, TempDirCase, layer_counts, sample

# Three line items of two points, ids 11 to 13.
LINE = "1,0,3,5,0,0,0,0,0\n2\n0,{y}\n10,{y}\n{id},0\n"
WAL3 = "WMAP lines\n3\n" + "".join(LINE.format(y=10 * i, id=11 + i) for i in range(3))
# Three texts, ids 1 to 3; the x coordinate of the first is 100.
TEXT = '{x},200,{id},0,"{text}",4.0,3.0,0.0,0.0,1,0,0,0,3,0,0\n'
WAT3 = "WMAPGIS point file\n3\n" + "".join(
    TEXT.format(x=100 + i, id=1 + i, text=f"t{i}") for i in range(3))
SUMMARY_TIMEOUT = 60


def run_bytes(args, timeout=SUMMARY_TIMEOUT):
    """The importer run with arguments that may be bytes; output decoded strictly as UTF-8,
    so that a message showing a raw GBK byte fails the test."""
    done = subprocess.run([os.fsencode(a) if isinstance(a, str) else a for a in args],
                          capture_output=True, timeout=timeout)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def make_special(path, kind):
    """A FIFO, a socket or a device at path; the socket is returned to be kept open."""
    if kind == "FIFO":
        os.mkfifo(path)
    elif kind == "socket":
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.bind(path)
        return s
    else:
        os.symlink("/dev/zero", path)
    return None


EXPECTED_WORDS = {"FIFO": "a FIFO (named pipe), not a file", "socket": "a socket, not a file",
                  "device": "a device, not a file"}


class NotFiles(TempDirCase):
    """One table: what is not a regular file x where it is given. Each refusal is at once and
    names the file; nothing opens it."""

    def special(self, name, kind):
        path = os.path.join(self.dir, name)
        keep = make_special(path, kind)
        if keep is not None:
            self.addCleanup(keep.close)
        return path

    def test_refused_at_once_with_its_name(self):
        for kind in ("FIFO", "socket", "device"):
            for place in ("input", "--colors", "COLOR_INDEX", "driver"):
                with self.subTest(kind=kind, place=place):
                    path = self.special(f"{kind}-{place}.wal".replace("-", "_"), kind)
                    start = time.monotonic()
                    if place in ("input", "--colors"):
                        args = [IMPORTER, path, "-o", os.path.join(self.dir, "o.gpkg")]
                        if place == "--colors":
                            args = [IMPORTER, sample("sample.wal"), "--colors", path, "-o",
                                    os.path.join(self.dir, "o.gpkg")]
                        code, _, err = run_bytes(args, timeout=20)
                        self.assertEqual(code, 3, err)
                        what = "cannot read colour index file " if place == "--colors" else \
                            "cannot read "
                        self.assertIn(what + path + ": " + EXPECTED_WORDS[kind], err)
                    elif place == "COLOR_INDEX":
                        with self.assertRaises(RuntimeError) as caught:
                            gdal.OpenEx(sample("sample.wal"), gdal.OF_VECTOR,
                                        open_options=["COLOR_INDEX=" + path])
                        self.assertIn(f"COLOR_INDEX={path}: {EXPECTED_WORDS[kind]}",
                                      str(caught.exception))
                    else:
                        self.check_driver(path, kind)
                    self.assertLess(time.monotonic() - start, 10)
                    self.assertFalse(os.path.exists(os.path.join(self.dir, "o.gpkg")))

    def check_driver(self, path, kind):
        # GDAL's own open blocks on a FIFO before any driver is asked (GDAL 3.6 opens every
        # path it is given), and fails on a socket itself: what is left to see is that the
        # open ends.
        if kind == "FIFO":
            return
        try:
            ds = gdal.OpenEx(path, gdal.OF_VECTOR, allowed_drivers=["MAPGIS"])
        except RuntimeError as failure:
            ds = None
            # /dev/zero's first bytes are NUL: not claimed at all; a socket GDAL cannot open.
            self.assertIn("not recognized" if kind == "device" else "No such device",
                          str(failure))
        self.assertIsNone(ds)

    def test_beside_a_sheet_never_opened(self):
        """A FIFO beside a sheet in an archive is no colour candidate and never opened; a FIFO
        under an exchange extension fails its sheet, named, and the other sheets go on."""
        for name, code, said in (("1.txt", 0, None), ("2.wal", 5, "a/2.wal: a FIFO")):
            with self.subTest(name=name):
                root = os.path.join(self.dir, "arch-" + name)
                os.makedirs(os.path.join(root, "a"))
                shutil.copy(sample("sample.wal"), os.path.join(root, "a", "1.wal"))
                os.mkfifo(os.path.join(root, "a", name))
                out = os.path.join(self.dir, "out-" + name)
                report = os.path.join(self.dir, name + ".json")
                code_run, _, err = run_bytes([IMPORTER, root, "-r", "-j", "1", "-o", out,
                                              "--report", report], timeout=30)
                self.assertEqual(code_run, code, err)
                self.assertTrue(os.path.exists(os.path.join(out, "a", "1.gpkg")))
                if said:
                    self.assertIn("sheet a/2 failed (exit 3)", err)
                    self.assertIn(said, err)


class FolderLinks(TempDirCase):
    """-r follows a link to a folder at most once: links back to the parent neither loop nor
    convert a sheet twice."""

    def test_links_to_the_parent(self):
        for links in (["up1"], ["up1", "up2"]):
            with self.subTest(links=links):
                root = os.path.join(self.dir, "links" + str(len(links)))
                os.makedirs(os.path.join(root, "a"))
                shutil.copy(sample("sample.wal"), os.path.join(root, "a", "1.wal"))
                for link in links:
                    os.symlink("..", os.path.join(root, "a", link))
                out = os.path.join(self.dir, "out" + str(len(links)))
                code, stdout, err = run_bytes(
                    [IMPORTER, root, "-r", "-j", "1", "-o", out], timeout=60)
                self.assertEqual(code, 0, err)
                written = [os.path.relpath(os.path.join(d, f), out)
                           for d, _, files in os.walk(out) for f in files if f.endswith(".gpkg")]
                self.assertEqual(written, [os.path.join("a", "1.gpkg")])
                self.assertIn("1 sheets: 1 written", stdout)


class ControlCodeText(TempDirCase):
    """A text of 400 000 superscript control codes (2.4 MB) is cut into its pieces in linear
    work: each piece holds its own text, not a copy of the item's whole text (which made the
    cutting take 89 s and the output quadratic in the text's length)."""

    def test_each_piece_holds_its_own_text(self):
        path = os.path.join(self.dir, "codes.wat")
        text = "#+2x#=" * 400000
        with open(path, "w", encoding="ascii") as f:
            f.write("WMAPGIS point file\n1\n" + TEXT.format(x=100, id=1, text=text))
        ds = gdal.OpenEx(path, gdal.OF_VECTOR, open_options=["MODE=COMPOUND"])
        feature = ds.GetLayer(0).GetNextFeature()
        anchors = feature.GetGeometryRef().GetGeometryCount()
        del ds
        out = os.path.join(self.dir, "codes.gpkg")
        code, _, err = run_bytes([IMPORTER, path, "-o", out, "-q"])
        self.assertEqual(code, 0, err)
        # One feature per anchor of the reader's text, none lost.
        self.assertGreater(anchors, 1)
        self.assertEqual(layer_counts(out), {"codes_texts": anchors})
        # The pieces' texts are parts of the text: together no longer than it.
        ds = gdal.OpenEx(out)
        total = ds.ExecuteSQL("SELECT SUM(LENGTH(Text)) FROM codes_texts")
        self.assertLessEqual(total.GetNextFeature().GetField(0), len(text))
        ds.ReleaseResultSet(total)


# name, file text, the warning (file:line: text), the notes of the account, the account line.
# Worked out by hand: without its header, a point file's count line "3" is taken for the header
# and the first record's first line for the count (ugatoi of "100,200,..." is 100), so records
# 2 and 3 are read, and the count announces 100 items; a line file cut after its second item's
# points holds 2 items (the second cut off) of the 3 announced.
DAMAGED = [
    ("nohead.wat", WAT3.split("\n", 1)[1],
     'nohead.wat:1: line 1 is not a header line: "3" reads as data',
     ['line 1 is not a header line: "3" reads as data',
      "line 2 announces 100 items, the file holds 2: it may be cut off"],
     "nohead.wat: 2 items: 2 written, 0 refused, 0 not importable, 0 skipped"),
    ("cut.wal", WAL3[:WAL3.index("10,10\n") + len("10,10\n")], None,
     ["line 2 announces 3 items, the file holds 2: it may be cut off"],
     "cut.wal: 2 items: 1 written, 0 refused, 0 not importable, 1 skipped"),
    ("short.wal", "WMAP lines\n5\n" + WAL3.split("\n", 2)[2], None,
     ["line 2 announces 5 items, the file holds 3: it may be cut off"],
     "short.wal: 3 items: 3 written, 0 refused, 0 not importable, 0 skipped"),
    ("whole.wal", WAL3, None, [],
     "whole.wal: 3 items: 3 written, 0 refused, 0 not importable, 0 skipped"),
    ("bom.wal", "\ufeff" + WAL3, None, [],
     "bom.wal: 3 items: 3 written, 0 refused, 0 not importable, 0 skipped"),
]


class DamagedHeadersAndCounts(TempDirCase):
    def test_reported_in_warnings_summary_report_and_metadata(self):
        for name, text, warning, notes, line in DAMAGED:
            with self.subTest(name=name):
                path = os.path.join(self.dir, name)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
                report = os.path.join(self.dir, name + ".json")
                code, out, err = run_bytes([IMPORTER, path, "-o", path + ".gpkg",
                                            "--report", report])
                self.assertEqual(code, 0, err)
                if warning:
                    self.assertIn("warning: " + warning, err)
                for note in notes:
                    self.assertIn(f"{name}: note: {note}", out)
                    if "announces" in note:
                        self.assertIn(f"warning: {name}: {note}", err)
                self.assertEqual(out.count(": note: "), len(notes), out)
                self.assertIn(line, out)
                with open(report, encoding="utf-8") as f:
                    entries = json.loads(f.readline())["entries"]
                self.assertEqual([e for e in entries if e.startswith("note: ")],
                                 [e for e in entries if any(n in e for n in notes)])
                self.assertEqual(len([e for e in entries if e.startswith("note: ")]),
                                 len(notes))
                ds = gdal.OpenEx(path, gdal.OF_VECTOR, open_options=["ACCOUNT=YES"])
                md = ds.GetMetadata("MAPGIS")
                got = [md[f"FILE_NOTE_{i + 1}"] for i in range(len(notes))]
                for note, value in zip(notes, got):
                    self.assertTrue(value.startswith(note), value)
                self.assertNotIn(f"FILE_NOTE_{len(notes) + 1}", md)

    def test_line_file_without_header_is_named(self):
        path = os.path.join(self.dir, "nohead.wal")
        with open(path, "w", encoding="utf-8") as f:
            f.write(WAL3.split("\n", 1)[1])
        code, _, err = run_bytes([IMPORTER, path, "-o", path + ".gpkg"])
        self.assertIn('nohead.wal:1: line 1 is not a header line: "3" reads as data', err)


class WrongCharset(TempDirCase):
    """A GBK sheet read as UTF-8: the texts that came out with U+FFFD are counted and the
    warning names --encoding; read as GBK nothing is said."""

    def test_counted_and_named(self):
        texts = ["清河桥", "ascii", "高程点", "水塘"]
        body = "".join(TEXT.format(x=100 + i, id=1 + i, text=t) for i, t in enumerate(texts))
        path = os.path.join(self.dir, "gbk.wat")
        with open(path, "wb") as f:
            f.write(("WMAPGIS point file\n4\n" + body).encode("gbk"))
        for encoding, said in (("UTF-8", "3 texts hold"), ("GBK", None)):
            with self.subTest(encoding=encoding):
                code, out, err = run_bytes([IMPORTER, path, "--encoding", encoding, "-o",
                                            os.path.join(self.dir, encoding + ".gpkg")])
                self.assertEqual(code, 0, err)
                if said:
                    self.assertIn(said, err)
                    self.assertIn("--encoding", err)
                    self.assertIn("gbk.wat: note: " + said, out)
                else:
                    self.assertNotIn("U+FFFD", err + out)


class ColourFiles(TempDirCase):
    """--colors and COLOR_INDEX take a colour index file and refuse anything else, naming it."""

    def test_not_a_colour_index(self):
        index = "not a MAPGIS colour index file: no colour entry"
        binary = "neither a MAPGIS colour index file (text) nor a colour library of MAPGIS 6.x"
        for name, data, shown in (
                ("points.txt", open(sample("sample.wat"), "rb").read(), index),
                ("empty.txt", b"", index),
                ("header-only.txt", b"colours\n0\n", index),
                # A --report line of 16 fields whose fifth is "status":0.
                ("report.json", ("x\n1\n" + ",".join(
                    ['{"a":""', '"b":"x"', '"c":"o"', '"d":""', '"status":0'] +
                    [f'"k{i}":{i}' for i in range(10)] + ['"z":1}']) + "\n").encode(), index),
                # Another version's library, and bytes that are no text.
                ("Pcolor.lib", b"PCOLOR 2" + bytes(300), binary),
                ("symbols.lib", b"\x01\x00\x02" + bytes(100), binary),
                ("colors.txt", open(sample("colors.txt"), "rb").read(), None)):
            with self.subTest(name=name):
                path = os.path.join(self.dir, name)
                with open(path, "wb") as f:
                    f.write(data)
                out = os.path.join(self.dir, name + ".gpkg")
                code, _, err = run_bytes([IMPORTER, sample("sample.wal"), "--colors", path,
                                          "-o", out])
                self.assertEqual(code, 3 if shown else 0, err)
                try:
                    ds = gdal.OpenEx(sample("sample.wal"), gdal.OF_VECTOR,
                                     open_options=["COLOR_INDEX=" + path])
                    message = ""
                except RuntimeError as failure:
                    ds, message = None, str(failure)
                self.assertEqual(ds is None, shown is not None, message)
                if shown:
                    self.assertIn(f"cannot read colour index file {path}: {shown}", err)
                    self.assertIn(f"COLOR_INDEX={path}: {shown}", message)


GBK_NAME = "中文".encode("gbk")  # b"\xd6\xd0\xce\xc4"


class GbkNames(TempDirCase):
    """File and folder names in GBK bytes open as they are; messages show their bytes escaped;
    layers named after them are decoded from GBK."""

    def test_names_in_gbk_bytes(self):
        tmp = os.fsencode(self.dir)
        folder = os.path.join(tmp, GBK_NAME)
        os.makedirs(folder)
        shutil.copy(sample("sample.wal"), os.path.join(folder, b"sample.wal"))
        shutil.copy(sample("sample.wal"), os.path.join(folder, GBK_NAME + b".wal"))
        for i, (name, layer) in enumerate(((b"sample.wal", "sample_lines"),
                                           (GBK_NAME + b".wal", "中文_lines"))):
            with self.subTest(name=name):
                out = os.path.join(tmp, b"out%d.gpkg" % i)
                code, stdout, err = run_bytes([IMPORTER, os.path.join(folder, name), "-o", out])
                self.assertEqual(code, 0, err)
                self.assertEqual(layer_counts(os.fsdecode(out)), {layer: 30})
                self.assertIn("30 items: 30 written", stdout)
        code, _, err = run_bytes([IMPORTER, os.path.join(folder, b"\xd6\xd0missing.wal")])
        self.assertEqual(code, 3)
        self.assertIn("\\xd6\\xd0\\xce\\xc4/\\xd6\\xd0missing.wal: no such file", err)
        # ogrinfo through the driver, name as bytes.
        done = subprocess.run([b"ogrinfo", b"-ro", b"-so", b"-al",
                               os.path.join(folder, GBK_NAME + b".wal")],
                              capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("Layer name: 中文_lines\n".encode(), done.stdout)
        self.assertIn(b"Feature Count: 30", done.stdout)


# Colour numbers by hand: the sample's colour index holds 1 to 12. Line file: colours 3, 13,
# 40, 13 (ids 1 to 4): 13 and 40 missing, used by 3 items. Point file: a text of colour 13
# (field 13), a symbol of colour 3 (field 9), a filled circle of line colour 3 and fill colour
# 40 (fields 5 and 8), an unfilled circle whose fill colour 41 is never looked up: 13 and 40
# missing, used by 2 items.
COLOUR_WAL = "WMAP lines\n4\n" + "".join(
    f"1,0,{c},5,0,0,0,0,0\n2\n0,{i}\n10,{i}\n{i + 1},0\n" for i, c in enumerate([3, 13, 40, 13]))
COLOUR_WAT = ("WMAPGIS point file\n4\n"
              "10,20,1,0,'Name',2,2,0,0,1,0,0,0,13,0,0\n"
              "12,22,2,1,5,1,1,0,0,3,1,0,0\n"
              "14,24,3,2,3,3,1,1,40,0,0\n"
              "16,26,4,2,3,3,1,0,41,0,0\n")


class ColourNumbers(TempDirCase):
    def test_missing_colour_numbers_listed_once(self):
        for name, text, typed, note in (
                ("lines.wal", COLOUR_WAL, False,
                 "colour numbers not in the colour index: 13, 40 (3 items)"),
                ("points.wat", COLOUR_WAT, False,
                 "colour numbers not in the colour index: 13, 40 (2 items)"),
                ("typed.wal", COLOUR_WAL, True, None)):
            with self.subTest(name=name):
                path = os.path.join(self.dir, name)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
                args = [IMPORTER, path, "--colors", sample("colors.txt"), "-o", path + ".gpkg"]
                code, out, err = run_bytes(args + (["--typed"] if typed else []))
                self.assertEqual(code, 0, err)
                if note:
                    self.assertEqual(out.count(f"{name}: note: {note}\n"), 1, out)
                    self.assertEqual(err.count(f"warning: {name}: {note}\n"), 1, err)
                else:
                    self.assertNotIn("colour index:", out + err)
