#!/usr/bin/env python3
"""Draws the pictures of the external equipment on a device sheet (bitmap
resources 250 to 254: PC, CD player, microphone, speaker, amplifier) as
62 x 62 XPM files beside this script.

XPM is C source as well as a picture format, so the program compiles the
files in (resources/bitmaps.cpp) and image viewers show them as they are.

Run it again after changing a picture: python3 draw_icons.py
"""

import os

SIZE = 62
HERE = os.path.dirname(os.path.abspath(__file__))

# One character per colour; '.' is the background every picture shares, so
# a probe in a test can tell picture from frame.
PALETTE = {
    ".": "#E8E8E8",  # background
    "k": "#202020",  # outlines
    "g": "#808080",  # grey parts
    "w": "#FFFFFF",  # highlights
    "b": "#3060C0",  # screen, speaker cones
    "c": "#C0D8F0",  # disc surface
    "r": "#C03030",  # power lamp, microphone grille
    "y": "#E0B020",  # knobs
}


class Picture:
    def __init__(self):
        self.rows = [["."] * SIZE for _ in range(SIZE)]

    def put(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
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

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (r - 1) ** 2 < d <= r * r:
                    self.put(x, y, c)


def pc():
    p = Picture()
    p.box(8, 16, 54, 46, "k")      # monitor
    p.box(11, 19, 51, 43, "b")     # screen
    p.box(13, 21, 20, 23, "w")     # glare
    p.box(28, 46, 34, 51, "g")     # neck
    p.box(18, 51, 44, 54, "k")     # foot
    p.box(47, 44, 50, 45, "r")     # power lamp
    return p


def cd():
    p = Picture()
    p.disc(31, 33, 22, "k")
    p.disc(31, 33, 21, "c")
    p.ring(31, 33, 15, "w")
    p.disc(31, 33, 7, "g")
    p.disc(31, 33, 3, ".")
    return p


def microphone():
    p = Picture()
    p.disc(31, 22, 10, "k")         # capsule
    p.disc(31, 22, 8, "r")
    for y in range(15, 30, 3):      # grille lines
        p.box(24, y, 39, y + 1, "k")
    p.box(28, 32, 35, 44, "k")      # handle
    p.box(30, 44, 33, 52, "g")      # stand
    p.box(20, 52, 43, 55, "k")      # base
    return p


def speaker():
    p = Picture()
    p.box(14, 6, 48, 58, "k")       # cabinet
    p.box(16, 8, 46, 56, "g")
    p.disc(31, 18, 7, "k")          # tweeter
    p.disc(31, 18, 5, "b")
    p.disc(31, 41, 12, "k")         # woofer
    p.disc(31, 41, 10, "b")
    p.disc(31, 41, 3, "k")
    return p


def amplifier():
    p = Picture()
    p.box(4, 18, 58, 46, "k")       # chassis
    p.box(6, 20, 56, 44, "g")
    for x in (14, 27, 40):          # knobs
        p.disc(x, 32, 5, "k")
        p.disc(x, 32, 4, "y")
        p.box(x, 28, x + 1, 32, "k")
    p.box(49, 30, 53, 34, "r")      # power lamp
    p.box(8, 46, 14, 49, "k")       # feet
    p.box(48, 46, 54, 49, "k")
    return p


def write_xpm(resource_id, picture):
    used = sorted({c for row in picture.rows for c in row})
    name = f"icon_{resource_id}_xpm"
    lines = ["/* XPM */", f"static const char* const {name}[] = {{",
             f'"{SIZE} {SIZE} {len(used)} 1",']
    lines += [f'"{c} c {PALETTE[c]}",' for c in used]
    lines += [f'"{"".join(row)}",' for row in picture.rows]
    lines[-1] = lines[-1].rstrip(",")
    lines.append("};")
    with open(os.path.join(HERE, f"icon_{resource_id}.xpm"), "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


def main():
    for resource_id, draw in ((250, pc), (251, cd), (252, microphone), (253, speaker),
                              (254, amplifier)):
        write_xpm(resource_id, draw())


if __name__ == "__main__":
    main()
