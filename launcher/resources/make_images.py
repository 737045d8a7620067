#!/usr/bin/env python3
"""Writes the template's default splash bitmap (splash.bmp) and window-class icon (splash.ico).

The bitmap is 8 bits per pixel, RLE8-compressed, so that 400 x 300 pixels cost a few KB of the
launcher instead of 360 KB. Run it again after changing the design; `splash_pixels()` is also
used by the screen tests to know what the window must show.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 400, 300
TILE, GAP = 22, 4
# Tile colours of the mosaic, cycling.
ACCENTS = [(0x1f, 0x6f, 0x8b), (0xe0, 0x7a, 0x2e), (0x24, 0x3b, 0x55), (0x5a, 0xa4, 0x69)]
MOSAIC_COLUMNS, MOSAIC_ROWS = 6, 5
MOSAIC_LEFT = WIDTH - 24 - MOSAIC_COLUMNS * (TILE + GAP) + GAP
MOSAIC_TOP = 70
BAR_TOP = HEIGHT - 36  # a darker bar at the bottom for the version line


def background(y):
    """Light vertical gradient, then a bar."""
    if y >= BAR_TOP:
        return (0x24, 0x3b, 0x55)
    t = y / (BAR_TOP - 1)
    top, bottom = (0xf6, 0xf3, 0xec), (0xd6, 0xe2, 0xea)
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


def tile_at(x, y):
    """The accent colour of the mosaic tile covering (x, y), or None."""
    cx, cy = x - MOSAIC_LEFT, y - MOSAIC_TOP
    if cx < 0 or cy < 0:
        return None
    col, row = cx // (TILE + GAP), cy // (TILE + GAP)
    if col >= MOSAIC_COLUMNS or row >= MOSAIC_ROWS:
        return None
    if cx % (TILE + GAP) >= TILE or cy % (TILE + GAP) >= TILE:
        return None
    if (col + row) % 3 == 2:  # leave some tiles out: a loose tessellation
        return None
    return ACCENTS[(col + 2 * row) % len(ACCENTS)]


def splash_pixels():
    """Rows top to bottom of (r, g, b) tuples."""
    return [[tile_at(x, y) or background(y) for x in range(WIDTH)] for y in range(HEIGHT)]


def rle8(rows, index):
    out = bytearray()
    for row in reversed(rows):  # bottom-up
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, index[row[x]]))
            x += run
        out += b"\x00\x00"
    out += b"\x00\x01"
    return bytes(out)


def bitmap_file(rows):
    colours = sorted({c for row in rows for c in row})
    assert len(colours) <= 256
    index = {c: i for i, c in enumerate(colours)}
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    bits = rle8(rows, index)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 1, len(bits), 2835, 2835,
                       len(colours), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + palette + bits


def icon_file():
    size = 32
    palette = [(0, 0, 0)] + ACCENTS + [(0xf6, 0xf3, 0xec)] * 11
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            q = (x // 16) + 2 * (y // 16)
            inner = 1 <= x % 16 <= 14 and 1 <= y % 16 <= 14
            row.append(1 + q if inner else 0)
        pixels.append(row)
    xor = bytearray()
    for row in reversed(pixels):
        for x in range(0, size, 2):
            xor.append((row[x] << 4) | row[x + 1])
    and_mask = bytes(4 * size)  # fully opaque
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(and_mask),
                       0, 0, 16, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    image = info + pal + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4,
                                                           len(image), 6 + 16)
    return directory + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else here
    with open(os.path.join(out, "splash.bmp"), "wb") as f:
        f.write(bitmap_file(splash_pixels()))
    with open(os.path.join(out, "splash.ico"), "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()
