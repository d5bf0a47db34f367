#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script:

  icon_250.xpm .. icon_254.xpm  the external equipment on a device sheet
                                (bitmap resources 250 to 254: PC, CD player,
                                microphone, speaker, amplifier), 62 x 62;
  background_233.xpm            the background of the module attribute
                                dialogs (bitmap resource 233), 800 x 600
                                (dialog_background.py);
  point_158.xpm, point_159.xpm  the router dialog's cross-points, selected
                                and free (bitmap resources 158, 159), 15 x 13;
  arrow_214.xpm                 the connection list's arrow from the sending
                                to the receiving columns (bitmap resource
                                214), 16 x 16 on the transparent mask;
  icons_32.xpm.h                the 32 x 32 icons (icons_32.py);
  toolbar_16.xpm.h              the 16 x 16 toolbar and network type
                                pictures (toolbar_16.py);
  cursors_32.xpm.h              the DSP sheet's 32 x 32 mouse pointers and
                                their hotspots (cursors_32.py);
  ostrel.png                    the program's icon at 64 x 64 for the
                                desktop.

XPM is C source as well as a picture format, so the program compiles the
files in (resources/bitmaps.cpp) and image viewers show the single ones as
they are.

Run it again after changing a picture: python3 draw_icons.py
"""

import os
import sys

# The drawing modules beside this script leave no byte code in the tree.
sys.dont_write_bytecode = True

import cursors_32  # noqa: E402
import dialog_background  # noqa: E402
import icons_32  # noqa: E402
import toolbar_16  # noqa: E402
from picture import MASK, Picture, write_png, write_xpm_header, xpm_lines  # noqa: E402

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


def pc():
    p = Picture(SIZE, fill=".")
    p.box(8, 16, 54, 46, "k")      # monitor
    p.box(11, 19, 51, 43, "b")     # screen
    p.box(13, 21, 20, 23, "w")     # glare
    p.box(28, 46, 34, 51, "g")     # neck
    p.box(18, 51, 44, 54, "k")     # foot
    p.box(47, 44, 50, 45, "r")     # power lamp
    return p


def cd():
    p = Picture(SIZE, fill=".")
    p.disc(31, 33, 22, "k")
    p.disc(31, 33, 21, "c")
    p.ring(31, 33, 15, "w")
    p.disc(31, 33, 7, "g")
    p.disc(31, 33, 3, ".")
    return p


def microphone():
    p = Picture(SIZE, fill=".")
    p.disc(31, 22, 10, "k")         # capsule
    p.disc(31, 22, 8, "r")
    for y in range(15, 30, 3):      # grille lines
        p.box(24, y, 39, y + 1, "k")
    p.box(28, 32, 35, 44, "k")      # handle
    p.box(30, 44, 33, 52, "g")      # stand
    p.box(20, 52, 43, 55, "k")      # base
    return p


def speaker():
    p = Picture(SIZE, fill=".")
    p.box(14, 6, 48, 58, "k")       # cabinet
    p.box(16, 8, 46, 56, "g")
    p.disc(31, 18, 7, "k")          # tweeter
    p.disc(31, 18, 5, "b")
    p.disc(31, 41, 12, "k")         # woofer
    p.disc(31, 41, 10, "b")
    p.disc(31, 41, 3, "k")
    return p


def amplifier():
    p = Picture(SIZE, fill=".")
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


def cross_point(selected):
    """A router cross-point: a lit lamp where an output takes the input, an
    empty socket elsewhere."""
    p = Picture(15, 13, fill=".")
    p.disc(7, 6, 5, "k")
    p.disc(7, 6, 4, "r" if selected else "w")
    if selected:
        p.box(5, 4, 7, 5, "y")      # the lamp's glint
    return p


def link_arrow():
    """The connection list's arrow: a blue shaft and head pointing right,
    outlined in dark blue, on the mask so the list's own background shows
    around it."""
    p = Picture(16, 16, fill=" ")
    outline = [(1, 5), (8, 5), (8, 2), (13, 7), (8, 12), (8, 9), (1, 9)]
    p.polygon(outline, "b")
    p.polyline(outline + outline[:1], "B")
    return p


def write_xpm(resource_id, picture, name="icon", palette=PALETTE):
    lines = xpm_lines(f"{name}_{resource_id}_xpm", picture, palette)
    with open(os.path.join(HERE, f"{name}_{resource_id}.xpm"), "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


def main():
    for resource_id, draw in ((250, pc), (251, cd), (252, microphone), (253, speaker),
                              (254, amplifier)):
        write_xpm(resource_id, draw())
    write_xpm(233, dialog_background.picture(), "background", dialog_background.palette())
    write_xpm(158, cross_point(True), "point")
    write_xpm(159, cross_point(False), "point")
    write_xpm(214, link_arrow(), "arrow", {" ": MASK, "b": "#3060C0", "B": "#1C3A80"})
    icons = icons_32.pictures()
    write_xpm_header(os.path.join(HERE, "icons_32.xpm.h"), "The 32 x 32 icons, by icon id.",
                     {"icons_32": icons})
    write_xpm_header(os.path.join(HERE, "toolbar_16.xpm.h"),
                     "The 16 x 16 toolbar pictures, by command id, and the network type "
                     "pictures (1 wired, 0 wireless).",
                     {"toolbar_16": toolbar_16.pictures(), "net_types_16": toolbar_16.net_types()})
    cursors = cursors_32.pictures()
    hotspots = ["// The hotspot of each pointer: cursor id, x, y.",
                "static const int cursor_hotspots_32[][3] = {"]
    hotspots += [f"    {{{key}, {x}, {y}}}," for key, _, (x, y) in cursors]
    hotspots += ["};", ""]
    write_xpm_header(os.path.join(HERE, "cursors_32.xpm.h"),
                     "The 32 x 32 mouse pointers, by cursor id, and their hotspots.",
                     {"cursors_32": [(key, picture) for key, picture, _ in cursors]}, hotspots)
    write_png(os.path.join(HERE, "ostrel.png"), dict(icons)[128].scaled(2))


if __name__ == "__main__":
    main()
