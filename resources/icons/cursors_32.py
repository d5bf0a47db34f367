"""The 32 x 32 mouse pointers of the DSP sheet, by cursor id, each with its
hotspot. They are drawn in black outline around white so that they read on
the sheet, on the modules' colours and on any other background alike.
"""

from picture import Picture

SIZE = 32

# An arrow pointer with its tip, the hotspot, in the top left corner.
ARROW = [(0, 0), (0, 17), (4, 13), (7, 20), (10, 19), (7, 12), (12, 12)]


def outlined(p, points):
    """A white shape with a black outline through `points`."""
    p.polygon(points, "w")
    p.polyline(points + points[:1], "K")


def drop():
    """A module from the palette about to land: the arrow with a module
    block and a plus below on its right."""
    p = Picture(SIZE)
    outlined(p, ARROW)
    p.panel(15, 17, 30, 30, "w", "K")
    p.box(12, 22, 15, 25, "K")      # input pin
    p.box(30, 22, 32, 25, "K")      # output pin
    p.box(22, 19, 23, 28, "K")      # plus
    p.box(18, 23, 27, 24, "K")
    return p, (0, 0)


def move():
    """Selected modules on the way: arrows to all four sides, the hotspot
    where they meet."""
    c = 15
    # A quarter of the outline, from the upper arrow's tip round to the
    # right arrow's upper barb; the other three are the same turned.
    quarter = [(0, -13), (5, -8), (2, -8), (2, -2), (8, -2), (8, -5)]
    points = []
    for turn in range(4):
        for dx, dy in quarter:
            for _ in range(turn):
                dx, dy = -dy, dx
            points.append((c + dx, c + dy))
    p = Picture(SIZE)
    outlined(p, points)
    return p, (c, c)


def pictures():
    """(cursor id, picture, (hotspot x, hotspot y)) for every cursor."""
    return [(217, *drop()), (218, *move())]
