#!/usr/bin/env python3
"""Draws Traywake's application icon, res/traywake.ico, in 16 and 32 pixels.

A disc sliding into a drive tray, with a green arrow that says "load".
Run it again after changing the drawing; the build uses the .ico it wrote.
"""
import math
import struct
import sys


def draw(size):
    s = size / 32.0
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def put(x, y, color):
        if 0 <= x < size and 0 <= y < size:
            pixels[y][x] = color

    # The drive: a dark body with a lighter tray slot.
    for y in range(int(20 * s), int(30 * s)):
        for x in range(int(1 * s), size - int(1 * s)):
            put(x, y, (60, 64, 72, 255))
    for x in range(int(4 * s), size - int(4 * s)):
        put(x, int(23 * s), (150, 156, 168, 255))
    # The status light.
    put(size - int(5 * s), int(26 * s), (40, 200, 60, 255))
    # The disc: silver with a rainbow sheen and a hole, half in the tray.
    cx, cy, r = 13 * s, 13 * s, 10.5 * s
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r and y < int(21 * s):
                if d < 2.2 * s:
                    continue
                if d < 3.5 * s:
                    put(x, y, (120, 120, 130, 255))
                    continue
                shade = int(190 + 50 * math.sin((x + y) / (3.0 * s)))
                put(x, y, (shade, min(255, shade + 10), 230, 255))
            elif r < d <= r + 0.9 and y < int(21 * s):
                put(x, y, (90, 90, 100, 255))
    # The arrow, pointing down into the drive.
    ax = int(26 * s)
    for y in range(int(3 * s), int(14 * s)):
        for dx in range(-max(1, int(1 * s)), max(1, int(1 * s)) + 1):
            put(ax + dx, y, (30, 170, 50, 255))
    for i in range(int(5 * s) + 1):
        for dx in range(-i, i + 1):
            put(ax + dx, int(18 * s) - i, (30, 170, 50, 255))
    return pixels


def icon_image(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(struct.pack("BBBB", b, g, r, a)
                   for row in reversed(pixels) for (r, g, b, a) in row)
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def main(path):
    images = [icon_image(draw(size)) for size in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as file:
        file.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/traywake.ico")
