#!/usr/bin/env python3
"""Independent reader of object streams, for tests.

Reads the framework's archive forms with nothing but the standard library and
prints the same tree as archive-dump, so that a misreading shared by our C++
reader and writer shows up as a difference. It is written from the rules, not
from the C++ code:

  strings  length prefix: 1 byte below 255; else 0xFF + 16 bits below 0xFFFE;
           else 0xFF, 0xFFFF + 32 bits. 0xFF 0xFFFE starts a wide string: a
           second prefix of the same shape (in which 0xFFFE is a length) and
           UTF-16LE characters.
  counts   16 bits, or 0xFFFF + 32 bits.
  tags     0 null; 0xFFFF schema(16) name-length(16) name: a new class;
           0x8000|i: the class with index i; i: the object with index i;
           0x7FFF + 32 bits: the same with a big index (0x80000000 marks a
           class). Classes and objects share one index sequence from 1: a new
           class takes the next index, then a new object takes the next one
           before its fields are read.
  schema   each class remembers the schema of its first tag; reading a class
           tag makes that schema the one the class part asks for (once).

Checks as the program makes them, with the same offsets: a count must fit the
remaining bytes at two bytes an element, a string its characters, a class
name its length; a class must be described, belong to the family the array
names (a base reference must name exactly the declared base); indices must
name earlier classes or objects; objects nest at most 64 deep.

Class layouts come from the same description files archive-dump reads (see
tools/archive-dump/layout.h); without --layout, those of the program's own
sheet classes that archive-dump has built in (tools/archive-dump/layouts/). Strings are decoded as GBK (with 0x80 as the
euro sign, as code page 936 has it); bytes that do not decode are shown as
\\xNN. Python's GBK tables and the C library's code page 936 may differ in a
few rare characters; the tests use none of them.

A device sheet (.zo, with --zo or for a STREAM named *.zo) is a header, then
the device array and the link array, which end the file:

  version (uint32); for version 1 or 2 the sheet width and height (int32
  each), the physical-link, network-link and background colours (uint32
  each) and the grid flag (int32). The header is always printed.

The arrays hold what the document's loader takes: devices of the CBaseDevice
family and links of the CDeviceLink family (when the layouts describe them).

A DSP sheet or sheet template (.dsp, .dmu, with --dsp or for a STREAM so
named) is a header, then the module array and the link array, which end the
file:

  version (int32); for version 1 or 2 the device model index and zoom level
  (int32 each), the sheet width and height (int32 each), ten name counters
  (Delay, Router, Mixer, Dynamic, Generator, Equalizer, Filter, CrossOver,
  Text, Meter), the module and link id counters, the space and time totals
  and the sheet colour (int32 each), the unit MAC and the saved title
  (strings), the hidden-modules flag and the device template slot (int32
  each), the template structure and parameter names (strings). The header is
  always printed.

The arrays hold modules of the CBaseAriModule family and links of the
CBaseLink family.

A parameter template (.amu, with --amu or for a STREAM so named) is a
header, then one module's class part, which ends the file:

  the tag "AriModule" (a string; another tag is refused), the template name
  (a string), the version (int32, 1 or 2), the module type code (int32, one
  of the DSP module types with a class) and the variant (int32). The header
  is always printed. The module part follows with no class tag: the type
  code names its class and the version is its schema. It is printed as a
  line "module <class> schema <version>" with the part under it.

usage: archive_reader.py [--layout FILE]... [--fields] [--code-page gbk|utf8]
                         [--raw [--offset N] | --zo | --dsp | --amu] STREAM
"""

import argparse
import codecs
import os
import struct
import sys

NO_SCHEMA = 0xFFFFFFFF
MAX_INDEX = 0x3FFFFFFE
MAX_DEPTH = 64
FIELD_TYPES = {"u8", "i16", "u16", "i32", "u32", "f32", "f64", "str", "rect", "point", "size"}
LAYOUT_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                          "..", "..", "tools", "archive-dump", "layouts"))
ZO_DEVICE_FAMILY = "CBaseDevice"
ZO_LINK_FAMILY = "CDeviceLink"
DSP_MODULE_FAMILY = "CBaseAriModule"
DSP_LINK_FAMILY = "CBaseLink"
DSP_COUNTERS = ("delay", "router", "mixer", "dynamic", "generator", "equalizer", "filter",
                "crossover", "text", "meter")
