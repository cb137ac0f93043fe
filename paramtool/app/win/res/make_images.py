#!/usr/bin/env python3
"""Draws OrvexSet's pictures, the same bytes on every run:

  channels.bmp  the channel list's 120 images of 16 x 16 pixels side by side: channels 1 to 60
                without a board (grey port), then channels 1 to 60 with a board (green port);
                white is the list's mask colour.
  OrvexSet.ico  the program's icon, 32 x 32 and 16 x 16: an adapter box with setting sliders.

usage: make_images.py OUTPUT_FOLDER
"""
import os
import struct
import sys

# 3 x 5 pixel digits, one string of 15 cells per digit, row by row.
DIGITS = [
    "111101101101111", "010110010010111", "111001111100111", "111001111001111", "101101111001001",
    "111100111001111", "111100111101111", "111001001010010", "111101111101111", "111101111001111",
]

WHITE = (255, 255, 255)


def channel_image(number, board):
    frame = (0, 96, 0) if board else (112, 112, 112)
    fill = (136, 208, 136) if board else (232, 232, 232)
    ink = (0, 0, 0) if board else (64, 64, 64)
    px = [[WHITE] * 16 for _ in range(16)]
    # A port with cut corners from (1, 2) to (14, 13).
    for y in range(2, 14):
        for x in range(1, 15):
            corner = (x in (1, 14)) and (y in (2, 13))
            if corner:
                continue
            edge = x in (1, 14) or y in (2, 13)
            px[y][x] = frame if edge else fill
    # Two digits, centred.
    text = "%02d" % number
    for i, ch in enumerate(text):
        cells = DIGITS[int(ch)]
        for r in range(5):
            for c in range(3):
                if cells[r * 3 + c] == "1":
                    px[5 + r][4 + i * 5 + c] = ink
    if board:  # a lit lamp in the corner
        px[4][12] = (255, 192, 0)
        px[4][11] = (255, 192, 0)
    return px


def write_bmp(path, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_pixels(size):
    """RGBA rows: a blue box with rounded corners and three sliders."""
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    body = (30, 80, 170, 255)
    rim = (10, 40, 110, 255)
    track = (235, 240, 250, 255)
    knob = (255, 200, 40, 255)
    left, top, right, bottom = round(2 * s), round(3 * s), size - round(2 * s) - 1, size - round(3 * s) - 1
    radius = max(1, round(4 * s))
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            dx = max(left + radius - x, 0, x - (right - radius))
            dy = max(top + radius - y, 0, y - (bottom - radius))
            if dx * dx + dy * dy > radius * radius:
                continue
            inner_dx = max(left + radius - x + 1, 0, x - (right - radius) + 1)
            inner_dy = max(top + radius - y + 1, 0, y - (bottom - radius) + 1)
            on_rim = x in (left, right) or y in (top, bottom) or inner_dx * inner_dx + inner_dy * inner_dy > radius * radius
            px[y][x] = rim if on_rim else body
    for i, knob_at in enumerate((0.30, 0.65, 0.45)):
        y = round((9 + i * 7) * s)
        x0, x1 = round(7 * s), size - round(7 * s) - 1
        for x in range(x0, x1 + 1):
            px[y][x] = track
            if size >= 32:
                px[y + 1][x] = track
        kx = x0 + round((x1 - x0) * knob_at)
        half = max(1, round(2 * s))
        for yy in range(y - half, y + half + (2 if size >= 32 else 1)):
            for xx in range(kx - half, kx + half + 1):
                if 0 <= yy < size:
                    px[yy][xx] = knob
    return px


def write_ico(path, sizes):
    images = []
    for size in sizes:
        px = icon_pixels(size)
        xor = bytearray()
        for row in reversed(px):
            for (r, g, b, a) in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(px):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((size, info + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    strip = [[] for _ in range(16)]
    for board in (False, True):
        for number in range(1, 61):
            image = channel_image(number, board)
            for y in range(16):
                strip[y].extend(image[y])
    write_bmp(os.path.join(folder, "channels.bmp"), strip)
    write_ico(os.path.join(folder, "OrvexSet.ico"), (32, 16))


if __name__ == "__main__":
    main()
