#!/usr/bin/env python3
"""The device sheet goldens (tests/device_editor/fixtures/zo_*.hex) read by the
independent reader (tests/tools/archive_reader.py, with the header read here
from the file's rules) and by archive-dump --zo, both from the sheet and
device class layouts: each must read the whole file, both must print the same
tree, and that tree must be the one checked in beside the file (<name>.tree).

  .zo header: version (uint32); for version 1 or 2 the sheet width and height
  (int32 each), the physical-link, network-link and background colours
  (uint32 each) and the grid flag (int32); then the device array and the link
  array, which end the file.

usage: check_zo_goldens.py --dump PATH/archive-dump --fixtures DIR
                           --layout FILE [--layout FILE]... [--write-trees]
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import archive_reader  # noqa: E402
from archive_reader import parse_hex  # noqa: E402

ARGS = None


def read_zo(data, layouts):
    """The tree of a .zo file: header lines, then the two arrays."""
    lines = []
    pos = 0

    def take(fmt):
        nonlocal pos
        size = struct.calcsize(fmt)
        if len(data) - pos < size:
            raise archive_reader.StreamError(pos, f"{size} header bytes")
        values = struct.unpack_from(fmt, data, pos)
        at, pos = pos, pos + size
        return at, values

    at, (version,) = take("<I")
    lines.append(f"{at:06x} u32 version = {version}")
    if version in (1, 2):
        at, (width, height) = take("<ii")
        lines.append(f"{at:06x} size sheet_size = ({width}, {height})")
        for name in ("physical_link_colour", "network_link_colour", "background_colour"):
            at, (colour,) = take("<I")
            lines.append(f"{at:06x} u32 {name} = {colour}")
        at, (grid,) = take("<i")
        lines.append(f"{at:06x} i32 grid = {grid}")
    reader = archive_reader.Reader(data, layouts, pos, fields=True)
    reader.array(None)  # devices
    reader.array(None)  # links
    if reader.left() != 0:
        raise archive_reader.StreamError(reader.pos, f"the end of the file, {reader.left()} bytes left")
    return lines + reader.lines


class ZoGoldens(unittest.TestCase):
    def test_both_readers_print_the_checked_in_tree(self):
        layouts = archive_reader.load_layouts(ARGS.layout)
        names = sorted(n for n in os.listdir(ARGS.fixtures) if n.startswith("zo_") and n.endswith(".hex"))
        self.assertGreaterEqual(len(names), 4)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                with self.subTest(fixture=name):
                    with open(os.path.join(ARGS.fixtures, name), encoding="utf-8") as f:
                        data = parse_hex(f.read())
                    py_lines = read_zo(data, layouts)

                    stream = os.path.join(tmp, "sheet.zo")
                    with open(stream, "wb") as f:
                        f.write(data)
                    command = [ARGS.dump, "--fields", "--zo", stream]
                    for layout in ARGS.layout:
                        command[1:1] = ["--layout", layout]
                    run = subprocess.run(command, capture_output=True)
                    self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
                    self.assertEqual(run.stdout.decode("utf-8").splitlines(), py_lines, name)

                    tree = os.path.join(ARGS.fixtures, name[:-4] + ".tree")
                    if ARGS.write_trees:
                        with open(tree, "w", encoding="utf-8") as f:
                            f.write("\n".join(py_lines) + "\n")
                    with open(tree, encoding="utf-8") as f:
                        self.assertEqual(py_lines, f.read().splitlines(), name)

    def test_both_readers_refuse_a_cut_file_at_the_same_offset(self):
        layouts = archive_reader.load_layouts(ARGS.layout)
        with open(os.path.join(ARGS.fixtures, "zo_schema1.hex"), encoding="utf-8") as f:
            data = parse_hex(f.read())
        with tempfile.TemporaryDirectory() as tmp:
            for cut in (2, 10, 30, len(data) // 2, len(data) - 1):
                with self.subTest(cut=cut):
                    with self.assertRaises(archive_reader.StreamError) as caught:
                        read_zo(data[:cut], layouts)
                    stream = os.path.join(tmp, "cut.zo")
                    with open(stream, "wb") as f:
                        f.write(data[:cut])
                    command = [ARGS.dump, "--zo", stream]
                    for layout in ARGS.layout:
                        command[1:1] = ["--layout", layout]
                    run = subprocess.run(command, capture_output=True)
                    self.assertEqual(run.returncode, 1, run.stderr)
                    self.assertIn(f"error at offset {caught.exception.offset}:".encode(), run.stderr)

    def test_dump_as_a_user_runs_it(self):
        """No layout and no mode: the built-in layouts, a *.zo read as a sheet;
        --help answers with the usage."""
        with open(os.path.join(ARGS.fixtures, "zo_every_kind.hex"), encoding="utf-8") as f:
            data = parse_hex(f.read())
        with open(os.path.join(ARGS.fixtures, "zo_every_kind.tree"), encoding="utf-8") as f:
            tree = f.read().splitlines()
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "Hall.ZO")
            with open(stream, "wb") as f:
                f.write(data)
            run = subprocess.run([ARGS.dump, "--fields", stream], capture_output=True)
            self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
            self.assertEqual(run.stdout.decode("utf-8").splitlines(), tree)
            other = os.path.join(tmp, "Hall.bin")
            os.rename(stream, other)
            run = subprocess.run([ARGS.dump, other], capture_output=True)
            self.assertEqual(run.returncode, 2)
            self.assertIn(b"give either --raw or --zo", run.stderr)
        run = subprocess.run([ARGS.dump, "--help"], capture_output=True)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(run.stdout.startswith(b"usage: archive-dump"))

    def test_dump_refuses_trailing_bytes(self):
        with open(os.path.join(ARGS.fixtures, "zo_empty.hex"), encoding="utf-8") as f:
            data = parse_hex(f.read()) + b"\x00"
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "long.zo")
            with open(stream, "wb") as f:
                f.write(data)
            command = [ARGS.dump, "--zo", stream]
            for layout in ARGS.layout:
                command[1:1] = ["--layout", layout]
            run = subprocess.run(command, capture_output=True)
            self.assertEqual(run.returncode, 1)
            self.assertIn(b"error at offset 32:", run.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--layout", action="append", required=True)
    parser.add_argument("--write-trees", action="store_true")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
