#!/usr/bin/env python3
"""Writes the main window's pictures: tip.ico (a light bulb beside the status text),
install.ico (a box with an arrow going in) and uninstall.ico (a box with an arrow coming
out), each 32 x 32 in 16 colours.

Run from this folder: python3 make_form_icons.py
"""
import struct

# The standard 16-colour palette, listed as R, G, B.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, DARK_YELLOW = 0, 1, 2, 3
SILVER, GREY, RED, GREEN, YELLOW, WHITE = 7, 8, 9, 10, 11, 15


class Canvas:
    def __init__(self, size=32):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.size, y1)):
            for x in range(max(0, x0), min(self.size, x1)):
                self.px[y][x] = c

    def disc(self, cx, cy, r, c):
        for y in range(self.size):
            for x in range(self.size):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.px[y][x] = c


def box(c):
    c.rect(4, 16, 28, 30, BLACK)
    c.rect(5, 17, 27, 29, DARK_YELLOW)
    c.rect(5, 17, 27, 20, YELLOW)
    c.rect(15, 17, 17, 29, BLACK)


def arrow(c, down, colour):
    """A vertical arrow between rows 1 and 15, pointing down (into the box) or up."""
    shaft = (2, 10) if down else (7, 15)
    c.rect(13, shaft[0], 19, shaft[1], BLACK)
    c.rect(14, shaft[0] + (0 if down else 1), 18, shaft[1] - (1 if not down else 0), colour)
    for i in range(6):
        y = (9 + i) if down else (7 - i)
        c.rect(8 + i, y, 24 - i, y + 1, BLACK)
        if i < 5:
            c.rect(9 + i, y, 23 - i, y + 1, colour)


def tip():
    c = Canvas()
    c.disc(16, 12, 10, BLACK)
    c.disc(16, 12, 9, YELLOW)
    c.disc(13, 9, 3, WHITE)
    c.rect(11, 21, 21, 29, BLACK)
    c.rect(12, 21, 20, 28, SILVER)
    c.rect(12, 23, 20, 24, GREY)
    c.rect(12, 25, 20, 26, GREY)
    c.rect(14, 29, 18, 31, BLACK)
    return c


def install():
    c = Canvas()
    box(c)
    arrow(c, True, GREEN)
    return c


def uninstall():
    c = Canvas()
    box(c)
    arrow(c, False, RED)
    return c


def icon_file(canvas):
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = b"", b""
    for row in reversed(canvas.px):  # bottom-up
        bits, mbits = bytearray(xor_stride), bytearray(and_stride)
        for x, c in enumerate(row):
            bits[x // 2] |= (0 if c is None else c) << (4 if x % 2 == 0 else 0)
            if c is None:
                mbits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(bits)
        mask += bytes(mbits)
    data = header + palette + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), 22) + data


def main():
    for name, canvas in (("tip.ico", tip()), ("install.ico", install()), ("uninstall.ico", uninstall())):
        with open(name, "wb") as f:
            f.write(icon_file(canvas))


if __name__ == "__main__":
    main()
