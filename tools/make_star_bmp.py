#!/usr/bin/env python3
"""Writes the five-pointed star stencil of the starter library as a 24-bit BMP.

Dark pixels paint and white pixels leave the image alone when a program draws
through the stencil, so the star is black on white with a soft edge.
"""
import math
import struct
import sys

SIZE = 33


def inside_star(px, py):
    # A point is inside when its radius is below the star's outline at its angle.
    angle = math.atan2(py, px) + math.pi / 2
    sector = (angle % (2 * math.pi / 5)) / (2 * math.pi / 5)
    outline = 0.4 + 0.6 * abs(1 - 2 * sector)
    return math.hypot(px, py) / (SIZE / 2 - 1) < outline


def coverage(x, y):
    hits = 0
    for sy in range(4):
        for sx in range(4):
            px = x + (sx + 0.5) / 4 - SIZE / 2
            py = y + (sy + 0.5) / 4 - SIZE / 2
            hits += inside_star(px, py)
    return hits / 16


def main(path):
    row_bytes = (SIZE * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(SIZE):
            value = round(255 * (1 - coverage(x, y)))
            row += bytes((value, value, value))
        pixels += row + bytes(row_bytes - len(row))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(header + info + pixels)


if __name__ == '__main__':
    main(sys.argv[1])
