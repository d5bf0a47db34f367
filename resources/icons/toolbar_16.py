"""The 16 x 16 toolbar pictures, by the command a button sends, and the two
network type pictures.
"""

import math

from picture import Picture

SIZE = 16


def sheet(p, left, top, right, bottom, fill="w"):
    """A page with a folded corner."""
    p.panel(left, top, right, bottom, fill)
    p.polygon([(right - 4, top), (right - 1, top), (right - 1, top + 3)], " ")
    p.line(right - 4, top, right - 1, top + 3, "k")
    p.polygon([(right - 4, top + 1), (right - 4, top + 3), (right - 2, top + 3)], "l")


def new():
    p = Picture(SIZE)
    sheet(p, 2, 0, 14, 16)
    p.put(5, 4, "y")  # a spark: something new
    p.box(4, 5, 7, 6, "y")
    p.put(5, 6, "y")
    return p


def open_():
    p = Picture(SIZE)
    p.polygon([(0, 3), (5, 3), (6, 4), (13, 4), (13, 14), (0, 14)], "k")
    p.box(1, 5, 13, 14, "Y")
    p.polygon([(3, 8), (15, 8), (12, 14), (0, 14)], "k")
    p.polygon([(4, 9), (14, 9), (12, 13), (1, 13)], "y")
    return p


def save():
    p = Picture(SIZE)
    p.panel(1, 1, 15, 15, "b")
    p.box(4, 2, 12, 7, "w")
    p.box(4, 6, 12, 7, "l")
    p.box(5, 10, 11, 15, "l")
    p.box(9, 11, 10, 14, "k")
    return p


def print_():
    p = Picture(SIZE)
    p.panel(4, 0, 12, 6, "w")
    p.panel(0, 5, 16, 12, "l")
    p.put(13, 7, "G")
    p.panel(3, 10, 13, 16, "w")
    p.box(5, 12, 11, 13, "g")
    p.box(5, 14, 9, 15, "g")
    return p


def about():
    p = Picture(SIZE)
    p.disc(7, 7, 7, "B")
    p.disc(7, 7, 6, "b")
    p.text(4, 2, "?", "w", scale=2)
    return p


def undo():
    p = Picture(SIZE)
    for r in (5, 6):  # the arc the arrow takes
        for a in range(0, 181, 5):
            x = 8 + round(r * math.cos(math.radians(a)))
            y = 11 - round(r * math.sin(math.radians(a)))
            p.put(x, y, "b")
    p.polygon([(0, 10), (5, 10), (2, 14)], "B")
    p.box(13, 11, 15, 13, "b")
    return p


def copy():
    p = Picture(SIZE)
    sheet(p, 0, 0, 10, 12)
    p.box(2, 4, 7, 5, "g")
    sheet(p, 5, 4, 15, 16, "c")
    p.box(7, 8, 12, 9, "b")
    p.box(7, 11, 12, 12, "b")
    return p


def cut():
    p = Picture(SIZE)
    p.line(5, 0, 10, 10, "g")
    p.line(6, 0, 11, 9, "l")
    p.line(10, 0, 5, 10, "g")
    p.line(9, 0, 4, 9, "l")
    p.put(7, 5, "k")
    for x in (4, 11):
        p.disc(x, 12, 3, "r")
        p.disc(x, 12, 1, " ")
    return p


def paste():
    p = Picture(SIZE)
    p.panel(1, 2, 12, 15, "n")
    p.panel(4, 0, 9, 4, "l")
    sheet(p, 6, 6, 16, 16)
    p.box(8, 10, 13, 11, "g")
    p.box(8, 12, 13, 13, "g")
    return p


def delete():
    p = Picture(SIZE)
    for d in (-1, 0, 1):
        p.line(2 + d, 2, 13 + d, 13, "r")
        p.line(13 + d, 2, 2 + d, 13, "r")
    p.line(2, 3, 12, 13, "R")
    p.line(13, 3, 3, 13, "R")
    return p


