#!/usr/bin/env python3
"""Writes the classic dialog's header picture EL_ERROR: a 32 x 32 pixel,
24-bit Windows bitmap of a red disc with a white cross on the white of the
dialog's header band, edges smoothed. Drawn here, so the build needs no art.

    make_error_bitmap.py <output.bmp>
"""
import math
import struct
import sys

SIZE = 32
WHITE = (255, 255, 255)
RED = (200, 30, 30)
DARK_RED = (140, 10, 10)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def pixel(x, y):
    # Four samples per pixel smooth the disc's rim and the cross's edges.
    colour = [0.0, 0.0, 0.0]
    centre = (SIZE - 1) / 2
    for sx in (0.25, 0.75):
        for sy in (0.25, 0.75):
            px, py = x + sx - 0.5 - centre, y + sy - 0.5 - centre
            r = math.hypot(px, py)
            if r > 14.5:
                c = WHITE
            elif r > 13.0:
                c = DARK_RED
            else:
                # The cross: two bars of half-width 2 along the diagonals.
                d1 = abs(px - py) / math.sqrt(2)
                d2 = abs(px + py) / math.sqrt(2)
                on_bar = (d1 < 2.0 or d2 < 2.0) and max(abs(px), abs(py)) < 7.5
                c = WHITE if on_bar else mix(RED, DARK_RED, max(0.0, (py + r) / 40))
            for i in range(3):
                colour[i] += c[i] / 4
    return tuple(round(v) for v in colour)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    row_size = (SIZE * 3 + 3) & ~3
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    with open(sys.argv[1], "wb") as out:
        out.write(header + info + image)


if __name__ == "__main__":
    main()
