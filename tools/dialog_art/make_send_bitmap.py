#!/usr/bin/env python3
"""Writes the send progress window's picture EL_Send: a 32 x 32 pixel,
24-bit Windows bitmap of a sealed envelope with a green arrow leaving it, on
the grey of the window's face, edges smoothed. Drawn here, so the build needs
no art.

    make_send_bitmap.py <output.bmp>
"""
import struct
import sys

SIZE = 32
FACE = (240, 240, 240)
PAPER = (250, 246, 228)
EDGE = (120, 104, 64)
GREEN = (30, 150, 60)


def inside_envelope(x, y):
    return 3.0 <= x <= 25.0 and 9.0 <= y <= 25.0


def on_flap(x, y):
    # The two fold lines from the top corners down to the envelope's middle.
    for corner_x in (3.0, 25.0):
        t = (y - 9.0) / 8.0
        if 0.0 <= t <= 1.0:
            line_x = corner_x + (14.0 - corner_x) * t
            if abs(x - line_x) < 0.8:
                return True
    return False


def on_arrow(x, y):
    # A shaft from the envelope's right side to the top-right corner and a
    # head pointing up and right.
    shaft = abs((x - 18.0) - (21.0 - y)) < 1.6 and 18.0 <= x <= 28.0
    head = 23.0 <= x <= 30.5 and 1.5 <= y <= 9.0 and (x - 23.0) + (9.0 - y) >= 7.0
    return shaft or head


def sample(x, y):
    if on_arrow(x, y):
        return GREEN
    if inside_envelope(x, y):
        border = min(x - 3.0, 25.0 - x, y - 9.0, 25.0 - y) < 0.9
        return EDGE if border or on_flap(x, y) else PAPER
    return FACE


def pixel(x, y):
    # Four samples per pixel smooth the edges.
    total = [0.0, 0.0, 0.0]
    for sx in (0.25, 0.75):
        for sy in (0.25, 0.75):
            for i, value in enumerate(sample(x + sx, y + sy)):
                total[i] += value / 4
    return tuple(round(v) for v in total)


def write_bitmap(path, size, colour_at):
    row_size = (size * 3 + 3) & ~3
    image = bytearray()
    for y in reversed(range(size)):  # rows are stored bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        image += row + b"\0" * (row_size - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0,
                              14 + len(info))
    with open(path, "wb") as out:
        out.write(file_header + info + bytes(image))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    write_bitmap(sys.argv[1], SIZE, pixel)


if __name__ == "__main__":
    main()
