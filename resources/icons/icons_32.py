"""The 32 x 32 icons: the program and its two documents, the device palette
and the DSP module palette. The device palette lists them in white captions
on mid grey, so every picture keeps a dark outline around light parts.
"""

import math

from picture import Picture

SIZE = 32


def page(p, corner):
    """A sheet of paper with its top right corner folded over."""
    p.polygon([(5, 1), (20, 1), (26, 7), (26, 30), (5, 30)], "k")
    p.polygon([(6, 2), (19, 2), (25, 8), (25, 29), (6, 29)], "w")
    p.polygon([(19, 2), (19, 8), (25, 8)], corner)
    p.line(19, 1, 19, 8, "k")
    p.line(19, 8, 26, 8, "k")


def application():
    p = Picture(SIZE)
    p.polygon([(3, 1), (28, 1), (30, 3), (30, 28), (28, 30), (3, 30), (1, 28), (1, 3)], "k")
    p.polygon([(3, 2), (28, 2), (29, 3), (29, 28), (28, 29), (3, 29), (2, 28), (2, 3)], "B")
    # A wave passing through the unit, over its level meters.
    p.box(4, 4, 28, 17, "b")
    p.curve(4, 27, lambda x: 10 - 4.5 * math.sin((x - 4) * math.pi / 6), "w")
    p.curve(4, 27, lambda x: 11 - 4.5 * math.sin((x - 4) * math.pi / 6), "w")
    for i, level in enumerate((6, 9, 7, 10, 5, 8)):
        x = 5 + 4 * i
        for k in range(level):
            colour = "G" if k < 6 else ("y" if k < 8 else "r")
            p.box(x, 27 - k, x + 3, 28 - k, colour)
    return p


def device_document():
    p = Picture(SIZE)
    page(p, "c")
    # Two units joined by a cable.
    p.panel(8, 11, 17, 19, "1")
    p.box(10, 13, 15, 15, "K")
    p.panel(14, 22, 23, 28, "7")
    p.box(16, 24, 21, 25, "K")
    p.polyline([(12, 19), (12, 25), (14, 25)], "b")
    return p


def dsp_document():
    p = Picture(SIZE)
    page(p, "y")
    # A chain of three modules with a response curve over it.
    p.curve(8, 23, lambda x: 14 - 3 * math.exp(-((x - 15) / 3) ** 2), "r")
    for i, fill in enumerate(("G", "b", "o")):
        x = 7 + 6 * i
        p.panel(x, 18, x + 5, 23, fill)
        if i:
            p.put(x - 1, 20, "k")  # the link from the one before
    p.box(8, 25, 24, 26, "g")
    p.box(8, 27, 20, 28, "g")
    return p


# The units: (panel colour, display label, inputs, outputs, amplifier).
UNITS = {
    232: ("0", "BASE", 8, 8, False),  # row 0, the base unit
    275: ("1", "A-1", 8, 8, True),  # QLA-1
    276: ("2", "A-8A", 8, 8, True),  # QLA-8A
    238: ("3", "A206", 8, 8, True),  # QLA-206A
    236: ("4", "0808", 8, 8, False),  # QLM-0808A
    240: ("5", "1600", 16, 0, False),  # QLM-1600A
    237: ("6", "0016", 0, 16, False),  # QLM-0016A
    239: ("7", "0412", 4, 12, False),  # QLM-0412A
    241: ("8", "1204", 12, 4, False),  # QLM-1204A
    242: ("9", "0202", 2, 2, False),  # QLM-0202A
    277: ("M", "MTX", 8, 8, False),  # row 18
    278: ("N", "NM", 2, 2, False),  # QLM-0202NM
    342: ("Q", "R450", 2, 2, True),  # QLR-450
}


