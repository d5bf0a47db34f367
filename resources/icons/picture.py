"""The drawing board the picture scripts share: a grid of colour characters
with a few drawing tools, a small pixel font, and the writers of the files
the program and the desktop take in (XPM C source, PNG).
"""

import struct
import zlib

# The colour the icons and toolbar pictures leave transparent; the program
# knows it as resources::kIconMask.
MASK = "#FF00FF"

# One character per colour for the icons and toolbar pictures; ' ' is the
# transparent mask.
PALETTE = {
    " ": MASK,
    "K": "#000000",  # black
    "k": "#202020",  # outlines
    "d": "#484848",  # dark grey
    "g": "#808080",  # grey
    "l": "#C0C0C0",  # light grey, metal
    "L": "#E4E4E4",  # near white
    "w": "#FFFFFF",  # white
    "B": "#1C3A80",  # dark blue
    "b": "#3060C0",  # blue
    "c": "#A8CCF0",  # light blue
    "R": "#801818",  # dark red
    "r": "#D83030",  # red
    "o": "#F08020",  # orange
    "Y": "#A07810",  # dark yellow
    "y": "#F0C020",  # yellow
    "e": "#106020",  # dark green
    "G": "#30A040",  # green
    "v": "#70FF70",  # display green
    "t": "#20A0A0",  # teal
    "n": "#8A5A2A",  # brown
    # The front panels of the units, one colour each, after the colours the
    # sheet gives the models.
    "0": "#D0D0D8",
    "1": "#99CCFF",
    "2": "#99FFFF",
    "3": "#0099FF",
    "4": "#FBB9D1",
    "5": "#FFCE84",
    "6": "#D040D0",
    "7": "#FF7F7F",
    "8": "#66CCCC",
    "9": "#FFF7D6",
    "M": "#80D080",
    "N": "#C0C070",
    "Q": "#CC99FF",
}

# A 3 x 5 pixel font for the labels: rows top to bottom, '#' inked.
FONT = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "##.", "..#", "##."],
    "6": [".##", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "##."],
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "M": ["#.#", "###", "###", "#.#", "#.#"],
    "N": ["##.", "#.#", "#.#", "#.#", "#.#"],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "S": [".##", "#..", ".#.", "..#", "##."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "X": ["#.#", "#.#", ".#.", "#.#", "#.#"],
    "?": ["##.", "..#", ".#.", "...", ".#."],
    "-": ["...", "...", "###", "...", "..."],
}


class Picture:
    def __init__(self, width, height=None, fill=" "):
        self.width = width
        self.height = width if height is None else height
        self.rows = [[fill] * self.width for _ in range(self.height)]

    def put(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = c

    def box(self, left, top, right, bottom, c):
        """Fills left..right-1 x top..bottom-1."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, c)

    def frame(self, left, top, right, bottom, c):
        for x in range(left, right):
            self.put(x, top, c)
            self.put(x, bottom - 1, c)
        for y in range(top, bottom):
            self.put(left, y, c)
            self.put(right - 1, y, c)

    def panel(self, left, top, right, bottom, fill, outline="k"):
        """A filled box with a one-pixel outline."""
        self.box(left, top, right, bottom, outline)
        self.box(left + 1, top + 1, right - 1, bottom - 1, fill)

    # Circles take in the pixels whose centres lie within r + 1/2 or so
    # (r * r + r), which leaves no lone pixel at the four tips.
    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - 1) * (r - 1) + (r - 1) < d <= r * r + r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, points, c):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            self.line(x0, y0, x1, y1, c)

    def polygon(self, points, c):
        """Fills the polygon through the pixel centres of `points`."""
        ys = [y for _, y in points]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 <= y < y1) or (y1 <= y < y0):
                    xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(round(a), round(b) + 1):
                    self.put(x, y, c)
        self.polyline(points + points[:1], c)

    def curve(self, left, right, f, c):
        """Joins (x, f(x)) for x in left..right."""
        self.polyline([(x, round(f(x))) for x in range(left, right + 1)], c)

    def text(self, x, y, s, c, scale=1):
        for glyph in s:
            for gy, row in enumerate(FONT[glyph]):
                for gx, ink in enumerate(row):
                    if ink == "#":
                        self.box(x + gx * scale, y + gy * scale, x + (gx + 1) * scale,
                                 y + (gy + 1) * scale, c)
            x += 4 * scale

    def paste(self, other, x, y):
        """Lays the inked pixels of `other` over this one at x, y."""
        for oy, row in enumerate(other.rows):
            for ox, c in enumerate(row):
                if c != " ":
                    self.put(x + ox, y + oy, c)

    def mirrored(self):
        """The picture flipped left to right."""
        p = Picture(self.width, self.height)
        p.rows = [list(reversed(row)) for row in self.rows]
        return p

    def flipped(self):
        """The picture flipped top to bottom."""
        p = Picture(self.width, self.height)
        p.rows = [list(row) for row in reversed(self.rows)]
        return p

    def transposed(self):
        """The picture flipped about its top-left to bottom-right diagonal."""
        p = Picture(self.height, self.width)
        p.rows = [[self.rows[y][x] for y in range(self.height)] for x in range(self.width)]
        return p

    def scaled(self, factor):
        p = Picture(self.width * factor, self.height * factor)
        p.rows = [[c for c in row for _ in range(factor)] for row in self.rows
                  for _ in range(factor)]
        return p


def xpm_lines(name, picture, palette):
    """The picture as an XPM array named `name`, one line a list entry."""
    used = sorted({c for row in picture.rows for c in row})
    lines = ["/* XPM */", f"static const char* const {name}[] = {{",
             f'"{picture.width} {picture.height} {len(used)} 1",']
    lines += [f'"{c} c {palette[c]}",' for c in used]
    lines += [f'"{"".join(row)}",' for row in picture.rows]
    lines[-1] = lines[-1].rstrip(",")
    lines.append("};")
    return lines


def write_xpm_header(path, title, tables, tail=()):
    """A C++ header with one XPM array per picture and, per table, an array
    of (key, picture) pairs named after the table. `tables` maps a table
    name to its (key, picture) pairs, keys being numbers; the lines of
    `tail` close the header."""
    lines = [f"// {title}", "// Written by draw_icons.py; run it again after changing a picture.",
             "#pragma once", "", "#include <span>", "#include <utility>", ""]
    for table, pictures in tables.items():
        for key, picture in pictures:
            lines += xpm_lines(f"{table}_{key}", picture, PALETTE) + [""]
        lines.append(f"static const std::pair<int, std::span<const char* const>> {table}[] = {{")
        lines += [f"    {{{key}, {table}_{key}}}," for key, _ in pictures]
        lines += ["};", ""]
    lines += tail
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(lines))


def write_png(path, picture):
    """The picture as an RGBA PNG, the mask colour fully transparent."""
    raw = bytearray()
    for row in picture.rows:
        raw.append(0)  # no filter
        for c in row:
            if c == " ":
                raw += b"\0\0\0\0"
            else:
                raw += bytes.fromhex(PALETTE[c][1:]) + b"\xff"

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
