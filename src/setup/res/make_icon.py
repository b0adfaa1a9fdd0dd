#!/usr/bin/env python3
"""Writes setup.ico: a 32 x 32 and a 16 x 16 image, 16 colours each (a package with an arrow).

Run from this folder: python3 make_icon.py
"""
import struct

# The standard 16-colour palette, as B, G, R, 0.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # listed as R, G, B
BLACK, DARK_YELLOW, GREY, YELLOW, WHITE, DARK_BLUE, BLUE, GREEN, DARK_GREEN = 0, 3, 8, 11, 15, 4, 12, 10, 2


def draw(size):
    """Returns rows (top first) of palette indices, None for transparent."""
    s = size / 32.0
    img = [[None] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                img[y][x] = c

    # The package: a box with a lid and outline.
    rect(4, 14, 28, 30, BLACK)
    rect(5, 15, 27, 29, DARK_YELLOW)
    rect(5, 15, 27, 18, YELLOW)
    rect(15, 15, 17, 29, BLACK)
    # The arrow into the box.
    rect(13, 2, 19, 12, BLACK)
    rect(14, 2, 18, 12, GREEN)
    for i in range(0, 6):
        rect(9 + i, 10 + i, 23 - i, 11 + i, BLACK)
        rect(10 + i, 10 + i, 22 - i, 11 + i, GREEN if i < 5 else BLACK)
    return img


def image(size):
    img = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = b""
    mask = b""
    for row in reversed(img):  # bottom-up
        bits = bytearray(xor_stride)
        mbits = bytearray(and_stride)
        for x, c in enumerate(row):
            v = 0 if c is None else c
            bits[x // 2] |= v << (4 if x % 2 == 0 else 0)
            if c is None:
                mbits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(bits)
        mask += bytes(mbits)
    return header + palette + xor + mask


def main():
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open("setup.ico", "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
