#!/usr/bin/env python3
"""Writes the small test pictures byte by byte, so their pixels are known.

Run from this folder: python3 make_images.py
"""
import struct

# 3 x 2, top row first, as RGBA.
TOP = [(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 255)]
BOTTOM = [(255, 255, 255, 255), (0, 0, 0, 0), (128, 64, 32, 200)]


def tga_header(image_type, width, height, bits, descriptor):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, bits, descriptor)


def write_uncompressed_tga(path):
    # Type 2, 32 bits BGRA, rows stored bottom first (origin bit clear).
    data = tga_header(2, 3, 2, 32, 0x08)
    for row in (BOTTOM, TOP):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    open(path, "wb").write(data)


def write_rle_tga(path):
    # Type 10, 24 bits BGR, top row first (origin bit set), 4 x 2:
    # row 0: red red red green, row 1: blue x 4.
    data = tga_header(10, 4, 2, 24, 0x20)
    data += bytes((0x80 | 2, 0, 0, 255))  # run of 3 red
    data += bytes((0x00, 0, 255, 0))  # 1 raw: green
    data += bytes((0x80 | 3, 255, 0, 0))  # run of 4 blue
    open(path, "wb").write(data)


def write_bmp(path):
    # 24 bits, no compression, rows bottom first, each padded to 4 bytes.
    width, height = 3, 2
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in (BOTTOM, TOP):
        line = b"".join(bytes((b, g, r)) for r, g, b, _ in row)
        pixels += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    open(path, "wb").write(header + info + pixels)


def write_duck_stand_in(path):
    # 64 x 64, 24 bits: yellow and orange 8 x 8 checks with a dark diagonal,
    # easy to tell apart on the model and from the magenta missing-texture checks.
    side = 64
    data = tga_header(2, side, side, 24, 0x20)
    for y in range(side):
        for x in range(side):
            if abs(x - y) <= 1:
                r, g, b = 40, 30, 20
            elif ((x // 8) + (y // 8)) % 2 == 0:
                r, g, b = 255, 210, 0
            else:
                r, g, b = 240, 120, 0
            data += bytes((b, g, r))
    open(path, "wb").write(data)


if __name__ == "__main__":
    write_uncompressed_tga("rgba_3x2.tga")
    write_rle_tga("rle_4x2.tga")
    write_bmp("rgb_3x2.bmp")
    write_duck_stand_in("../collada/duckCM.tga")