AMU_TAG = "AriModule"
AMU_MODULE_CLASSES = {1: "CAriInput", 2: "CAriOutput", 3: "CAriDelay", 4: "CAriRouter",
                      5: "CAriMixer", 7: "CAriDynamic", 8: "CAriGenerator", 9: "CAriEqualizer",
                      10: "CAriFilter", 11: "CAriCrossover", 12: "CAriText", 13: "CAriMeter"}
SCALARS = {"u8": "<B", "i16": "<h", "u16": "<H", "i32": "<i", "u32": "<I", "f32": "<f", "f64": "<d"}


class StreamError(Exception):
    def __init__(self, offset, expected):
        super().__init__(f"error at offset {offset}: expected {expected}")
        self.offset = offset
        self.expected = expected


class LayoutError(Exception):
    pass


# ---- class layouts

class ClassLayout:
    def __init__(self, name, schema, base):
        self.name, self.schema, self.base, self.body = name, schema, base, []


def parse_layouts(text, origin="layout"):
    rows = []
    for number, raw in enumerate(text.splitlines(), 1):
        words = raw.split("#", 1)[0].split()
        if words:
            rows.append((number, words))
    pos = 0

    def fail(msg):
        line = rows[min(pos, len(rows) - 1)][0] if rows else 0
        raise LayoutError(f"{origin}:{line}: {msg}")

    def block(allow_else):
        nonlocal pos
        out = []
        while pos < len(rows):
            words = rows[pos][1]
            if words[0] == "end":
                pos += 1
                return out, False
            if words[0] == "else":
                if not allow_else:
                    fail('"else" outside "if"')
                pos += 1
                return out, True
            out.append(statement())
        fail('missing "end"')

    def statement():
        nonlocal pos
        words = rows[pos][1]
        head = words[0]
        pos += 1
        if head in FIELD_TYPES:
            if len(words) != 2:
                fail('expected "<type> <name>"')
            return ("field", head, words[1])
        if head == "array":
            if len(words) != 3:
                fail('expected "array <name> <class>"')
            return ("array", words[1], words[2])
        if head == "base":
            return ("base",)
        if head == "if":
            if len(words) < 3 or words[1] != "schema" or not all(w.isdigit() for w in words[2:]):
                fail('expected "if schema <n>..."')
            body, saw_else = block(True)
            other = block(False)[0] if saw_else else []
            return ("if", {int(w) for w in words[2:]}, body, other)
        if head == "repeat":
            if len(words) not in (2, 4) or (len(words) == 4 and (words[2] != "max" or not words[3].isdigit())):
                fail('expected "repeat <count> [max <n>]"')
            limit = int(words[3]) if len(words) == 4 else None
            count = words[1]
            if not count.isdigit() and limit is None:
                fail('a repeat by field needs "max"')
            body = block(False)[0]
            return ("repeat", count, limit, body)
        pos -= 1
        fail(f'unknown statement "{head}"')

    classes = {}
    while pos < len(rows):
        words = rows[pos][1]
        if words[0] != "class" or not (len(words) == 3 or (len(words) == 5 and words[3] == ":")) \
                or not words[2].isdigit():
            fail('expected "class <name> <schema> [: <base>]"')
        layout = ClassLayout(words[1], int(words[2]), words[4] if len(words) == 5 else None)
        pos += 1
        layout.body = block(False)[0]
        if layout.name in classes:
            fail(f"class {layout.name} described twice")
        classes[layout.name] = layout
    return classes


def load_layouts(paths):
    classes = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for name, layout in parse_layouts(f.read(), path).items():
                if name in classes:
                    raise LayoutError(f"class {name} described twice")
                classes[name] = layout
    for layout in classes.values():
        if layout.base is not None and layout.base not in classes:
            raise LayoutError(f"layout of {layout.name}: unknown base {layout.base}")
    return classes


def default_layout_paths():
    """The layouts of the program's sheet classes, as archive-dump has them
    built in."""
    return sorted(os.path.join(LAYOUT_DIR, name) for name in os.listdir(LAYOUT_DIR)
                  if name.endswith(".layout"))


