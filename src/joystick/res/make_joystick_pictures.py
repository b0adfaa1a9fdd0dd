#!/usr/bin/env python3
"""Draws the library's own pictures and writes them as Windows resource files:
toolbox.bmp, the 16 x 15 16-colour toolbox bitmap (resource 30000), and joystick.ico,
the "APPICON" group with a 32 x 32 and a 16 x 16 16-colour image, in that order.

Run once after changing a drawing; the outputs are checked in beside this script.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, index order as the system uses it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Letters of the drawings; "." is the background (transparent in the icons).
COLOURS = {"K": 0, "M": 1, "S": 7, "G": 8, "R": 9, "W": 15}
SILVER = 7

# A joystick from the side: ball grip with a highlight, stick, base with a fire button.
JOYSTICK_16 = [
    "................",
    "......KKKK......",
    ".....KRWRRK.....",
    ".....KRRRRK.....",
    ".....KMRRMK.....",
    "......KKKK......",
    ".......KG.......",
    ".......KG.......",
    ".......KG.......",
    "...KKKKKGKKKK...",
    "..KSSSSKGSSSSK..",
    ".KSWWSSSSSSRRSK.",
    ".KSSSSSSSSSRRSK.",
    ".KGGGGGGGGGGGGK.",
    "..KKKKKKKKKKKK..",
    "................",
]

# The large icon refines the same drawing at twice the size.
JOYSTICK_32 = [
    "................................",
    "................................",
    ".............KKKKKK.............",
    "...........KKRRRRRRKK...........",
    "..........KRRWWRRRRRRK..........",
    "..........KRWWRRRRRRRK..........",
    ".........KRRWRRRRRRRRRK.........",
    ".........KRRRRRRRRRRRRK.........",
    ".........KRRRRRRRRRRRRK.........",
    ".........KMRRRRRRRRRRMK.........",
    "..........KMRRRRRRRRMK..........",
    "..........KMMRRRRRRMMK..........",
    "...........KKMMMMMMKK...........",
    ".............KKKKKK.............",
    "..............KWGK..............",
    "..............KSGK..............",
    "..............KSGK..............",
    "..............KSGK..............",
    "..............KSGK..............",
    "..............KSGK..............",
    "......KKKKKKKKKSGKKKKKKKKK......",
    "....KKSSSSSSSSKSGKSSSSSSSSKK....",
    "...KSSWWWWSSSSSKKSSSSSSSSSSSK...",
    "..KSWWSSSSSSSSSSSSSSSSSKKKSSSK..",
    "..KSWSSSSSSSSSSSSSSSSSKRRRKSSK..",
    "..KSSSSSSSSSSSSSSSSSSSKRRRKSSK..",
    "..KSSSSSSSSSSSSSSSSSSSSKKKSSSK..",
    "..KGGGGGGGGGGGGGGGGGGGGGGGGGGK..",
    "..KGGGGGGGGGGGGGGGGGGGGGGGGGGK..",
    "...KKGGGGGGGGGGGGGGGGGGGGGGKK...",
    ".....KKKKKKKKKKKKKKKKKKKKKK.....",
    "................................",
]


def indices(rows, background):
    for row in rows:
        assert len(row) == len(rows[0]), row
    return [[background if ch == "." else COLOURS[ch] for ch in row] for row in rows]


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pack_4bpp(px):
    """Rows bottom-up, two pixels per byte, each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(px):
        line = bytearray()
        for x in range(0, len(row), 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < len(row) else 0
            line.append(hi << 4 | lo)
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def pack_mask(rows):
    """The AND mask of an icon: 1 where the background shows through."""
    out = bytearray()
    for row in reversed(rows):
        bits = [1 if ch == "." else 0 for ch in row]
        line = bytearray()
        for x in range(0, len(bits), 8):
            byte = 0
            for b in bits[x:x + 8]:
                byte = byte << 1 | b
            line.append(byte << (8 - len(bits[x:x + 8])))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def info_header(w, h, size_image):
    # BITMAPINFOHEADER: 4 bits per pixel, uncompressed, 16 palette entries.
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, size_image, 0, 0, 16, 16)


def bitmap_file(rows):
    px = indices(rows, SILVER)
    bits = pack_4bpp(px)
    body = info_header(len(px[0]), len(px), len(bits)) + palette_bytes() + bits
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + 64) + body


def icon_image(rows):
    px = indices(rows, 0)
    xor = pack_4bpp(px)
    mask = pack_mask(rows)
    # An icon's header counts the XOR and AND bitmaps together: twice the height.
    return info_header(len(px[0]), 2 * len(px), len(xor) + len(mask)) + palette_bytes() + xor + mask


def icon_file(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for rows in images:
        img = icon_image(rows)
        w, h = len(rows[0]), len(rows)
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 16, 0, 1, 4, len(img), offset + len(data))
        data += img
    return header + entries + data


def main():
    with open(os.path.join(HERE, "toolbox.bmp"), "wb") as f:
        # The toolbox picture is 16 x 15: the small drawing without its empty top row.
        f.write(bitmap_file(JOYSTICK_16[1:]))
    with open(os.path.join(HERE, "joystick.ico"), "wb") as f:
        f.write(icon_file([JOYSTICK_32, JOYSTICK_16]))


if __name__ == "__main__":
    main()
