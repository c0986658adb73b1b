"""The synthetic payloads of the scaling benchmark: the layouts that payloadgen must accept and
the totals that the slopes are computed from."""
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "bench"))

import synthetic_payload as synthetic  # noqa: E402
import stats  # noqa: E402

CATALOGUE = os.path.join(REPO, "payload", "catalogue.txt")
_, ENTRIES, MARKED = synthetic.read_catalogue(CATALOGUE)
TOTAL = sum(e["size"] for e in ENTRIES)


class SyntheticPayloadTest(unittest.TestCase):
    def check_layout(self, folders, entries, marked):
        # Every copy of the tree keeps the user-writable folders of the catalogue's.
        writable = [f for f, marks in folders if marks == ["user-writable"]]
        self.assertEqual(len(writable), 3 * (1 + (len(entries) - 1) // len(ENTRIES)))
        folders = [f for f, _ in folders]
        for number, entry in enumerate(entries, 1):
            folder = entry["path"][1:].rsplit("\\", 1)[0]
            self.assertIn(folder, folders, "entry %d has no folder" % number)
            if entry["kind"] == "same":
                owner = int(entry["source"])
                self.assertLess(owner, number)
                self.assertNotEqual(entries[owner - 1]["kind"], "same")
                self.assertEqual(entries[owner - 1]["size"], entry["size"])
        self.assertEqual(sorted(marked), [n for n, e in enumerate(entries, 1) if e["mark"] == "HS"])
        self.assertEqual(len(set(e["path"] for e in entries)), len(entries), "two entries share a path")
        for folder in folders:
            parent = folder.rsplit("\\", 1)[0]
            if "\\" in folder:
                self.assertLess(folders.index(parent), folders.index(folder), folder)

    def test_bytes_series_scales_every_size_and_keeps_the_files(self):
        for k in (0.25, 4.0, 16.0):
            folders, entries, marked = synthetic.synthesize(CATALOGUE, "bytes", k)
            self.check_layout(folders, entries, marked)
            self.assertEqual([e["path"] for e in entries], [e["path"] for e in ENTRIES])
            self.assertAlmostEqual(sum(e["size"] for e in entries) / TOTAL, k, places=3)

    def test_files_series_keeps_the_bytes_and_scales_the_files(self):
        for k, files in ((0.25, 8), (4.0, 136), (16.0, 544)):
            folders, entries, marked = synthetic.synthesize(CATALOGUE, "files", k)
            self.assertEqual(len(entries), files)
            self.check_layout(folders, entries, marked)
            self.assertAlmostEqual(sum(e["size"] for e in entries) / TOTAL, 1.0, places=3)

    def test_made_contents_match_the_catalogue_and_repeat(self):
        with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
            for out in (first, second):
                synthetic.make(CATALOGUE, "files", 0.25, out)
            planned = synthetic.content_names(synthetic.synthesize(CATALOGUE, "files", 0.25)[1])
            self.assertEqual(sorted(os.listdir(os.path.join(first, "contents"))), planned)
            sizes = {}
            with open(os.path.join(first, "catalogue.txt"), encoding="utf-8") as catalogue:
                for line in catalogue:
                    fields = line.split()
                    if fields and fields[0] == "entry" and fields[4] != "same":
                        sizes["%02d" % int(fields[1])] = int(fields[2])
            for name in planned:
                with open(os.path.join(first, "contents", name), "rb") as a, \
                        open(os.path.join(second, "contents", name), "rb") as b:
                    content = a.read()
                    self.assertEqual(len(content), sizes[name])
                    self.assertEqual(content, b.read(), "content %s differs between two runs" % name)


class StatsTest(unittest.TestCase):
    def test_line_fit_and_ratios(self):
        slope, intercept, r2 = stats.fit_line([1, 4, 16, 64], [12, 18, 42, 138])
        self.assertAlmostEqual(slope, 2.0)
        self.assertAlmostEqual(intercept, 10.0)
        self.assertAlmostEqual(r2, 1.0)
        self.assertLess(stats.fit_line([1, 2, 3, 4], [1, 4, 1, 4])[2], 0.5)
        self.assertEqual(stats.ratios([(2.0, 3.0), (4.0, 2.0)]), [1.5, 0.5])
        self.assertEqual(stats.quartiles([1, 2, 3, 4, 5]), (2, 4))

    def test_median_interval_holds_the_median_and_repeats(self):
        values = [1.0, 1.1, 0.9, 1.2, 1.05, 1.02, 0.98, 1.3, 1.07, 1.01, 0.95, 1.15]
        low, high = stats.median_interval(values)
        self.assertLessEqual(low, stats.median(values))
        self.assertGreaterEqual(high, stats.median(values))
        self.assertLess(high - low, max(values) - min(values))
        self.assertEqual(stats.median_interval(values), (low, high))


if __name__ == "__main__":
    unittest.main()
