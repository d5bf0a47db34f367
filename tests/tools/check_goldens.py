#!/usr/bin/env python3
"""Golden object streams (<fixtures>/*.hex, one comment per field) read by
the independent reader (archive_reader.py beside this script) and by
archive-dump, both from the same class layouts: each must read the whole
stream, both must print the same field tree, and that tree must be the one
checked in beside the stream (<name>.tree).

usage: check_goldens.py --dump PATH/archive-dump --layout FILE [--layout FILE ...]
                        --fixtures DIR --at-least N
"""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import archive_reader  # noqa: E402
from archive_reader import parse_hex  # noqa: E402

ARGS = None


class Goldens(unittest.TestCase):
    def test_both_readers_print_the_checked_in_tree(self):
        layouts = ARGS.layout
        classes = archive_reader.load_layouts(layouts)
        names = sorted(n for n in os.listdir(ARGS.fixtures) if n.endswith(".hex"))
        self.assertGreaterEqual(len(names), ARGS.at_least)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                with self.subTest(fixture=name):
                    with open(os.path.join(ARGS.fixtures, name), encoding="utf-8") as f:
                        data = parse_hex(f.read())
                    py_lines, error = archive_reader.read_stream(data, classes, fields=True)
                    self.assertIsNone(error, name)

                    stream = os.path.join(tmp, "stream.bin")
                    with open(stream, "wb") as f:
                        f.write(data)
                    command = [ARGS.dump]
                    for layout in layouts:
                        command += ["--layout", layout]
                    run = subprocess.run(command + ["--fields", "--raw", stream], capture_output=True)
                    self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
                    self.assertEqual(run.stdout.decode("utf-8").splitlines(), py_lines, name)

                    with open(os.path.join(ARGS.fixtures, name[:-4] + ".tree"), encoding="utf-8") as f:
                        self.assertEqual(py_lines, f.read().splitlines(), name)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--layout", action="append", required=True)
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--at-least", type=int, default=1)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
