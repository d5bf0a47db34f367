#!/usr/bin/env python3
"""Cross-checks archive-dump (our C++ reader) against archive_reader.py (an
independent reader of the same rules) on the golden fixtures, on streams cut
at every offset, on hostile streams and on the big-index and large-count
streams. Both must print the same tree and fail at the same offset. The
device sheet goldens (tests/device_editor/fixtures/zo_*.hex) and the
parameter template goldens (tests/dsp_editor/fixtures/amu_*.hex) are read by
both programs as a user runs them: a *.zo or *.amu file, no layouts named.

usage: test_archive_reader.py --dump PATH/archive-dump --fixtures DIR
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import archive_reader  # noqa: E402
from archive_reader import parse_hex  # noqa: E402

ARGS = None
HERE = os.path.dirname(os.path.abspath(__file__))
READER = os.path.join(HERE, "archive_reader.py")
ZO_FIXTURES = os.path.join(HERE, "..", "device_editor", "fixtures")
AMU_FIXTURES = os.path.join(HERE, "..", "dsp_editor", "fixtures")


def fixture(name):
    with open(os.path.join(ARGS.fixtures, name), encoding="utf-8") as f:
        return f.read()


def ascii_hex(text):
    return " ".join(f"{b:02x}" for b in text.encode("ascii"))


def class_tag(name, schema=2):
    return f"ff ff {schema:02x} 00 {len(name):02x} 00 " + ascii_hex(name)


class ParseHex(unittest.TestCase):
    """The fixture reader every Python checker shares."""

    def test_rows(self):
        good = [
            ("bytes_in_either_case", "00 7f 80 FF aB", b"\x00\x7f\x80\xff\xab"),
            ("comments_and_blank_lines", "# head\n\n01 02 # two\n\t03\n", b"\x01\x02\x03"),
            ("hash_inside_a_line_ends_it", "01#02\n03", b"\x01\x03"),
            ("empty_text", "", b""),
        ]
        for name, text, expected in good:
            with self.subTest(name):
                self.assertEqual(parse_hex(text), expected)
        # int(word, 16) alone would take "+1" and "-0" as bytes.
        bad = [
            ("one_digit", "01 2 03", "'2' on line 1"),
            ("three_digits", "01\n023", "'023' on line 2"),
            ("plus_sign", "+1", "'+1'"),
            ("minus_sign", "-0", "'-0'"),
            ("underscore", "0_", "'0_'"),
            ("prefix", "0x", "'0x'"),
            ("not_hex", "0g", "'0g'"),
            ("joined_bytes", "0102", "'0102'"),
        ]
        for name, text, message in bad:
            with self.subTest(name):
                with self.assertRaises(ValueError) as caught:
                    parse_hex(text)
                self.assertIn(message, str(caught.exception))


class CrossCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.layout_path = os.path.join(ARGS.fixtures, "test_classes.layout")
        cls.layouts = archive_reader.load_layouts([cls.layout_path])
        cls.tmp = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def dump(self, data, fields):
        path = os.path.join(self.tmp.name, "stream.bin")
        with open(path, "wb") as f:
            f.write(data)
        cmd = [ARGS.dump, "--layout", self.layout_path, "--raw", path]
        if fields:
            cmd.append("--fields")
        run = subprocess.run(cmd, capture_output=True)
        self.assertIn(run.returncode, (0, 1), run.stderr.decode(errors="replace"))
        offset = None
        if run.returncode == 1:
            m = re.search(rb"error at offset (\d+):", run.stderr)
            self.assertIsNotNone(m, run.stderr)
            offset = int(m.group(1))
        return run.stdout.decode("utf-8").splitlines(), offset

    def python(self, data, fields):
        lines, error = archive_reader.read_stream(data, self.layouts, fields=fields)
        return lines, (None if error is None else error.offset)

    def agree(self, data, fields, label):
        c_lines, c_error = self.dump(data, fields)
        py_lines, py_error = self.python(data, fields)
        self.assertEqual(c_lines, py_lines, label)
        self.assertEqual(c_error, py_error, label)
        return c_lines, c_error

    # -- golden fixtures

    def test_golden_fixtures_read_the_same_and_match_the_hand_written_trees(self):
        names = sorted(n for n in os.listdir(ARGS.fixtures) if n.endswith(".hex") and "tail" not in n)
        self.assertGreaterEqual(len(names), 4)
        for name in names:
            with self.subTest(fixture=name):
                data = parse_hex(fixture(name))
                tree, error = self.agree(data, False, name)
                self.assertIsNone(error)
                self.agree(data, True, name)
                tree_file = name[:-4] + ".tree"
                if os.path.exists(os.path.join(ARGS.fixtures, tree_file)):
                    self.assertEqual(tree, fixture(tree_file).splitlines())

    def dump_every_cut(self, data):
        """archive-dump --every-cut: {cut: (lines, error offset or None)}."""
        path = os.path.join(self.tmp.name, "stream.bin")
        with open(path, "wb") as f:
            f.write(data)
        run = subprocess.run([ARGS.dump, "--layout", self.layout_path, "--raw", "--fields", "--every-cut", path],
                             capture_output=True)
        self.assertEqual(run.returncode, 0, run.stderr.decode(errors="replace"))
        cuts = {}
        for block in run.stdout.decode("utf-8").split("== cut ")[1:]:
            head, *lines = block.splitlines()
            error = None
            if lines and lines[-1].startswith("archive-dump: error at offset "):
                error = int(re.match(r"archive-dump: error at offset (\d+):", lines.pop()).group(1))
            cuts[int(head)] = (lines, error)
        return cuts

    def test_streams_cut_at_every_offset_fail_at_the_same_place(self):
        for name in ("delay_in_array.hex", "class_seen_twice.hex", "old_schema.hex", "future_schema.hex"):
            data = parse_hex(fixture(name))
            # A cut between two top-level arrays leaves a complete stream.
            whole, _ = self.python(data, False)
            boundaries = {int(line.split()[0], 16) for line in whole if line.split(" ", 1)[1].startswith("array")}
            boundaries.add(0)
            dumped = self.dump_every_cut(data)
            self.assertEqual(sorted(dumped), list(range(len(data))))
            for cut in range(len(data)):
                with self.subTest(fixture=name, cut=cut):
                    lines, error = dumped[cut]
                    self.assertEqual((lines, error), self.python(data[:cut], True), f"{name} cut at {cut}")
                    if cut in boundaries:
                        self.assertIsNone(error)
                    else:
                        self.assertIsNotNone(error)
                        self.assertLessEqual(error, cut)

    def test_stream_from_an_offset(self):
        data = b"\xaa\xbb\xcc" + parse_hex(fixture("delay_in_array.hex"))
        path = os.path.join(self.tmp.name, "offset.bin")
        with open(path, "wb") as f:
            f.write(data)
        run = subprocess.run([ARGS.dump, "--layout", self.layout_path, "--raw", "--offset", "3", path],
                             capture_output=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        py_lines, error = archive_reader.read_stream(data, self.layouts, start=3)
        self.assertIsNone(error)
        self.assertEqual(run.stdout.decode().splitlines(), py_lines)
        self.assertEqual(py_lines[0], "000003 array 1")

    def test_dump_refuses_documents_until_their_headers_are_known(self):
        run = subprocess.run([ARGS.dump, "--layout", self.layout_path, os.devnull], capture_output=True)
        self.assertEqual(run.returncode, 2)
        self.assertIn(b"--raw", run.stderr)

    # -- generated streams

    def test_big_index_stream(self):
        head = 0x7FFC
        data = parse_hex(f"{(head + 8) & 0xFF:02x} {(head + 8) >> 8:02x} " + class_tag("CTestEmpty")) \
            + bytes.fromhex("0180") * (head - 1) + parse_hex(fixture("big_indices_tail.hex"))
        tree, error = self.agree(data, True, "big indices")
        self.assertIsNone(error)
        objects = [line.split()[1:4] for line in tree if " object #" in line or " ref #" in line]
        self.assertEqual(objects[-8:], [
            ["object", "#32767", "CTestNode"], ["ref", "#32767", "CTestNode"],
            ["object", "#32768", "CTestNode"], ["ref", "#32768", "CTestNode"],
            ["object", "#32770", "CBaseLink"], ["object", "#32771", "CBaseLink"],
            ["ref", "#2", "CTestEmpty"], ["ref", "#32765", "CTestEmpty"]])

    def test_counts_at_the_escape(self):
        for count, prefix in ((0xFFFE, "fe ff"), (0xFFFF, "ff ff ff ff 00 00")):
            with self.subTest(count=count):
                data = parse_hex(prefix + " " + class_tag("CTestEmpty")) + bytes.fromhex("0180") * (count - 1)
                tree, error = self.agree(data, False, f"count {count:#x}")
                self.assertIsNone(error)
                self.assertEqual(tree[0], f"000000 array {count}")
                self.assertEqual(len(tree), count + 1)

    def test_strings_decode_the_same(self):
        chnl = "01 00 " + class_tag("CBaseChnl") + " " + "00 " * 20
        tail = " " + "00 " * 28
        rows = {
            "wide string": "ff fe ff 03 41 00 42 00 2d 4e",
            "wide string with a lone surrogate": "ff fe ff 02 3d d8 41 00",
            "GBK text": "04 d1 d3 ca b1",
            "bytes that are no GBK text, and 0x80": "03 ff 80 41",
            "quote, backslash and control characters": "04 22 5c 0a 7f",
            "16-bit length": "ff 00 01 " + "61 " * 256,
        }
        for label, name_hex in rows.items():
            with self.subTest(label):
                tree, error = self.agree(parse_hex(chnl + name_hex + tail), True, label)
                self.assertIsNone(error)

    # -- hostile streams

    def test_hostile_streams_fail_at_the_same_offset(self):
        delay_head = "01 00 " + class_tag("CAriDelay") + " " + "00 " * 4 + ("00 " * 6 + "14 40 ") * 2
        nested = "01 00 " + class_tag("CTestNode") + " 01 00 01 80" * archive_reader.MAX_DEPTH + " 00 00"
        rows = [
            ("class name nobody described", "01 00 " + class_tag("CFoo"), 2),
            ("element outside its array's family",
             "01 00 " + class_tag("CBaseModule", 3) + " 01 00 " + class_tag("CBaseLink"), 21),
            ("base reference skips a class", delay_head + class_tag("CBaseModule"), 37),
            ("base reference is a null tag", delay_head + "00 00", 37),
            ("class reference to an index not yet given", "01 00 05 80", 2),
            ("class reference to index 0", "01 00 00 80", 2),
            ("class reference naming an object", "02 00 " + class_tag("CTestEmpty") + " 02 80", 18),
            ("object reference naming a class", "02 00 " + class_tag("CTestEmpty") + " 01 00", 18),
            ("object reference beyond the table", "01 00 07 00", 2),
            ("count of 0xFFFFFFFF", "ff ff ff ff ff ff 00 00", 0),
            ("count larger than two bytes an element allow", "03 00 01 80 01 80", 0),
            ("class name longer than the rest", "01 00 ff ff 02 00 ff 00 43", 8),
            ("big tag cut short", "01 00 ff 7f 01 00", 4),
            ("string length beyond the end",
             "01 00 " + class_tag("CBaseChnl") + " " + "00 " * 20 + "ff 00 10 41", 40),
            ("objects nested deeper than allowed", nested, 17 + 4 * (archive_reader.MAX_DEPTH - 1) + 2),
        ]
        for label, hex_text, offset in rows:
            with self.subTest(label):
                tree, error = self.agree(parse_hex(hex_text), True, label)
                self.assertEqual(error, offset)


class FileCrossCheck:
    """Both programs on the goldens of one kind of file, with the layouts
    they ship with. A kind names its fixture folder and prefix, how many
    goldens it has at least, its default file name and the mode flag that
    reads it under another name."""

    FIXTURES = PREFIX = FILE_NAME = MODE = None
    MINIMUM = 1

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.layouts = archive_reader.load_layouts(archive_reader.default_layout_paths())

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def write(self, data, name=None):
        path = os.path.join(self.tmp.name, name or self.FILE_NAME)
        with open(path, "wb") as f:
            f.write(data)
        return path

    @staticmethod
    def both(*args):
        """(archive-dump, archive_reader.py) runs with the same arguments."""
        return (subprocess.run([ARGS.dump, *args], capture_output=True),
                subprocess.run([sys.executable, READER, *args], capture_output=True))

    @staticmethod
    def fault(run, program):
        m = re.fullmatch(program + rb": (error at offset \d+: .*)\n", run.stderr)
        return m.group(1) if m else run.stderr

    def goldens(self):
        names = sorted(n for n in os.listdir(self.FIXTURES)
                       if n.startswith(self.PREFIX) and n.endswith(".hex"))
        self.assertGreaterEqual(len(names), self.MINIMUM)
        for name in names:
            with open(os.path.join(self.FIXTURES, name), encoding="utf-8") as f:
                yield name, parse_hex(f.read())

    def test_goldens_print_the_same_tree_with_and_without_fields(self):
        for name, data in self.goldens():
            path = self.write(data)
            for args in (["--fields", path], [path], [self.MODE, self.write(data, "other.bin")]):
                with self.subTest(fixture=name, args=args[:-1]):
                    dump, reader = self.both(*args)
                    self.assertEqual(dump.returncode, 0, dump.stderr)
                    self.assertEqual(reader.returncode, 0, reader.stderr)
                    self.assertEqual(reader.stdout, dump.stdout)
                    if args[0] == "--fields":
                        with open(os.path.join(self.FIXTURES, name[:-4] + ".tree"), "rb") as f:
                            self.assertEqual(reader.stdout, f.read())


class ZoCrossCheck(FileCrossCheck, unittest.TestCase):
    """Both programs on device sheets."""

    FIXTURES, PREFIX, FILE_NAME, MODE, MINIMUM = ZO_FIXTURES, "zo_", "Hall.zo", "--zo", 4

    def test_cut_and_overlong_sheets_fail_at_the_same_place_with_the_same_text(self):
        """archive-dump against the reader's own read_zo (what its --zo
        prints), to keep a process per case to one."""
        for name, data in self.goldens():
            # Every field of the header, then some 60 offsets through the arrays.
            step = max(1, (len(data) - 28) // 60)
            cuts = sorted({0, 2, 4, 8, 12, 16, 20, 24, 27, *range(28, len(data), step)} - {len(data)})
            cases = [(f"cut at {cut}", data[:cut]) for cut in cuts if cut < len(data)]
            cases.append(("a byte past the link array", data + b"\x00"))
            for label, part in cases:
                with self.subTest(fixture=name, case=label):
                    dump = subprocess.run([ARGS.dump, "--fields", self.write(part)], capture_output=True)
                    lines, error = archive_reader.read_zo(part, self.layouts, fields=True)
                    self.assertEqual(dump.returncode, 1, label)
                    self.assertIsNotNone(error, label)
                    self.assertEqual(dump.stdout.decode("utf-8").splitlines(), lines, label)
                    self.assertEqual(self.fault(dump, b"archive-dump"), str(error).encode(), label)
            # And once through the reader's command line.
            dump, reader = self.both("--fields", self.write(data[:len(data) // 2]))
            self.assertEqual((dump.returncode, reader.returncode), (1, 1))
            self.assertEqual(reader.stdout, dump.stdout)
            self.assertEqual(self.fault(reader, b"archive_reader"), self.fault(dump, b"archive-dump"))

    def test_arrays_hold_only_what_the_loader_takes(self):
        # A link where the device array is: the loader refuses it.
        link = "01 00 ff ff 02 00 0b 00 " + " ".join(f"{b:02x}" for b in b"CDeviceLink")
        lines, error = archive_reader.read_zo(parse_hex("00 00 00 00 " + link), self.layouts)
        self.assertEqual(error.offset, 6)
        self.assertEqual(error.expected, "a class of the CBaseDevice family, found CDeviceLink")

    def test_mode_must_be_told_for_other_names(self):
        for name, data in self.goldens():
            path = self.write(data, "sheet.bin")
            for run in self.both(path):
                self.assertEqual(run.returncode, 2)
                self.assertIn(b"give either --raw or --zo", run.stderr)
            for run in self.both("--zo", "--offset", "4", path):
                self.assertEqual(run.returncode, 2)
                self.assertIn(b"--offset goes with --raw", run.stderr)
            break


class AmuCrossCheck(FileCrossCheck, unittest.TestCase):
    """Both programs on parameter templates: a header, then one module's
    class part with no class tag in front."""

    FIXTURES, PREFIX, FILE_NAME, MODE = AMU_FIXTURES, "amu_", "Equalizer3_EQ 1.amu", "--amu"

    def test_cut_and_overlong_files_fail_at_the_same_place_with_the_same_text(self):
        for name, data in self.goldens():
            # Every field of the header, the own fields, the bases and the
            # channels; then a byte after the module.
            cuts = sorted({0, 1, 9, 10, 14, 15, 19, 23, 27, 31, 0x77, 0xef, 0xf5, 0x124, 0x19e,
                           0x1a0, 0x1f0, 0x1f2, len(data) - 1})
            cases = [(f"cut at {cut}", data[:cut]) for cut in cuts]
            cases.append(("a byte past the module", data + b"\x00"))
            for label, part in cases:
                with self.subTest(fixture=name, case=label):
                    self.expect_same_fault(part, label)

    def test_a_header_that_names_no_template_is_refused_at_its_field(self):
        data = next(self.goldens())[1]
        # The offsets of the tag, version and type in the golden.
        cases = [("another tag", b"\x09AriModulf" + data[10:], 0),
                 ("version 3", data[:15] + b"\x03\x00\x00\x00" + data[19:], 15),
                 ("version 0", data[:15] + b"\x00\x00\x00\x00" + data[19:], 15),
                 ("type 6, which has no class", data[:19] + b"\x06\x00\x00\x00" + data[23:], 19),
                 ("type 14", data[:19] + b"\x0e\x00\x00\x00" + data[23:], 19)]
        for label, part, offset in cases:
            with self.subTest(case=label):
                error = self.expect_same_fault(part, label)
                self.assertEqual(error.offset, offset)
        # Version 1 is read alike, its module part with schema 1.
        lines, error = archive_reader.read_amu(data[:15] + b"\x01\x00\x00\x00" + data[19:],
                                               self.layouts)
        self.assertIsNone(error)
        self.assertIn("00001b module CAriEqualizer schema 1", lines)

    def expect_same_fault(self, part, label):
        dump = subprocess.run([ARGS.dump, "--fields", self.write(part)], capture_output=True)
        lines, error = archive_reader.read_amu(part, self.layouts, fields=True)
        self.assertEqual(dump.returncode, 1, label)
        self.assertIsNotNone(error, label)
        self.assertEqual(dump.stdout.decode("utf-8").splitlines(), lines, label)
        self.assertEqual(self.fault(dump, b"archive-dump"), str(error).encode(), label)
        return error

    def test_mode_must_be_told_for_other_names(self):
        for run in self.both(self.write(b"", "template.bin")):
            self.assertEqual(run.returncode, 2)
            self.assertIn(b"give either --raw or --zo or --dsp or --amu", run.stderr)
        for run in self.both("--amu", "--dsp", self.write(b"")):
            self.assertEqual(run.returncode, 2)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--fixtures", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