def magnifier(lens, mark, mark_colour):
    """A magnifying glass, marked '+', '-' or '1'."""
    p = Picture(SIZE)
    p.disc(6, 6, 6, "k")
    p.disc(6, 6, 5, lens)
    for d in (0, 1):
        p.line(10 + d, 11, 14 + d, 15, "n")
        p.line(10, 11 + d, 14, 15 + d, "n")
    if mark in "+-":
        p.box(3, 5, 10, 7, mark_colour)
    if mark == "+":
        p.box(5, 3, 7, 10, mark_colour)
    if mark == "1":
        p.text(5, 4, "1", mark_colour)
    return p


def fit():
    p = Picture(SIZE)
    p.panel(5, 5, 11, 11, "c")
    for corner in ((0, 0, 1, 1), (15, 0, -1, 1), (0, 15, 1, -1), (15, 15, -1, -1)):
        x, y, dx, dy = corner
        p.line(x, y, x + 4 * dx, y, "k")
        p.line(x, y, x, y + 4 * dy, "k")
        p.line(x + dx, y + dy, x + 3 * dx, y + 3 * dy, "b")
    return p


def rack(p, top, colour="1"):
    """A rack unit, 16 wide and 6 high."""
    p.panel(0, top, 16, top + 6, colour)
    p.box(2, top + 2, 9, top + 4, "K")
    p.box(3, top + 2, 6, top + 3, "v")
    p.put(13, top + 3, "G")


def chip(p, top):
    """A DSP chip with its legs, 10 wide and 6 high."""
    p.panel(3, top, 13, top + 6, "d")
    for x in range(4, 13, 2):
        p.put(x, top - 1, "g")
        p.put(x, top + 6, "g")
    p.put(4, top + 1, "l")


def down_arrow(p, colour, dark):
    p.box(6, 0, 10, 4, dark)
    p.box(7, 0, 9, 4, colour)
    p.polygon([(3, 4), (12, 4), (8, 8), (7, 8)], dark)
    p.polygon([(5, 5), (10, 5), (8, 7), (7, 7)], colour)


def download_sheet():
    p = Picture(SIZE)
    down_arrow(p, "G", "e")
    rack(p, 10)
    return p


def stop_run():
    p = Picture(SIZE)
    p.polygon([(5, 0), (10, 0), (15, 5), (15, 10), (10, 15), (5, 15), (0, 10), (0, 5)], "R")
    p.polygon([(5, 1), (10, 1), (14, 5), (14, 10), (10, 14), (5, 14), (1, 10), (1, 5)], "r")
    p.box(3, 7, 13, 9, "w")
    return p


def view_hardware():
    p = Picture(SIZE)
    p.panel(2, 0, 14, 6, "1")
    p.box(4, 2, 9, 4, "K")
    p.polygon([(0, 12), (4, 8), (11, 8), (15, 12), (11, 15), (4, 15)], "k")
    p.polygon([(1, 12), (4, 9), (11, 9), (14, 12), (11, 14), (4, 14)], "w")
    p.disc(7, 11, 3, "b")
    p.disc(7, 11, 1, "K")
    return p


def hardware():
    """Two units of a configuration hanging off one link."""
    p = Picture(SIZE)
    p.box(0, 2, 1, 13, "k")
    for top, colour in ((0, "1"), (8, "5")):
        p.box(1, top + 3, 3, top + 4, "k")
        p.panel(3, top, 16, top + 6, colour)
        p.box(5, top + 2, 10, top + 4, "K")
    return p


def ip_range():
    p = Picture(SIZE)
    p.text(1, 0, "IP", "B", scale=2)
    p.line(1, 13, 14, 13, "g")
    for x in (2, 8, 13):
        p.disc(x, 13, 2, "k")
        p.disc(x, 13, 1, "G")
    return p


def output_window():
    p = Picture(SIZE)
    p.panel(0, 1, 16, 15, "w")
    p.box(1, 2, 15, 4, "b")
    for y, length in ((6, 10), (8, 7), (10, 12), (12, 5)):
        p.box(2, y, 2 + length, y + 1, "g")
    return p