# ---- text

def _cp936_errors(err):
    # Code page 936 maps the single byte 0x80 to the euro sign; Python's GBK
    # does not. Anything else that does not decode keeps its byte.
    if err.object[err.start] == 0x80:
        return "\u20ac", err.start + 1
    return codecs.lookup_error("surrogateescape")(err)


codecs.register_error("archive_reader_cp936", _cp936_errors)


def decode_ansi(raw, code_page):
    if code_page == "utf8":
        return raw.decode("utf-8", "surrogateescape")
    return raw.decode("gbk", "archive_reader_cp936")


def quote(text):
    out = ['"']
    for ch in text:
        cp = ord(ch)
        if ch in '"\\':
            out.append("\\" + ch)
        elif cp < 0x20 or cp == 0x7F:
            out.append(f"\\x{cp:02x}")
        elif 0xDC80 <= cp <= 0xDCFF:
            out.append(f"\\x{cp - 0xDC00:02x}")
        else:
            out.append(ch)
    out.append('"')
    return "".join(out)


def real(value):
    if value != value:
        return "nan"
    return "%.17g" % value


# ---- golden fixtures

HEX_DIGITS = frozenset("0123456789abcdefABCDEF")


def parse_hex(text):
    """The bytes of a golden fixture as the tests write them: two hex digits
    a byte, blanks between, '#' starts a comment that runs to the end of the
    line. Anything else is refused, with its line, as the C++ tests'
    reader does."""
    out = bytearray()
    for number, line in enumerate(text.splitlines(), 1):
        for word in line.split("#", 1)[0].split():
            if len(word) != 2 or not HEX_DIGITS.issuperset(word):
                raise ValueError(f"bad hex byte {word!r} on line {number}")
            out.append(int(word, 16))
    return bytes(out)


# ---- the reader

