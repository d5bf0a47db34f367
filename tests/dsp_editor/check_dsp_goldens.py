#!/usr/bin/env python3
"""The DSP sheet goldens (tests/dsp_editor/fixtures/dsp_*.hex) read by the
independent reader (tests/tools/archive_reader.py --dsp) and by archive-dump
--dsp: each must read the whole file, both must print the same tree, and that
tree must be the one checked in beside the file (<name>.tree). A file cut
short is refused by both at the same offset.

usage: check_dsp_goldens.py --dump PATH/archive-dump --fixtures DIR [--write-trees]
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
from archive_reader import parse_hex  # noqa: E402

ARGS = None


def golden(name):
    with open(os.path.join(ARGS.fixtures, name), encoding="utf-8") as f:
        return parse_hex(f.read())


def dump(path, *options):
    return subprocess.run([ARGS.dump, *options, path], capture_output=True)


class DspGoldens(unittest.TestCase):
    def setUp(self):
        self.layouts = archive_reader.load_layouts(archive_reader.default_layout_paths())

    def test_both_readers_print_the_checked_in_tree(self):
        names = sorted(n for n in os.listdir(ARGS.fixtures) if n.startswith("dsp_") and n.endswith(".hex"))
        self.assertGreaterEqual(len(names), 3)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                with self.subTest(fixture=name):
                    data = golden(name)
                    py_lines, error = archive_reader.read_dsp(data, self.layouts, fields=True)
                    self.assertIsNone(error)
                    # Named as the program names its files: the mode follows.
                    stream = os.path.join(tmp, "00602B0A0B0C.DSP")
                    with open(stream, "wb") as f:
                        f.write(data)
                    run = dump(stream, "--fields")
                    self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
                    self.assertEqual(run.stdout.decode("utf-8").splitlines(), py_lines, name)

                    tree = os.path.join(ARGS.fixtures, name[:-4] + ".tree")
                    if ARGS.write_trees:
                        with open(tree, "w", encoding="utf-8") as f:
                            f.write("\n".join(py_lines) + "\n")
                    with open(tree, encoding="utf-8") as f:
                        self.assertEqual(py_lines, f.read().splitlines(), name)

    def test_a_template_reads_as_a_sheet(self):
        data = golden("dsp_new.hex")
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "Hall.dmu")
            with open(stream, "wb") as f:
                f.write(data)
            self.assertEqual(dump(stream).stdout, dump(stream, "--dsp").stdout)
            self.assertEqual(dump(stream).returncode, 0)

    def test_both_readers_refuse_a_cut_file_at_the_same_offset(self):
        data = golden("dsp_every_kind.hex")
        with tempfile.TemporaryDirectory() as tmp:
            for cut in (0, 3, 13, 0x55, 0x80, 0x88, len(data) // 2, len(data) - 3, len(data) - 1):
                with self.subTest(cut=cut):
                    lines, error = archive_reader.read_dsp(data[:cut], self.layouts)
                    self.assertIsNotNone(error)
                    stream = os.path.join(tmp, "cut.dsp")
                    with open(stream, "wb") as f:
                        f.write(data[:cut])
                    run = dump(stream)
                    self.assertEqual(run.returncode, 1, run.stderr)
                    self.assertIn(f"error at offset {error.offset}:".encode(), run.stderr)
                    self.assertEqual(run.stdout.decode("utf-8").splitlines(), lines)

    def test_both_readers_refuse_bytes_after_the_links(self):
        data = golden("dsp_new.hex") + b"\x00"
        lines, error = archive_reader.read_dsp(data, self.layouts)
        self.assertEqual(error.offset, len(data) - 1)
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "long.dsp")
            with open(stream, "wb") as f:
                f.write(data)
            run = dump(stream)
            self.assertEqual(run.returncode, 1)
            self.assertIn(f"error at offset {len(data) - 1}:".encode(), run.stderr)

    def test_a_module_array_holds_only_modules(self):
        # The version-3 golden with a link where the module array is.
        link = b"\x01\x00\xff\xff\x02\x00\x09\x00CBaseLink"
        lines, error = archive_reader.read_dsp(b"\x03\x00\x00\x00" + link, self.layouts)
        self.assertEqual(error.offset, 6)
        self.assertEqual(error.expected, "a class of the CBaseAriModule family, found CBaseLink")

    def test_the_mode_is_one_of_three(self):
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "sheet.dsp")
            with open(stream, "wb") as f:
                f.write(golden("dsp_new.hex"))
            run = dump(stream, "--dsp", "--zo")
            self.assertEqual(run.returncode, 2)
            self.assertIn(b"give either --raw or --zo or --dsp", run.stderr)
            run = dump(stream, "--dsp", "--offset", "4")
            self.assertEqual(run.returncode, 2)
            self.assertIn(b"--offset goes with --raw", run.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--write-trees", action="store_true")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
