#!/usr/bin/env python3
"""The sheet objects' golden streams (tests/model/fixtures/*.hex) read by the
independent reader (tests/tools/archive_reader.py) and by archive-dump, both
from sheet_classes.layout: each must read the whole stream, both must print
the same field tree, and that tree must be the one checked in beside the
stream (<name>.tree).

usage: check_sheet_goldens.py --dump PATH/archive-dump --fixtures DIR
"""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import archive_reader  # noqa: E402

ARGS = None


def parse_hex(text):
    out = bytearray()
    for line in text.splitlines():
        for word in line.split("#", 1)[0].split():
            if len(word) != 2:
                raise ValueError(f"bad hex byte {word!r}")
            out.append(int(word, 16))
    return bytes(out)


class SheetGoldens(unittest.TestCase):
    def test_both_readers_print_the_checked_in_tree(self):
        layout = os.path.join(ARGS.fixtures, "sheet_classes.layout")
        layouts = archive_reader.load_layouts([layout])
        names = sorted(n for n in os.listdir(ARGS.fixtures) if n.endswith(".hex"))
        self.assertGreaterEqual(len(names), 5)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                with self.subTest(fixture=name):
                    with open(os.path.join(ARGS.fixtures, name), encoding="utf-8") as f:
                        data = parse_hex(f.read())
                    py_lines, error = archive_reader.read_stream(data, layouts, fields=True)
                    self.assertIsNone(error, name)

                    stream = os.path.join(tmp, "stream.bin")
                    with open(stream, "wb") as f:
                        f.write(data)
                    run = subprocess.run([ARGS.dump, "--layout", layout, "--fields", "--raw", stream],
                                         capture_output=True)
                    self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
                    self.assertEqual(run.stdout.decode("utf-8").splitlines(), py_lines, name)

                    with open(os.path.join(ARGS.fixtures, name[:-4] + ".tree"), encoding="utf-8") as f:
                        self.assertEqual(py_lines, f.read().splitlines(), name)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--fixtures", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
