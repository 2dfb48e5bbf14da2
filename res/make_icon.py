#!/usr/bin/env python3
"""Draws the program icon and writes ploxen.ico beside this script.

The motif is the main window itself: a small window whose list shows three
rows, each with a coloured first column and a line of text in red, blue and
green, the way messages of different levels appear. The 16 x 16 image is
drawn separately rather than scaled, so that its rows stay crisp.

Standard library only: run `python3 res/make_icon.py` after changing it and
keep the written .ico in the repository (the build does not run Python).
"""

import pathlib
import struct

TRANSPARENT = None
FRAME = (64, 64, 64)
TITLE = (0, 0, 128)
TITLE_LIGHT = (16, 96, 200)
CLIENT = (255, 255, 255)
GRID = (192, 192, 192)
YELLOW = (255, 230, 0)
CYAN = (0, 220, 230)
RED = (220, 0, 0)
BLUE = (0, 0, 230)
GREEN = (0, 150, 0)
BUTTON = (212, 208, 200)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[TRANSPARENT] * size for _ in range(size)]

    def fill(self, left, top, right, bottom, colour):
        """Fills the rectangle with inclusive corners."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.pixels[y][x] = colour

    def outline(self, left, top, right, bottom, colour):
        self.fill(left, top, right, top, colour)
        self.fill(left, bottom, right, bottom, colour)
        self.fill(left, top, left, bottom, colour)
        self.fill(right, top, right, bottom, colour)

    def words(self, left, top, height, runs, colour):
        """A text line: runs of (length, gap) pixels, like words."""
        x = left
        for length, gap in runs:
            self.fill(x, top, x + length - 1, top + height - 1, colour)
            x += length + gap


def draw_32():
    c = Canvas(32)
    c.fill(1, 3, 30, 28, CLIENT)
    c.outline(1, 3, 30, 28, FRAME)
    # Title bar with a lighter end and a close box.
    c.fill(2, 4, 29, 8, TITLE)
    c.fill(18, 4, 29, 8, TITLE_LIGHT)
    c.fill(25, 5, 28, 7, BUTTON)
    rows = [
        (11, YELLOW, RED, [(5, 2), (4, 2), (3, 0)]),
        (17, CYAN, BLUE, [(3, 2), (6, 2), (3, 0)]),
        (23, YELLOW, GREEN, [(6, 2), (2, 2), (4, 0)]),
    ]
    for top, column, text, runs in rows:
        c.fill(2, top - 1, 9, top + 3, column)
        c.fill(10, top - 1, 10, top + 3, GRID)
        c.words(12, top + 1, 2, runs, text)
        c.fill(2, top + 4, 29, top + 4, GRID)
    return c


def draw_16():
    c = Canvas(16)
    c.fill(0, 1, 15, 14, CLIENT)
    c.outline(0, 1, 15, 14, FRAME)
    c.fill(1, 2, 14, 3, TITLE)
    c.fill(9, 2, 14, 3, TITLE_LIGHT)
    rows = [
        (5, YELLOW, RED, [(4, 1), (3, 0)]),
        (8, CYAN, BLUE, [(3, 1), (5, 0)]),
        (11, YELLOW, GREEN, [(5, 1), (2, 0)]),
    ]
    for top, column, text, runs in rows:
        c.fill(1, top - 1, 4, top + 1, column)
        c.words(6, top, 1, runs, text)
    return c


def image_entry(canvas):
    """A 32-bit BGRA DIB with its AND mask, bottom-up as icons store them."""
    size = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = (size + 31) // 32 * 4
    for row in reversed(canvas.pixels):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel is TRANSPARENT:
                colour += b'\0\0\0\0'
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = pixel
                colour += bytes((b, g, r, 255))
        mask += bits
    return header + bytes(colour) + bytes(mask)


def icon_file(canvases):
    images = [image_entry(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', canvas.size, canvas.size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def main():
    target = pathlib.Path(__file__).resolve().parent / 'ploxen.ico'
    target.write_bytes(icon_file([draw_16(), draw_32()]))


if __name__ == '__main__':
    main()
