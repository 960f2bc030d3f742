#!/usr/bin/env python3
"""Draws the program's icon, a white play triangle on a rounded blue square, in the sizes that
Windows asks for at 100 % to 200 % display scale (SM_CXSMICON and SM_CXICON: 16 and 32 at 96 DPI,
20/40 at 120, 24/48 at 144, 32/64 at 192) and writes them as one icon file:

    tools/make_icon.py res/ferrik.ico
"""
import struct
import sys

SIZES = [16, 20, 24, 32, 40, 48, 64]
TOP = (0x28, 0x76, 0xC6)  # RGB at the top of the gradient
BOTTOM = (0x44, 0x52, 0x8F)
SAMPLES = 4  # per axis


def inside_square(x, y, corner):
    """In the unit square with rounded corners of radius `corner`."""
    cx = min(max(x, corner), 1 - corner)
    cy = min(max(y, corner), 1 - corner)
    return (x - cx) ** 2 + (y - cy) ** 2 <= corner * corner


def inside_triangle(x, y):
    """The play triangle: its left edge at 3/8, its tip at 23/32, centred vertically."""
    left, tip, top, bottom = 12 / 32, 23.5 / 32, 10 / 32, 22 / 32
    if x < left or x > tip:
        return False
    half = (bottom - top) / 2 * (tip - x) / (tip - left)
    return abs(y - 0.5) <= half


def draw(size):
    """Rows of (r, g, b, a), top row first."""
    corner = 3.5 / 32
    rows = []
    for row in range(size):
        line = []
        for col in range(size):
            cover = white = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    if inside_square(x, y, corner):
                        cover += 1
                        white += inside_triangle(x, y)
            n = SAMPLES * SAMPLES
            t = (row + 0.5) / size
            blue = [TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3)]
            mix = white / cover if cover else 0
            rgb = [round(b + (255 - b) * mix) for b in blue]
            line.append((*rgb, round(255 * cover / n)))
        rows.append(line)
    return rows


def icon_image(size):
    """A 32-bit icon image: BITMAPINFOHEADER, bottom-up BGRA rows, the AND mask."""
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for line in reversed(rows) for (r, g, b, a) in line)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for line in reversed(rows):
        bits = bytearray(mask_stride)
        for col, (_, _, _, a) in enumerate(line):
            if a == 0:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main(path):
    images = [icon_image(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/ferrik.ico")