class Reader:
    def __init__(self, data, layouts, start=0, fields=False, code_page="gbk"):
        if start > len(data):
            raise StreamError(start, f"a start within the {len(data)} bytes of data")
        self.data, self.pos = data, start
        self.layouts, self.fields, self.code_page = layouts, fields, code_page
        self.table = [None]          # index -> ("class"|"object", class name)
        self.class_schema = {}       # class name -> schema of its first tag
        self.pending = NO_SCHEMA
        self.depth = 0
        self.indent = 0
        self.lines = []

    # -- output

    def emit(self, offset, text):
        self.lines.append(f"{offset:06x} " + "  " * self.indent + text)

    # -- bytes

    def left(self):
        return len(self.data) - self.pos

    def take(self, n, what):
        if self.left() < n:
            raise StreamError(self.pos, f"{what} ({n} bytes), {self.left()} left")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def scalar(self, kind, what):
        fmt = SCALARS[kind]
        return struct.unpack(fmt, self.take(struct.calcsize(fmt), what))[0]

    def string(self):
        first = self.scalar("u8", "a string length")
        wide = False
        if first < 0xFF:
            n = first
        else:
            word = self.scalar("u16", "a 16-bit string length")
            if word == 0xFFFE:
                wide = True
                first = self.scalar("u8", "a wide string length")
                if first < 0xFF:
                    n = first
                else:
                    word = self.scalar("u16", "a 16-bit wide string length")
                    n = word if word < 0xFFFF else self.scalar("u32", "a 32-bit wide string length")
            else:
                n = word if word < 0xFFFF else self.scalar("u32", "a 32-bit string length")
        size = 2 * n if wide else n
        if size > self.left():
            raise StreamError(self.pos, f"{size} bytes of string characters, {self.left()} left")
        raw = self.data[self.pos:self.pos + size]
        self.pos += size
        if wide:
            return raw.decode("utf-16-le", "replace")
        return decode_ansi(raw, self.code_page)

    def count(self, per_item):
        at = self.pos
        n = self.scalar("u16", "a count")
        if n == 0xFFFF:
            n = self.scalar("u32", "a 32-bit count")
        if n * per_item > self.left():
            raise StreamError(at, f"a count the remaining {self.left()} bytes can hold, found {n}")
        return n

    # -- classes and objects

    def is_kind_of(self, name, family):
        while name is not None:
            if name == family:
                return True
            name = self.layouts[name].base
        return False

    def new_index(self, at):
        index = len(self.table)
        if index > MAX_INDEX:
            raise StreamError(at, f"at most {MAX_INDEX} classes and objects in one archive")
        return index

    def tag(self):
        word = self.scalar("u16", "an object tag")
        if word == 0x7FFF:
            return word, self.scalar("u32", "a 32-bit object tag")
        return word, ((word & 0x8000) << 16) | (word & 0x7FFF)

    def class_tag(self, at, word, value, family, exact):
        if word == 0xFFFF:
            schema = self.scalar("u16", "a class schema")
            length = self.scalar("u16", "a class name length")
            if length > self.left():
                raise StreamError(self.pos, f"a class name of {length} bytes, {self.left()} left")
            raw = self.data[self.pos:self.pos + length]
            self.pos += length
            name = raw.decode("latin-1")
            if name not in self.layouts:
                raise StreamError(at, f"a known class, found {name!r}")
            index, new = None, True
        else:
            index, new = value & 0x7FFFFFFF, False
            if index == 0 or index >= len(self.table) or self.table[index][0] != "class":
                raise StreamError(at, f"a reference to an earlier class, found #{index}")
            name = self.table[index][1]
            schema = self.class_schema[name]
        if exact and name != family:
            raise StreamError(at, f"class {family}, found {name}")
        if not exact and family is not None and not self.is_kind_of(name, family):
            raise StreamError(at, f"a class of the {family} family, found {name}")
        if new:
            index = self.new_index(at)
            self.table.append(("class", name))
            self.class_schema[name] = schema
        return name, index, new, schema

    def object(self, family):
        at = self.pos
        word, value = self.tag()
        if not value & 0x80000000:
            if value == 0:
                self.emit(at, "null")
                return
            if value >= len(self.table) or self.table[value][0] != "object":
                raise StreamError(at, f"a reference to an earlier object, found #{value}")
            name = self.table[value][1]
            if family is not None and not self.is_kind_of(name, family):
                raise StreamError(at, f"an object of the {family} family, found a reference to {name}")
            self.emit(at, f"ref #{value} {name}")
            return
        name, class_index, new, schema = self.class_tag(at, word, value, family, False)
        if self.depth >= MAX_DEPTH:
            raise StreamError(at, f"objects nested at most {MAX_DEPTH} deep")
        index = self.new_index(at)
        self.table.append(("object", name))
        self.emit(at, f"object #{index} {name} schema {schema} class #{class_index}" + (" new" if new else ""))
        self.indent += 1
        self.depth += 1
        outer, self.pending = self.pending, schema
        self.part(name)
        self.pending = outer
        self.depth -= 1
        self.indent -= 1

    def array(self, family):
        at = self.pos
        n = self.count(2)
        self.emit(at, f"array {n}")
        self.indent += 1
        for _ in range(n):
            self.object(family)
        self.indent -= 1

    def base(self, layout):
        at = self.pos
        word, value = self.tag()
        if not value & 0x80000000:
            found = "a null tag" if value == 0 else "an object tag"
            raise StreamError(at, f"a reference to class {layout.base}, found {found}")
        name, class_index, new, schema = self.class_tag(at, word, value, layout.base, True)
        self.pending = schema
        self.emit(at, f"base {name} schema {schema} class #{class_index}" + (" new" if new else ""))
        self.part(name)

    def part(self, name):
        layout = self.layouts[name]
        schema, self.pending = self.pending, NO_SCHEMA
        self.run(layout, layout.body, schema, {})

    def run(self, layout, body, schema, values):
        for st in body:
            kind = st[0]
            if kind == "field":
                _, ftype, fname = st
                at = self.pos
                if ftype in ("f32", "f64"):
                    shown = real(self.scalar(ftype, "a float" if ftype == "f32" else "a double"))
                elif ftype in SCALARS:
                    what = {"u8": "an 8-bit integer", "i16": "a 16-bit integer",
                            "u16": "a 16-bit integer"}.get(ftype, "a 32-bit integer")
                    value = self.scalar(ftype, what)
                    values[fname] = value
                    shown = str(value)
                elif ftype == "str":
                    shown = quote(self.string())
                elif ftype == "rect":
                    shown = "(%d, %d, %d, %d)" % struct.unpack("<4i", self.take(16, "a rectangle"))
                else:
                    shown = "(%d, %d)" % struct.unpack("<2i", self.take(8, "a point" if ftype == "point" else "a size"))
                if self.fields:
                    self.emit(at, f"{ftype} {fname} = {shown}")
            elif kind == "array":
                _, _, family = st
                if family not in self.layouts:
                    raise LayoutError(f"layout of {layout.name}: unknown class {family}")
                self.array(family)
            elif kind == "base":
                if layout.base is None:
                    raise LayoutError(f'layout of {layout.name}: "base" without a base')
                self.base(layout)
            elif kind == "if":
                _, schemas, then, other = st
                self.run(layout, then if schema in schemas else other, schema, values)
            else:
                _, count, limit, inner = st
                if count.isdigit():
                    n = int(count)
                else:
                    n = 1
                    for factor in count.split("*"):
                        if factor not in values:
                            raise LayoutError(f"layout of {layout.name}: repeat by unread field {factor}")
                        n *= values[factor]
                if n < 0 or (limit is not None and n > limit):
                    raise StreamError(self.pos, f"a repeat count from 0 to {limit}, found {n}")
                for _ in range(n):
                    self.run(layout, inner, schema, values)

    def stream(self):
        """Object arrays up to the end of the data."""
        while self.left() > 0:
            self.array(None)

    def zo(self):
        """A device sheet: its header, the device array and the link array,
        which must end the data."""
        at = self.pos
        version = self.scalar("u32", "a 32-bit integer")
        self.emit(at, f"u32 version = {version}")
        if version in (1, 2):
            at = self.pos
            width, height = struct.unpack("<2i", self.take(8, "a size"))
            self.emit(at, f"size sheet_size = ({width}, {height})")
            for name in ("physical_link_colour", "network_link_colour", "background_colour"):
                at = self.pos
                self.emit(at, f"u32 {name} = {self.scalar('u32', 'a 32-bit integer')}")
            at = self.pos
            self.emit(at, f"i32 grid = {self.scalar('i32', 'a 32-bit integer')}")
        for family in (ZO_DEVICE_FAMILY, ZO_LINK_FAMILY):
            self.array(family if family in self.layouts else None)
        if self.left() > 0:
            raise StreamError(self.pos, f"the end of the file after the link array, "
                                        f"{self.left()} bytes left")

    def dsp(self):
        """A DSP sheet or sheet template: its header, the module array and the
        link array, which must end the data."""
        def i32(name):
            at = self.pos
            value = self.scalar("i32", "a 32-bit integer")
            self.emit(at, f"i32 {name} = {value}")
            return value

        def text(name):
            at = self.pos
            self.emit(at, f"str {name} = {quote(self.string())}")

        if i32("version") in (1, 2):
            i32("device_model")
            i32("zoom")
            at = self.pos
            width, height = struct.unpack("<2i", self.take(8, "a size"))
            self.emit(at, f"size sheet_size = ({width}, {height})")
            for name in DSP_COUNTERS:
                i32(f"{name}_counter")
            for name in ("module_id_counter", "link_id_counter", "space_total", "time_total",
                         "sheet_colour"):
                i32(name)
            text("unit_mac")
            text("saved_title")
            i32("hidden_modules")
            i32("template_slot")
            text("template_structure_name")
            text("template_parameter_name")
        for family in (DSP_MODULE_FAMILY, DSP_LINK_FAMILY):
            self.array(family if family in self.layouts else None)
        if self.left() > 0:
            raise StreamError(self.pos, f"the end of the file after the link array, "
                                        f"{self.left()} bytes left")

    def amu(self):
        """A parameter template: its header, then the module's class part
        without a class tag, which must end the data."""
        def i32(name):
            at = self.pos
            value = self.scalar("i32", "a 32-bit integer")
            self.emit(at, f"i32 {name} = {value}")
            return at, value

        at = self.pos
        tag = self.string()
        self.emit(at, f"str tag = {quote(tag)}")
        if tag != AMU_TAG:
            raise StreamError(at, f'the tag "{AMU_TAG}", found {quote(tag)}')
        at = self.pos
        self.emit(at, f"str name = {quote(self.string())}")
        at, version = i32("version")
        if version not in (1, 2):
            raise StreamError(at, f"version 1 or 2, found {version}")
        at, code = i32("type")
        if code not in AMU_MODULE_CLASSES:
            raise StreamError(at, f"a module type with a class, found {code}")
        i32("variant")
        name = AMU_MODULE_CLASSES[code]
        if name not in self.layouts:
            raise LayoutError(f"no layout of class {name}")
        self.emit(self.pos, f"module {name} schema {version}")
        self.indent += 1
        self.pending = version
        self.part(name)
        self.indent -= 1
        if self.left() > 0:
            raise StreamError(self.pos, f"the end of the file after the module, "
                                        f"{self.left()} bytes left")


