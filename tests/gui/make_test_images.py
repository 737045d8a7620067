#!/usr/bin/env python3
"""Test variants of the splash resources: a 40 x 20 bitmap of four coloured quadrants (24 bits
per pixel) and a few raw bytes for the runtime splash. Usage: make_test_images.py OUTDIR"""
import os
import struct
import sys

WIDTH, HEIGHT = 40, 20
# Top-left, top-right, bottom-left, bottom-right (r, g, b); the tests know these.
QUADRANTS = [(0xC8, 0x20, 0x20), (0x20, 0xA0, 0x30), (0x20, 0x40, 0xD0), (0xF0, 0xE0, 0x30)]


def pixel(x, y):
    return QUADRANTS[(x >= WIDTH // 2) + 2 * (y >= HEIGHT // 2)]


def bitmap():
    stride = (WIDTH * 3 + 3) & ~3
    bits = bytearray()
    for y in reversed(range(HEIGHT)):
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        bits += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(bits), 0, 0, 14 + 40)
    return header + info + bytes(bits)


out = sys.argv[1]
with open(os.path.join(out, "quadrants.bmp"), "wb") as f:
    f.write(bitmap())
with open(os.path.join(out, "runtime_splash.bin"), "wb") as f:
    f.write(b"GIF89a-test-image-bytes")