def start_dsp_download():
    p = Picture(SIZE)
    down_arrow(p, "G", "e")
    chip(p, 10)
    return p


def stop_download():
    p = Picture(SIZE)
    p.panel(4, 0, 12, 8, "r")
    chip(p, 10)
    return p


def continue_download():
    p = Picture(SIZE)
    p.polygon([(5, 0), (11, 4), (5, 8)], "e")
    p.polygon([(6, 2), (9, 4), (6, 6)], "G")
    chip(p, 10)
    return p


def store_in_device():
    p = Picture(SIZE)
    p.panel(4, 0, 12, 8, "b")
    p.box(6, 1, 10, 3, "w")
    p.box(6, 5, 10, 7, "l")
    rack(p, 10, "9")
    return p


def console():
    p = Picture(SIZE)
    p.panel(0, 1, 16, 15, "K")
    p.box(1, 2, 15, 3, "l")
    p.line(2, 5, 4, 7, "v")
    p.line(4, 7, 2, 9, "v")
    p.box(6, 9, 10, 10, "v")
    return p


def database_routes():
    p = Picture(SIZE)
    p.box(1, 3, 13, 14, "k")
    p.box(2, 3, 12, 14, "c")
    for y in (3, 7, 11):
        for x in range(1, 13):
            dy = round(1.5 * math.sqrt(max(0.0, 1 - ((x - 6.5) / 6) ** 2)))
            p.put(x, y + dy, "k")
    p.polygon([(1, 3), (3, 1), (10, 1), (12, 3), (10, 4), (3, 4)], "L")
    p.polyline([(3, 1), (10, 1), (12, 3), (10, 5), (3, 5), (1, 3), (3, 1)], "k")
    p.polyline([(12, 9), (15, 9), (15, 14)], "r")  # a route out of it
    return p


def module_palette():
    p = Picture(SIZE)
    for (x, y), colour in zip(((0, 0), (8, 0), (0, 8), (8, 8)), "Gbor"):
        p.panel(x, y, x + 7, y + 7, colour)
        p.box(x + 2, y + 2, x + 5, y + 5, "w")
    return p


def modules_bar():
    """A toolbar strip, its grip at the left, holding three modules in a
    chain."""
    p = Picture(SIZE)
    p.panel(0, 3, 16, 13, "L")
    for y in range(5, 11):
        p.put(2, y, "g" if y % 2 else "w")
    for x, colour in ((4, "G"), (8, "b"), (12, "o")):
        p.box(x, 6, x + 3, 10, colour)
    for x in (7, 11):
        p.put(x, 8, "k")
    return p


def properties():
    p = Picture(SIZE)
    p.panel(1, 0, 15, 16, "L")
    for y in (2, 7, 12):
        p.panel(3, y, 6, y + 3, "w")
        p.box(8, y + 1, 13, y + 2, "g")
    p.line(3, 3, 4, 4, "G")
    p.line(4, 4, 6, 1, "G")
    p.line(3, 8, 4, 9, "G")
    p.line(4, 9, 6, 6, "G")
    return p


def grid():
    p = Picture(SIZE)
    p.panel(1, 1, 15, 15, "w")
    for i in range(3, 14, 3):
        for j in range(3, 14, 3):
            p.put(i, j, "k")
    return p


def module16(p, fill="L"):
    p.panel(1, 1, 15, 15, fill)
    p.put(0, 8, "k")
    p.put(15, 8, "k")


def delay16():
    p = Picture(SIZE)
    p.disc(7, 7, 7, "k")
    p.disc(7, 7, 6, "w")
    p.line(7, 7, 7, 2, "k")
    p.line(7, 7, 10, 9, "b")
    p.put(7, 7, "r")
    return p


