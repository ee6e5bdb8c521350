"""An archive over several machines: --list-sheets names its sheets in the order they are
imported, --shard K/N imports the K-th of N shares, the shares by the rule the manual gives
(worked out here on its own), and share values refused as usage errors."""
import os
import subprocess

from hosts_common import IMPORTER, TempDirCase, layer_counts, sample

MASK = 2 ** 64 - 1


def share_of(name, shares):
    """The documented rule: 64-bit FNV-1a of the name's UTF-8 bytes, through MurmurHash3's
    finalizer, modulo the shares, plus one."""
    h = 0xcbf29ce484222325
    for byte in name.encode("utf-8"):
        h = ((h ^ byte) * 0x100000001b3) & MASK
    for multiplier in (0xff51afd7ed558ccd, 0xc4ceb9fe1a85ec53):
        h = ((h ^ (h >> 33)) * multiplier) & MASK
    return (h ^ (h >> 33)) % shares + 1


def make_sheets(root, names):
    """Sheets "folder/title" of the line and area samples, linked."""
    for name in names:
        os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
        for ext in ("wal", "wap"):
            os.link(sample("sample." + ext), os.path.join(root, name + "." + ext))


# In the order they are imported: a folder's own sheets by name, then its subfolders by name.
SHEETS = ["top", "a/1", "a/2", "a/b/1", "a/b/10", "a/b/9", "c/1", "c/x/1", "c/x/2", "d/北"]


class Shards(TempDirCase):
    def setUp(self):
        super().setUp()
        self.root = self.path("county")
        make_sheets(self.root, reversed(SHEETS))

    def listed(self, *extra):
        return self.importer(self.root, "-r", "--list-sheets", *extra).stdout.splitlines()

    def test_list_in_import_order_and_the_shares_by_the_rule(self):
        self.assertEqual(self.listed(), SHEETS)
        self.assertFalse(os.path.exists(self.path("county_gpkg")))  # nothing imported
        for shares in (1, 2, 3, 7):
            with self.subTest(shares=shares):
                lists = [self.listed("--shard", f"{k}/{shares}") for k in range(1, shares + 1)]
                self.assertEqual(lists, [[s for s in SHEETS if share_of(s, shares) == k]
                                         for k in range(1, shares + 1)])
        # Every share of three holds some of these sheets: the runs below import something.
        self.assertEqual(sorted({share_of(s, 3) for s in SHEETS}), [1, 2, 3])

    def test_sheets_added_elsewhere_move_no_other(self):
        before = {k: self.listed("--shard", f"{k}/3") for k in (1, 2, 3)}
        added = [f"e/{i}" for i in range(20)] + ["a/b/new"]
        make_sheets(self.root, added)
        for k in (1, 2, 3):
            after = self.listed("--shard", f"{k}/3")
            self.assertEqual([s for s in after if s not in added], before[k])

    def test_shares_import_what_one_run_does(self):
        whole = self.path("whole")
        self.importer(self.root, "-r", "-o", whole, "-q")
        shared = self.path("shared")
        for k in (1, 2, 3):
            r = self.importer(self.root, "-r", "-o", shared, "--shard", f"{k}/3",
                              "--report", self.path(f"report-{k}.json"))
            mine = [s for s in SHEETS if share_of(s, 3) == k]
            self.assertIn(f"{len(mine)} sheets of share {k}/3: {len(mine)} written", r.stdout)
            rows = self.report(self.path(f"report-{k}.json"))
            self.assertEqual(sorted({row["sheet"] for row in rows}), sorted(mine))
        outputs = {}
        for folder in (whole, shared):
            outputs[folder] = sorted(os.path.relpath(os.path.join(d, n), folder)
                                     for d, _, names in os.walk(folder) for n in names)
        self.assertEqual(outputs[shared], sorted(s + ".gpkg" for s in SHEETS))
        self.assertEqual(outputs[shared], outputs[whole])
        for name in outputs[shared]:
            self.assertEqual(layer_counts(os.path.join(shared, name)),
                             layer_counts(os.path.join(whole, name)), name)

    def test_bad_shares_and_files_are_usage_errors(self):
        for value in ("0/2", "3/2", "x/y", "2", "1/0", "-1/2"):
            with self.subTest(value=value):
                r = self.importer(self.root, "-r", "--shard", value, status=2)
                self.assertIn(f"--shard {value}: expected K/N", r.stderr)
        for option in (["--shard", "1/2"], ["--list-sheets"]):
            with self.subTest(option=option):
                r = self.importer(sample("sample.wal"), *option, status=2)
                self.assertIn(option[0] + " takes folders of sheets, not files", r.stderr)

    def test_a_list_that_cannot_be_written_is_an_output_error(self):
        with open("/dev/full", "w") as full:
            r = subprocess.run([IMPORTER, self.root, "-r", "--list-sheets"], stdout=full,
                               stderr=subprocess.PIPE, text=True)
        self.assertEqual(r.returncode, 4, r.stderr)
        self.assertIn("cannot write the list of sheets to standard output: No space left",
                      r.stderr)
