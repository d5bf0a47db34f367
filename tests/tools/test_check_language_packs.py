#!/usr/bin/env python3
"""The language-pack check on small trees of its own: a complete pack
passes; a missing text, an extra one and changed conversions fail."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
SCRIPT = ROOT / "scripts" / "check-language-packs.py"

TABLE = 'constexpr entry_t kStrings[] = {\n    {5, "共 %d 个"},\n    {6, "第一行\\r\\n%s"},\n};\n'


def run(pack_lines):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        (root / "resources" / "Language").mkdir(parents=True)
        (root / "resources" / "string_table.cpp").write_text(TABLE, encoding="utf-8")
        (root / "resources" / "Language" / "rcEng.lang").write_text(
            "; a pack\n[Strings]\n" + "".join(l + "\n" for l in pack_lines), encoding="utf-8")
        done = subprocess.run([sys.executable, str(SCRIPT), str(root)], capture_output=True, text=True)
        return done.returncode, done.stderr


class LanguagePackCheck(unittest.TestCase):
    def test_cases(self):
        rows = [
            ("complete", ["5=%d in all", "6=line one\\r\\n%s"], 0, ""),
            ("missing text", ["5=%d in all"], 1, "text 6 is missing"),
            ("extra text", ["5=%d in all", "6=%s", "7=more"], 1, "text 7 is not in the built-in table"),
            ("other conversion", ["5=%s in all", "6=%s"], 1, "text 5 has other conversions"),
            ("conversions reordered", ["5=%d", "6=%s %d"], 1, "text 6 has other conversions"),
        ]
        for name, lines, code, message in rows:
            with self.subTest(name):
                rc, err = run(lines)
                self.assertEqual(rc, code, err)
                self.assertIn(message, err)

    def test_the_tree_passes(self):
        done = subprocess.run([sys.executable, str(SCRIPT)], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)


if __name__ == "__main__":
    unittest.main()