def router16():
    p = Picture(SIZE)
    module16(p)
    for y in (4, 8, 12):
        p.put(2, y, "B")
        p.put(13, y, "B")
    p.line(3, 4, 12, 12, "b")
    p.line(3, 8, 12, 4, "b")
    p.line(3, 12, 12, 8, "b")
    return p


def mixer16():
    p = Picture(SIZE)
    for y in (2, 8, 14):
        p.line(0, y, 7, 8, "b")
    p.disc(10, 8, 5, "k")
    p.disc(10, 8, 4, "y")
    p.box(8, 8, 13, 9, "k")
    p.box(10, 6, 11, 11, "k")
    return p


def mixer8x8_16():
    """The mixer with more inputs, its size written under it."""
    p = Picture(SIZE)
    for y in range(0, 9, 2):
        p.line(0, y, 6, 4, "b")
    p.disc(10, 4, 4, "k")
    p.disc(10, 4, 3, "y")
    p.box(8, 4, 13, 5, "k")
    p.box(10, 2, 11, 7, "k")
    p.text(2, 11, "8X8", "k")
    return p


def dynamics16():
    p = Picture(SIZE)
    module16(p, "w")
    p.line(3, 3, 3, 12, "g")
    p.line(3, 12, 12, 12, "g")
    p.polyline([(4, 11), (8, 7), (12, 5)], "r")
    p.polyline([(4, 10), (8, 6), (12, 4)], "r")
    return p


def generator16():
    p = Picture(SIZE)
    p.disc(7, 7, 7, "e")
    p.disc(7, 7, 6, "G")
    p.curve(2, 12, lambda x: 7 - 3 * math.sin((x - 2) * math.pi / 5), "w")
    return p


def equalizer16():
    p = Picture(SIZE)
    module16(p, "w")
    peaks = ((5, 4), (10, -3))

    def response(x):
        return 8 - sum(h * math.exp(-((x - c) / 1.5) ** 2) for c, h in peaks)

    p.curve(2, 13, response, "b")
    for c, _ in peaks:
        p.put(c, round(response(c)), "r")
    return p


def filter16():
    p = Picture(SIZE)
    module16(p, "w")
    p.curve(2, 13, lambda x: 5 + 7 / (1 + math.exp(-(x - 9) / 1.0)), "t")
    p.curve(2, 13, lambda x: 6 + 7 / (1 + math.exp(-(x - 9) / 1.0)), "t")
    return p


def crossover16():
    p = Picture(SIZE)
    module16(p, "w")
    p.curve(2, 13, lambda x: 4 + 8 / (1 + math.exp(-(x - 8) / 1.0)), "b")
    p.curve(2, 13, lambda x: 4 + 8 / (1 + math.exp((x - 8) / 1.0)), "r")
    return p


def meter16():
    p = Picture(SIZE)
    p.panel(2, 0, 14, 16, "K")
    for x, level in ((4, 9), (7, 13), (10, 6)):
        for k in range(0, level, 2):
            p.box(x, 14 - k, x + 2, 15 - k, "G" if k < 8 else ("y" if k < 11 else "r"))
    return p


def text16():
    p = Picture(SIZE)
    p.polygon([(1, 1), (14, 1), (14, 11), (10, 15), (1, 15)], "Y")
    p.polygon([(2, 2), (13, 2), (13, 10), (10, 14), (2, 14)], "y")
    p.text(4, 3, "T", "k", scale=2)
    return p


# The arrangement pictures: the object being arranged is blue, the rest
# green and orange, so each row reads the same in all its directions.
def stack_left():
    p = Picture(SIZE)
    p.box(0, 0, 1, 16, "k")
    for left, right, top, bottom, colour in ((1, 6, 3, 13, "b"), (6, 10, 5, 11, "G"),
                                             (10, 15, 2, 14, "o")):
        p.panel(left, top, right, bottom, colour)
    return p


def align_left():
    p = Picture(SIZE)
    p.box(0, 0, 1, 16, "k")
    for top, right, colour in ((1, 13, "b"), (6, 8, "G"), (11, 15, "o")):
        p.panel(1, top, right, top + 4, colour)
    return p


