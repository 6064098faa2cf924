"""Canvases: a true-colour picture with the few drawing operations the
pictures need, and the ways to make one from rows of letters or of palette
indices."""

from .colours import BG_DEEP
from .colours import BG_LIGHT


class Image:
    """A true-colour picture, rows top to bottom, pixels as (r, g, b)."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def fill(self, x, y, w, h, colour):
        for row_y in range(max(0, y), min(self.height, y + h)):
            row = self.px[row_y]
            for column_x in range(max(0, x), min(self.width, x + w)):
                row[column_x] = colour

    def hline(self, x0, x1, y, colour):
        self.fill(x0, y, x1 - x0 + 1, 1, colour)

    def vline(self, x, y0, y1, colour):
        self.fill(x, y0, 1, y1 - y0 + 1, colour)

    def frame(self, x, y, w, h, colour):
        self.hline(x, x + w - 1, y, colour)
        self.hline(x, x + w - 1, y + h - 1, colour)
        self.vline(x, y, y + h - 1, colour)
        self.vline(x + w - 1, y, y + h - 1, colour)

    def sunken(self, x, y, w, h):
        """A one-pixel recessed edge drawn just outside the rectangle (x, y, w, h)."""
        self.hline(x - 1, x + w, y - 1, BG_DEEP)
        self.vline(x - 1, y - 1, y + h, BG_DEEP)
        self.hline(x - 1, x + w, y + h, BG_LIGHT)
        self.vline(x + w, y - 1, y + h, BG_LIGHT)


def pixel_art(rows, palette):
    """A picture from rows of letters; each letter is a palette key."""
    height = len(rows)
    width = len(rows[0])
    img = Image(width, height)
    for y, row in enumerate(rows):
        if len(row) != width:
            raise ValueError("pixel art row %d is %d wide, expected %d: %r" % (y, len(row), width, row))
        for x, key in enumerate(row):
            img.set(x, y, palette[key])
    return img


def indexed_to_image(rows, palette):
    """A true-colour copy of a picture given as rows of palette indices."""
    img = Image(len(rows[0]), len(rows))
    img.px = [[palette[index] for index in row] for row in rows]
    return img