def read_amu(data, layouts, fields=False, code_page="gbk"):
    """A parameter template; returns (tree lines, StreamError or None)."""
    reader = Reader(data, layouts, 0, fields, code_page)
    try:
        reader.amu()
        return reader.lines, None
    except StreamError as e:
        return reader.lines, e


def read_dsp(data, layouts, fields=False, code_page="gbk"):
    """A DSP sheet or sheet template; returns (tree lines, StreamError or None)."""
    reader = Reader(data, layouts, 0, fields, code_page)
    try:
        reader.dsp()
        return reader.lines, None
    except StreamError as e:
        return reader.lines, e


def read_stream(data, layouts, start=0, fields=False, code_page="gbk"):
    """Returns (tree lines, StreamError or None)."""
    reader = None
    try:
        reader = Reader(data, layouts, start, fields, code_page)
        reader.stream()
        return reader.lines, None
    except StreamError as e:
        return (reader.lines if reader else []), e


def read_zo(data, layouts, fields=False, code_page="gbk"):
    """A device sheet; returns (tree lines, StreamError or None)."""
    reader = Reader(data, layouts, 0, fields, code_page)
    try:
        reader.zo()
        return reader.lines, None
    except StreamError as e:
        return reader.lines, e


def main(argv=None):
    parser = argparse.ArgumentParser(description="Prints an object stream as a tree.")
    parser.add_argument("--layout", action="append",
                        help="class layouts (default: those of tools/archive-dump/layouts/)")
    parser.add_argument("--fields", action="store_true")
    parser.add_argument("--code-page", choices=("gbk", "utf8"), default="gbk")
    parser.add_argument("--raw", action="store_true")
    parser.add_argument("--zo", action="store_true",
                        help="a device sheet file (the default for a STREAM named *.zo)")
    parser.add_argument("--dsp", action="store_true",
                        help="a DSP sheet or template (the default for a STREAM named *.dsp, *.dmu)")
    parser.add_argument("--amu", action="store_true",
                        help="a parameter template (the default for a STREAM named *.amu)")
    parser.add_argument("--offset", type=lambda s: int(s, 0), default=None)
    parser.add_argument("stream")
    args = parser.parse_args(argv)
    if not args.raw and not args.zo and not args.dsp and not args.amu:
        args.zo = args.stream.lower().endswith(".zo")
        args.dsp = args.stream.lower().endswith((".dsp", ".dmu"))
        args.amu = args.stream.lower().endswith(".amu")
    if args.raw + args.zo + args.dsp + args.amu != 1:
        parser.error("give either --raw or --zo or --dsp or --amu")
    if not args.raw and args.offset is not None:
        parser.error("--offset goes with --raw")
    try:
        layouts = load_layouts(args.layout or default_layout_paths())
        with open(args.stream, "rb") as f:
            data = f.read()
    except (OSError, LayoutError) as e:
        print(f"archive_reader: {e}", file=sys.stderr)
        return 2
    if args.zo:
        lines, error = read_zo(data, layouts, args.fields, args.code_page)
    elif args.dsp:
        lines, error = read_dsp(data, layouts, args.fields, args.code_page)
    elif args.amu:
        lines, error = read_amu(data, layouts, args.fields, args.code_page)
    else:
        lines, error = read_stream(data, layouts, args.offset or 0, args.fields, args.code_page)
    out = "".join(line + "\n" for line in lines)
    sys.stdout.buffer.write(out.encode("utf-8", "surrogatepass"))
    sys.stdout.flush()
    if error is not None:
        print(f"archive_reader: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
