#!/usr/bin/env python3
"""Writes the binary seed inputs of the fuzz targets into tests/fuzz/seeds (run from anywhere;
needs the host `tessel` to build the executables). The seeds are committed; this script says
what they are and makes them again after a format change. The seeds of the launcher's text
parsers (command_line, entry_point_options, expansion, location_file, versions, vm_options)
are written by hand; the first byte of most picks a buffer size, NUL bytes separate parts
(each target's opening comment says which).
Usage: make_seeds.py PATH/TO/tessel"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

here = os.path.dirname(os.path.abspath(__file__))
seeds = os.path.join(here, "seeds")


def put(target, name, data):
    os.makedirs(os.path.join(seeds, target), exist_ok=True)
    with open(os.path.join(seeds, target, name), "wb") as f:
        f.write(data)


def template():
    """A minimal PE32+ image: two sections, room for more headers, raw data to the end."""
    img = bytearray(0x800)
    img[0:2] = b"MZ"
    struct.pack_into("<I", img, 60, 0x80)
    img[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", img, 0x84, 0x8664, 2, 0, 0, 0, 240, 0x22)
    opt = 0x98
    struct.pack_into("<H", img, opt, 0x20B)
    struct.pack_into("<I", img, opt + 16, 0x1000)         # entry point
    struct.pack_into("<Q", img, opt + 24, 0x140000000)    # image base
    struct.pack_into("<II", img, opt + 32, 0x1000, 0x200) # section and file alignment
    struct.pack_into("<I", img, opt + 56, 0x3000)         # size of image
    struct.pack_into("<I", img, opt + 60, 0x400)          # size of headers
    struct.pack_into("<H", img, opt + 68, 2)              # GUI subsystem
    struct.pack_into("<I", img, opt + 108, 16)            # data directories
    table = opt + 240
    for i, (name, rva, raw) in enumerate([(b".text", 0x1000, 0x400), (b".data", 0x2000, 0x600)]):
        h = table + 40 * i
        img[h:h + 8] = name.ljust(8, b"\0")
        struct.pack_into("<IIII", img, h + 8, 0x200, rva, 0x200, raw)
        struct.pack_into("<I", img, h + 36, 0x60000020 if i == 0 else 0xC0000040)
    img[0x400] = 0xC3
    return bytes(img)


def icon_image(size, bits):
    stride = ((size * bits + 31) // 32) * 4
    mask = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    palette = b"\0\0\0\0\xff\xff\xff\0" if bits == 1 else b""
    return header + palette + bytes(stride * size) + bytes(mask * size)


def ico(sizes):
    images = [icon_image(s, b) for s, b in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (s, b), data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 2 if b == 1 else 0, 0, 1, b, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def bmp(width, height, bits, header=40):
    stride = ((width * bits + 31) // 32) * 4
    palette = bytes(4 * (1 << bits)) if bits <= 8 else b""
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, abs(height), 1, bits)
        palette = bytes(3 * (1 << bits)) if bits <= 8 else b""
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, 0, 0, 0, 0, 0, 0)
        info += bytes(header - 40)
    pixels = bytes(stride * abs(height))
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def png(width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(3 * width) for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def gif(width, height):
    return b"GIF89a" + struct.pack("<HH", width, height) + b"\0\0\0;"


def main():
    tool = sys.argv[1]
    put("ico", "two_images.ico", ico([(16, 32), (32, 4)]))
    put("ico", "one_bit.ico", ico([(8, 1)]))
    put("bmp", "rgb24.bmp", bmp(3, 2, 24))
    put("bmp", "top_down8.bmp", bmp(4, -3, 8))
    put("bmp", "core12.bmp", bmp(2, 2, 1, header=12))
    put("bmp", "v5_32.bmp", bmp(2, 1, 32, header=124))
    put("image_size", "small.png", png(3, 2))
    put("image_size", "small.gif", gif(5, 4))
    put("image_size", "small.bmp", bmp(2, 2, 24))
    with tempfile.TemporaryDirectory() as work:
        def write(name, data):
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        write("template.exe", template())
        write("app.ico", ico([(16, 32)]))
        write("splash.bmp", bmp(4, 3, 24))
        write("splash.png", png(2, 2))
        write("app.jar", b"PK\3\4 jar bytes")
        write("plain.toml", b'[application]\nname = "plain"\n[java]\nmain_class = "a.Main"\n')
        write("full.toml", open(os.path.join(seeds, "project_file", "full.toml"), "rb").read())
        put("inspect", "template.exe", template())
        put("pe_image", "template.exe", template())
        for project, out in [("plain.toml", "plain.exe"), ("full.toml", "full.exe")]:
            subprocess.run([tool, "build", os.path.join(work, project), "-o", os.path.join(work, out),
                            "--template", os.path.join(work, "template.exe")], check=True,
                           stdout=subprocess.DEVNULL)
            data = open(os.path.join(work, out), "rb").read()
            put("inspect", out, data)
            put("pe_image", out, data)
            put("block_reader", out, data)


main()
