#!/usr/bin/env python3
"""Draws Penvo's icon, app/windows/penvo.ico: a red pen stroke over a blue screen, at 32x32 and
16x16 pixels, 32-bit BMP images in one ICO file. Only the standard library is needed.

Usage: scripts/make-icon.py [OUTPUT]"""
import math
import struct
import sys
from pathlib import Path


def draw(size):
    """Rows of (b, g, r, a) pixels, top row first."""
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            fx, fy = (x + 0.5) / s, (y + 0.5) / s
            if 2 <= fx < 30 and 4 <= fy < 24:  # the monitor: dark frame, blue screen
                inner = 4 <= fx < 28 and 6 <= fy < 22
                px[y][x] = (200, 120, 40, 255) if inner else (60, 60, 60, 255)
            elif 13 <= fx < 19 and 24 <= fy < 27:  # the stand
                px[y][x] = (60, 60, 60, 255)
            elif 9 <= fx < 23 and 27 <= fy < 29:
                px[y][x] = (60, 60, 60, 255)
    # The stroke: a wave across the screen, in red.
    width = max(1.2, 2.2 * s)
    for y in range(size):
        for x in range(size):
            fx, fy = (x + 0.5) / s, (y + 0.5) / s
            if not (4 <= fx < 28 and 6 <= fy < 22):
                continue
            wave = 14 + 4.5 * math.sin((fx - 4) / 24 * 2 * math.pi)
            if abs(fy - wave) * s < width / 2:
                px[y][x] = (30, 30, 230, 255)
    return px


def bmp_entry(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(c for p in row for c in p) for row in reversed(rows))  # bottom-up
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        line = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + xor + mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / "app/windows/penvo.ico"
    sizes = [32, 16]
    images = [bmp_entry(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