def centre_horizontal():
    p = Picture(SIZE)
    for top, width, colour in ((1, 12, "b"), (6, 6, "G"), (11, 10, "o")):
        p.panel(8 - width // 2, top, 8 + width // 2, top + 4, colour)
    for y in range(0, 16, 2):
        p.put(7, y, "r")
        p.put(8, y, "r")
    return p


def centre_in_view():
    p = Picture(SIZE)
    p.frame(0, 0, 16, 16, "k")
    for i in range(2, 14, 2):
        p.put(i, 7, "r")
        p.put(7, i, "r")
    p.panel(5, 5, 11, 11, "b")
    return p


def distribute_horizontal():
    p = Picture(SIZE)
    for left, colour in ((0, "b"), (6, "G"), (12, "o")):
        p.panel(left, 1, left + 4, 11, colour)
    p.line(1, 14, 14, 14, "r")  # the centres, equally far apart
    for x in (1, 2, 7, 8, 13, 14):
        p.put(x, 13, "r")
    return p


def net_wired():
    p = Picture(SIZE)
    p.box(6, 10, 10, 16, "k")  # the cable
    p.box(7, 10, 9, 16, "c")
    p.panel(3, 0, 13, 11, "l")
    p.box(5, 1, 11, 4, "L")
    for x in range(5, 11, 2):
        p.box(x, 1, x + 1, 4, "y")
    p.box(6, 6, 10, 8, "g")
    return p


def net_wireless():
    p = Picture(SIZE)
    for r in (5, 9, 13):
        for a in range(225, 316, 3):
            x = 8 + round(r * math.cos(math.radians(a)))
            y = 15 + round(r * math.sin(math.radians(a)))
            p.put(x, y, "b")
            p.put(x, y + 1, "b")
    p.disc(8, 14, 1, "B")
    return p


def pictures():
    """(command id, picture) for every toolbar button."""
    stack, align = stack_left(), align_left()
    centre, distribute = centre_horizontal(), distribute_horizontal()
    return [
        (57600, new()), (57601, open_()), (57603, save()), (57607, print_()), (57664, about()),
        (32801, undo()), (32800, undo().mirrored()), (32805, copy()), (32782, cut()),
        (32784, paste()), (32796, delete()),
        (32915, magnifier("c", "+", "B")), (32914, magnifier("c", "1", "B")),
        (32917, magnifier("c", "-", "B")),
        (32924, download_sheet()), (32925, stop_run()), (32932, view_hardware()),
        (32930, hardware()), (32928, ip_range()), (32922, output_window()),
        (32802, start_dsp_download()), (32867, stop_download()), (32940, continue_download()),
        (32955, store_in_device()), (32952, console()), (33030, database_routes()),
        (32869, module_palette()), (32882, modules_bar()), (32795, properties()),
        (32871, grid()),
        # The DSP sheet's zoom: a clear lens, so it is told from the device
        # sheet's at a glance.
        (32872, magnifier("w", "+", "r")), (32873, magnifier("w", "-", "r")),
        (32874, magnifier("w", "1", "r")), (32876, fit()),
        (32808, delay16()), (32813, router16()), (32817, mixer16()), (32879, mixer8x8_16()),
        (32822, dynamics16()), (32827, generator16()), (32831, equalizer16()), (32840, filter16()),
        (32846, crossover16()), (32849, meter16()), (32875, text16()),
        (32854, stack), (32855, stack.mirrored()), (32856, stack.transposed()),
        (32857, stack.transposed().flipped()),
        (32858, align), (32859, align.mirrored()), (32860, align.transposed()),
        (32877, align.transposed().flipped()),
        (32864, centre_in_view()), (32862, centre), (32863, centre.transposed()),
        (32865, distribute), (32866, distribute.transposed()),
    ]


def net_types():
    """(1 for wired, 0 for wireless, picture)."""
    return [(0, net_wireless()), (1, net_wired())]