def unit(colour, label, inputs, outputs, amplifier):
    """A rack unit's front: its display names the model, the green and red
    bars show how many inputs and outputs it has."""
    p = Picture(SIZE)
    p.panel(0, 5, 32, 27, colour)
    for x in (1, 29):  # rack ears with their screw holes
        p.box(x, 6, x + 2, 26, "l")
        p.put(x, 8, "k")
        p.put(x, 23, "k")
    p.box(3, 5, 4, 27, "k")
    p.box(28, 5, 29, 27, "k")
    p.box(5, 8, 27, 16, "K")
    p.text(6 + (21 - 4 * len(label)) // 2 + 1, 10, label, "v")
    p.box(5, 18, 27, 22, "k")
    p.box(6, 19, 6 + round(inputs * 9 / 16), 21, "G")
    p.box(26 - round(outputs * 9 / 16), 19, 26, 21, "r")
    p.put(16, 20, "w")
    if amplifier:  # an amplifier's cooling slots
        for x in range(6, 27, 3):
            p.box(x, 23, x + 2, 25, "k")
    else:
        p.box(24, 23, 26, 25, "G")  # power lamp
    return p


def pc():
    p = Picture(SIZE)
    p.panel(2, 3, 30, 23, "l")
    p.panel(4, 5, 28, 21, "b")
    p.box(6, 7, 10, 9, "w")
    p.box(14, 23, 18, 26, "g")
    p.frame(14, 22, 18, 26, "k")
    p.panel(8, 26, 24, 29, "l")
    p.put(26, 22, "G")
    return p


def cd():
    p = Picture(SIZE)
    p.disc(15, 15, 14, "k")
    p.disc(15, 15, 13, "c")
    p.ring(15, 15, 10, "w")
    p.ring(15, 15, 7, "L")
    p.disc(15, 15, 4, "l")
    p.ring(15, 15, 4, "k")
    p.disc(15, 15, 1, " ")
    p.line(20, 6, 24, 10, "w")
    return p


def microphone():
    p = Picture(SIZE)
    p.disc(16, 9, 7, "k")
    p.disc(16, 9, 6, "l")
    for y in range(5, 14, 2):
        p.line(11, y, 21, y, "d")
    p.panel(13, 15, 20, 25, "d")
    p.box(15, 17, 18, 19, "G")
    p.box(15, 25, 18, 28, "g")
    p.panel(9, 28, 24, 31, "l")
    return p


def speaker():
    p = Picture(SIZE)
    p.panel(6, 0, 26, 32, "n")
    p.disc(16, 7, 4, "k")
    p.disc(16, 7, 3, "l")
    p.disc(16, 20, 8, "k")
    p.disc(16, 20, 7, "l")
    p.ring(16, 20, 5, "g")
    p.disc(16, 20, 2, "k")
    return p


def amplifier():
    p = Picture(SIZE)
    p.panel(1, 8, 31, 25, "l")
    p.box(2, 9, 30, 11, "L")
    for x in (7, 14, 21):
        p.disc(x, 17, 3, "k")
        p.disc(x, 17, 2, "y")
        p.line(x, 14, x, 16, "k")
    p.panel(26, 15, 29, 18, "r")
    p.box(3, 25, 7, 27, "k")
    p.box(25, 25, 29, 27, "k")
    return p


def generic_device():
    p = Picture(SIZE)
    p.panel(4, 6, 28, 26, "L")
    p.box(5, 7, 27, 10, "c")
    for y in (13, 18):  # its connectors on both sides
        p.panel(1, y, 5, y + 3, "y")
        p.panel(27, y, 31, y + 3, "y")
    p.text(12, 11, "?", "b", scale=3)
    return p


def matrix():
    p = Picture(SIZE)
    p.panel(2, 2, 30, 30, "L")
    for i in range(4):
        p.line(6 + 6 * i, 3, 6 + 6 * i, 28, "g")
        p.line(3, 7 + 6 * i, 28, 7 + 6 * i, "g")
    for col, row in ((0, 1), (1, 0), (2, 3), (3, 2), (1, 2)):
        p.disc(6 + 6 * col, 7 + 6 * row, 2, "r")
    return p


def text_box():
    p = Picture(SIZE)
    p.panel(2, 4, 30, 28, "w")
    for x in range(2, 30, 4):  # a dashed edge: a box that holds text
        p.box(x + 2, 4, x + 4, 5, "L")
        p.box(x + 2, 27, x + 4, 28, "L")
    p.text(5, 7, "A", "B", scale=3)
    p.box(18, 10, 27, 12, "g")
    p.box(18, 15, 27, 17, "g")
    p.box(5, 23, 27, 25, "g")
    return p


def module(symbol_colour="L"):
    """A module block with an input pin on the left and an output pin on
    the right."""
    p = Picture(SIZE)
    p.panel(3, 3, 29, 29, symbol_colour)
    p.box(0, 15, 3, 17, "k")
    p.box(29, 15, 32, 17, "k")
    return p


def delay():
    p = module()
    p.disc(16, 16, 10, "k")
    p.disc(16, 16, 9, "w")
    for a in range(12):
        x = 16 + round(8 * math.cos(a * math.pi / 6))
        y = 16 + round(8 * math.sin(a * math.pi / 6))
        p.put(x, y, "k")
    p.line(16, 16, 16, 9, "k")
    p.line(16, 16, 21, 19, "b")
    p.put(16, 16, "r")
    return p


def router():
    p = module()
    for y in (8, 16, 24):
        p.box(4, y - 1, 7, y + 1, "b")
        p.box(25, y - 1, 28, y + 1, "b")
    for (y0, y1) in ((8, 24), (16, 8), (24, 16)):
        p.line(7, y0, 24, y1, "B")
        p.line(7, y0 - 1, 24, y1 - 1, "b")
    return p


def mixer():
    p = module()
    for y in (7, 16, 25):
        p.line(4, y, 15, 16, "b")
    p.disc(18, 16, 6, "k")
    p.disc(18, 16, 5, "y")
    p.box(15, 15, 22, 17, "k")
    p.box(17, 13, 19, 20, "k")
    p.line(24, 16, 28, 16, "b")
    return p


def dynamics():
    p = module("w")
    p.line(7, 6, 7, 25, "g")
    p.line(7, 25, 26, 25, "g")
    p.line(8, 24, 26, 6, "l")  # unity, for comparison
    p.polyline([(8, 24), (16, 16), (26, 13)], "r")
    p.polyline([(8, 23), (16, 15), (26, 12)], "r")
    p.disc(16, 16, 1, "k")
    return p


def generator():
    p = module()
    p.disc(14, 16, 9, "k")
    p.disc(14, 16, 8, "G")
    p.curve(8, 20, lambda x: 16 - 4 * math.sin((x - 8) * math.pi / 6), "w")
    p.polygon([(24, 12), (28, 16), (24, 20)], "k")
    return p


def equalizer():
    p = module("w")
    for x in range(7, 27, 4):
        p.line(x, 6, x, 26, "L")
    p.line(5, 16, 27, 16, "l")
    peaks = ((10, 7), (18, -6), (24, 4))

    def response(x):
        return 16 - sum(h * math.exp(-((x - c) / 2.5) ** 2) for c, h in peaks)

    p.curve(5, 27, response, "b")
    p.curve(5, 27, lambda x: response(x) + 1, "b")
    for c, h in peaks:
        p.disc(c, round(response(c)), 1, "r")
    return p


def low_pass(x):
    return 10 + 14 / (1 + math.exp(-(x - 19) / 1.8))


def filter_():
    p = module("w")
    p.line(5, 25, 27, 25, "l")
    p.curve(5, 27, low_pass, "t")
    p.curve(5, 27, lambda x: low_pass(x) + 1, "t")
    p.line(19, 6, 19, 24, "g")  # the corner frequency
    return p


def crossover():
    p = module("w")
    p.line(5, 25, 27, 25, "l")
    p.curve(5, 27, lambda x: 10 + 14 / (1 + math.exp(-(x - 16) / 1.8)), "b")
    p.curve(5, 27, lambda x: 10 + 14 / (1 + math.exp((x - 16) / 1.8)), "r")
    p.box(29, 9, 32, 11, "k")  # two ways out
    p.box(29, 21, 32, 23, "k")
    p.box(29, 15, 32, 17, " ")
    return p


def meter(channels):
    """A level meter with one bar per channel."""
    p = Picture(SIZE)
    p.panel(3, 1, 29, 31, "K")
    pitch = 24 // channels
    width = min(pitch - 1, 8) if channels > 1 else 10
    levels = (19, 14, 24, 11, 21, 17, 26, 13)
    for i in range(channels):
        left = 4 + i * pitch + (pitch - width + 1) // 2
        for k in range(0, levels[i], 2):  # lit segments
            y = 29 - k
            colour = "G" if k < 16 else ("y" if k < 22 else "r")
            p.box(left, y, left + width, y + 1, colour)
    p.box(0, 15, 3, 17, "k")
    return p


def module_text():
    p = Picture(SIZE)
    p.polygon([(3, 2), (28, 2), (28, 22), (20, 29), (3, 29)], "Y")
    p.polygon([(4, 3), (27, 3), (27, 21), (20, 28), (4, 28)], "y")
    p.polygon([(20, 21), (27, 21), (20, 28)], "Y")
    p.text(9, 6, "T", "k", scale=3)
    return p


def attribute_dialog():
    """A channel strip of faders at different levels: the window icon of
    the attribute dialogs."""
    p = Picture(SIZE)
    p.panel(2, 1, 30, 31, "l")
    for x, level in ((8, 18), (16, 8), (24, 13)):
        for y in range(5, 28, 5):  # the scale beside each track
            p.box(x - 4, y, x - 2, y + 1, "g")
        p.box(x - 1, 4, x + 1, 28, "k")  # the track
        p.panel(x - 3, level - 2, x + 4, level + 3, "w")  # the cap
        p.box(x - 2, level, x + 3, level + 1, "r")
    return p


def slope_dialog(crossing):
    """Response curves on a dark graph with a handle on the cut-off: the
    window icon of the filter dialog (one slope) and of the crossover
    dialog (two crossing slopes)."""
    p = Picture(SIZE)
    p.panel(1, 3, 31, 29, "l")
    p.box(3, 5, 29, 27, "k")
    for y in (11, 17, 23):  # the grid
        p.box(4, y, 28, y + 1, "g")
    low = lambda x: 10 + 14 / (1 + math.exp(-(x - 16) / 1.8))  # noqa: E731
    p.curve(4, 28, low, "G")
    if crossing:
        p.curve(4, 28, lambda x: 10 + 14 / (1 + math.exp((x - 16) / 1.8)), "r")
    p.disc(16, round(low(16)), 2, "y")
    return p


def dialog_window(picture):
    """A module's picture under a window's title bar: the window icon of
    that module's attribute dialog."""
    p = Picture(SIZE)
    p.paste(picture, 0, 0)
    p.panel(0, 0, 32, 7, "b")
    p.box(26, 2, 30, 5, "w")  # the close box
    return p


def equalizer_dialog():
    """A response curve with its drag points over a dark grid: the window
    icon of the equalizer dialog."""
    p = Picture(SIZE)
    p.panel(1, 3, 31, 29, "l")
    p.box(3, 5, 29, 27, "k")
    for x in range(7, 29, 6):
        p.line(x, 6, x, 26, "d")
    for y in range(9, 27, 6):
        p.line(4, y, 28, y, "d")
    peaks = ((10, 6), (21, -5))

    def response(x):
        return 16 - sum(h * math.exp(-((x - c) / 3.0) ** 2) for c, h in peaks)

    p.curve(4, 28, response, "v")
    for c, h in peaks:
        p.disc(c, round(response(c)), 1, "r")
    return p


def transfer_curve_dialog():
    """A compressor's bent input/output line on a dark graph, its knee
    handle lit: the window icon of the dynamics dialog."""
    p = Picture(SIZE)
    p.panel(1, 3, 31, 29, "l")
    p.box(3, 5, 29, 27, "k")
    for y in (11, 17, 23):  # the grid
        p.box(4, y, 28, y + 1, "g")
    p.line(4, 26, 18, 12, "G")
    p.line(18, 12, 28, 8, "G")
    p.disc(18, 12, 2, "y")
    return p


def generator_dialog(noise):
    """A sine (or a noise) trace on a dark graph: the window icons of the
    sine and the noise generators' dialogs."""
    p = Picture(SIZE)
    p.panel(1, 3, 31, 29, "l")
    p.box(3, 5, 29, 27, "k")
    p.box(4, 16, 28, 17, "g")  # the zero line
    if noise:
        levels = [16, 9, 21, 12, 19, 7, 23, 14, 10, 20, 13, 24, 8, 18, 11, 22, 15, 9, 20, 12,
                  17, 25, 10, 16]
        p.polyline([(4 + i, y) for i, y in enumerate(levels)], "v")
    else:
        p.curve(4, 28, lambda x: 16 - 8 * math.sin((x - 4) * math.pi / 6), "v")
    return p


def mixer_dialog():
    """A matrix of cross-point cells, the routed ones lit red: the window
    icon of the mixer dialog."""
    p = Picture(SIZE)
    p.panel(1, 3, 31, 29, "l")
    routed = {(0, 0), (1, 1), (2, 1), (3, 2), (0, 3)}
    for i in range(4):
        for j in range(4):
            x = 3 + 7 * i
            y = 5 + 6 * j
            p.box(x, y, x + 6, y + 5, "k")
            p.box(x + 1, y + 1, x + 5, y + 4, "r" if (i, j) in routed else "w")
    return p


def meter_dialog():
    """Two level bars with their peak marks held above them: the window
    icon of the meter dialog."""
    p = Picture(SIZE)
    p.panel(2, 1, 30, 31, "l")
    for left, level, peak in ((6, 16, 22), (18, 11, 15)):
        p.box(left, 3, left + 8, 29, "k")
        for k in range(0, level, 2):
            y = 27 - k
            colour = "G" if k < 10 else ("y" if k < 14 else "r")
            p.box(left + 1, y, left + 8, y + 1, colour)
        p.box(left + 1, 27 - peak, left + 8, 28 - peak, "r")
    return p


def pictures():
    """(icon id, picture) for every icon."""
    icons = [(128, application()), (129, device_document()), (130, dsp_document())]
    icons += [(icon_id, unit(*row)) for icon_id, row in UNITS.items()]
    icons += [(223, pc()), (231, cd()), (234, microphone()), (235, speaker()),
              (230, amplifier()), (233, generic_device()), (256, matrix()), (244, text_box())]
    icons += [(215, delay()), (225, router()), (217, mixer()), (228, dynamics()),
              (222, generator()), (227, equalizer()), (226, filter_()), (229, crossover()),
              (221, meter(1)), (220, meter(2)), (219, meter(4)), (218, meter(8)),
              (243, module_text())]
    icons += [(262, attribute_dialog())]
    icons += [(263, slope_dialog(False)), (265, slope_dialog(True))]
    icons += [(266, dialog_window(delay())), (269, dialog_window(module_text())),
              (258, dialog_window(router()))]
    icons += [(264, equalizer_dialog())]
    icons += [(257, generator_dialog(False)), (267, transfer_curve_dialog()),
              (268, generator_dialog(True))]
    icons += [(260, mixer_dialog()), (261, meter_dialog())]
    return icons
