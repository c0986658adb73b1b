#!/usr/bin/env python3
"""The script generator against the repository's catalogue and against broken ones.

    python3 -m unittest discover -s bench/nsis -p 'test_*.py'
"""

import os
import re
import tempfile
import unittest

import make_script as ms

CATALOGUE = ms.read(os.path.join(ms.REPO, "payload", "catalogue.txt"))


def contents_for(cat, folder):
    """A contents folder with files of the catalogue sizes (zero bytes: only sizes are read)."""
    for e in cat.entries:
        if e.stored == e.number:
            with open(os.path.join(folder, f"{e.number:02d}"), "wb") as f:
                f.truncate(e.size)


class CatalogueTest(unittest.TestCase):
    def test_inconsistent_catalogues_are_refused(self):
        ok = "entry 1 10 - exe p \\A\\a.exe\nentry 2 10 HS exe u \\A\\u.exe\n"
        broken = {
            "same names a later entry": ok + "entry 3 10 - same 4 \\A\\c\nentry 4 10 - text t \\A\\d\nmarked 2\n",
            "same with another size": ok + "entry 3 11 - same 1 \\A\\c\nmarked 2\n",
            "entry out of order": ok + "entry 4 10 - text t \\A\\c\nmarked 2\n",
            "marked entry missing": ok,
            "marked entry not HS": ok + "marked 1 2\n",
            "marked twice": ok + "marked 2 2\n",
            "relative target": "entry 1 10 - exe p A\\a.exe\n",
            "unknown line": ok + "marked 2\nfolders A\n",
        }
        self.assertEqual(len(ms.parse_catalogue(ok + "marked 2\n").entries), 2)
        for what, text in broken.items():
            with self.subTest(what), self.assertRaises(ms.CatalogueError):
                ms.parse_catalogue(text)

    def test_contents_must_match_the_stored_entries(self):
        cat = ms.parse_catalogue(CATALOGUE)
        with tempfile.TemporaryDirectory() as folder:
            contents_for(cat, folder)
            ms.check_contents(cat, folder)
            damages = [
                lambda: os.truncate(os.path.join(folder, "05"), 1),
                lambda: os.remove(os.path.join(folder, "34")),
                lambda: open(os.path.join(folder, "07"), "wb").close(),  # a 'same' entry is not stored
            ]
            for damage in damages:
                contents_for(cat, folder)
                for extra in set(os.listdir(folder)) - {f"{e.stored:02d}" for e in cat.entries}:
                    os.remove(os.path.join(folder, extra))
                damage()
                with self.assertRaises(ms.CatalogueError):
                    ms.check_contents(cat, folder)


class ScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cat = ms.parse_catalogue(CATALOGUE)
        texts = ms.parse_texts(ms.read(os.path.join(ms.REPO, "app", "texts.txt")))
        web = ms.parse_texts(ms.read(os.path.join(ms.REPO, "payload", "texts.txt")))
        cls.script = ms.make_script(cls.cat, "/c$", texts, web, 'Cap "$x"', "line 1\nline 2")

    def lines(self, command):
        return [line.strip() for line in self.script.splitlines() if line.strip().startswith(command + " ")]

    def test_the_installation_follows_the_catalogue_order(self):
        folders = self.lines("CreateDirectory")
        self.assertEqual(len(folders), len(self.cat.folders) + 1)
        self.assertEqual(folders[-1], 'CreateDirectory "$SMPROGRAMS\\Vorlane"')
        files = self.lines("File")
        self.assertEqual(len(files), 34)
        for e, line in zip(self.cat.entries, files):
            self.assertIn(f'"/oname=$Root{e.target}"', line)
            self.assertTrue(line.endswith(f'/c$$/{e.stored:02d}"'), line)
        self.assertTrue(files[6].endswith('/06"') and files[14].endswith('/14"'))
        hidden = [re.search(r'"\$Root(.*)"', l).group(1) for l in self.lines("SetFileAttributes") if "HIDDEN" in l]
        by_number = {e.number: e.target for e in self.cat.entries}
        self.assertEqual(hidden, [by_number[n] for n in self.cat.marked])
        body = self.script[self.script.index('Section "-Vorlane"'):]
        order = [body.index(s) for s in ('"$DESKTOP\\Tamsic.lnk"', "官方网址.lnk", "WriteRegStr", "Quick Launch")]
        self.assertEqual(order, sorted(order))
        self.assertEqual(len(self.lines("CreateShortCut")), 5)
        self.assertIn('"UninstallString" "$\\"$Root\\Vorlane\\卸载.exe$\\""', self.script)

    def test_texts_are_escaped(self):
        self.assertIn('Caption "Cap $\\"$$x$\\""', self.script)
        self.assertIn('"line 1$\\r$\\nline 2"', self.script)


if __name__ == "__main__":
    unittest.main()
