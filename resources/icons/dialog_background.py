"""The background of the module attribute dialogs (bitmap resource 233): a
soft grey-blue gradient, lighter at the top, under a faint grid. The dialogs
copy it unscaled from the top-left corner, so it is as large as the largest
of them can be dragged (800 x 600).

Its palette is its own and small: one shade per band of the gradient and one
for the grid in that band, so the XPM keeps one character per pixel.
"""

from picture import Picture

WIDTH, HEIGHT = 800, 600
BANDS = 16
GRID = 16  # pixels between grid lines

TOP = (0xF2, 0xF5, 0xF9)
BOTTOM = (0xD6, 0xDF, 0xEA)
GRID_DARKER = 8  # how much darker a grid line is than the band it crosses

BAND_CHARS = "abcdefghijklmnop"
GRID_CHARS = "ABCDEFGHIJKLMNOP"


def _hex(rgb):
    return "#" + "".join(f"{v:02X}" for v in rgb)


def palette():
    colours = {}
    for band in range(BANDS):
        shade = tuple(round(t + (b - t) * band / (BANDS - 1)) for t, b in zip(TOP, BOTTOM))
        colours[BAND_CHARS[band]] = _hex(shade)
        colours[GRID_CHARS[band]] = _hex(tuple(v - GRID_DARKER for v in shade))
    return colours


def picture():
    p = Picture(WIDTH, HEIGHT)
    for y in range(HEIGHT):
        band = y * BANDS // HEIGHT
        fill, grid = BAND_CHARS[band], GRID_CHARS[band]
        if y % GRID == GRID - 1:
            p.rows[y] = [grid] * WIDTH
        else:
            p.rows[y] = [grid if x % GRID == GRID - 1 else fill for x in range(WIDTH)]
    return p
