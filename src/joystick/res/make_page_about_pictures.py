#!/usr/bin/env python3
"""Draws the pictures of the property page and the About box and writes them as Windows
resource data: 16-colour bitmaps, a 16-colour icon and a monochrome cursor.

The icon and the cursor are written as the raw resources a resource script lists by type
(RT_ICON 3 with RT_GROUP_ICON 14, RT_CURSOR 1 with RT_GROUP_CURSOR 12), so that the image
identifiers are ours: the resource compiler numbers the images of .ico and .cur files from 1 in
every script, and the library links several scripts.

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
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                    self.set(x, y, c)

    def outline(self, inside, c):
        """Draws colour c on every pixel outside the shape that touches it."""
        edge = []
        for y in range(self.h):
            for x in range(self.w):
                if inside(self.px[y][x]):
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < self.w and 0 <= ny < self.h and inside(self.px[ny][nx]):
                        edge.append((x, y))
                        break
        for x, y in edge:
            self.set(x, y, c)


def gamepad(cv, ox, oy, body, scale=1.0):
    """A digital game pad seen from above: a rounded body, a direction pad and four buttons."""
    s = scale
    cv.ellipse(ox + 9 * s, oy + 12 * s, 9 * s, 8 * s, body)
    cv.ellipse(ox + 31 * s, oy + 12 * s, 9 * s, 8 * s, body)
    cv.rect(int(ox + 9 * s), int(oy + 5 * s), int(ox + 31 * s), int(oy + 18 * s), body)
    cv.outline(lambda c: c == body, BLACK)
    # direction pad
    cx, cy = ox + 9 * s, oy + 12 * s
    cv.rect(int(cx - 5 * s), int(cy - 1.5 * s), int(cx + 5 * s), int(cy + 1.5 * s), BLACK)
    cv.rect(int(cx - 1.5 * s), int(cy - 5 * s), int(cx + 1.5 * s), int(cy + 5 * s), BLACK)
    # buttons
    bx, by = ox + 31 * s, oy + 12 * s
    for dx, dy, c in ((0, -4, YELLOW), (4, 0, RED), (0, 4, BLUE), (-4, 0, LIME)):
        cv.ellipse(bx + dx * s, by + dy * s, 1.8 * s, 1.8 * s, c)
    # start and select
    cv.rect(int(ox + 17 * s), int(oy + 13 * s), int(ox + 19 * s), int(oy + 14 * s), GREY)
    cv.rect(int(ox + 21 * s), int(oy + 13 * s), int(ox + 23 * s), int(oy + 14 * s), GREY)


def bmp4(cv):
    """A bottom-up 4-bit BMP file."""
    row_bytes = ((cv.w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in range(cv.h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(cv.w):
            c = cv.px[y][x]
            row[x // 2] |= c << 4 if x % 2 == 0 else c
        pixels += row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


def mask_rows(w, h, opaque):
    """A bottom-up 1-bit AND mask: 1 where the pixel is transparent."""
    row_bytes = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if not opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return out


def icon_resources(cv, transparent, image_id):
    """A 16-colour icon image (RT_ICON) and its one-entry directory (RT_GROUP_ICON); pixels of
    colour `transparent` are see-through."""
    row_bytes = ((cv.w * 4 + 31) // 32) * 4
    xor = bytearray()
    for y in range(cv.h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(cv.w):
            c = cv.px[y][x]
            c = BLACK if c == transparent else c
            row[x // 2] |= c << 4 if x % 2 == 0 else c
        xor += row
    andm = mask_rows(cv.w, cv.h, lambda x, y: cv.px[y][x] != transparent)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    image = info + palette + xor + andm
    group = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHIH", cv.w, cv.h, 16, 0, 1, 4, len(image), image_id)
    return image, group


def cursor_resources(art, hotspot, image_id):
    """A monochrome cursor image (RT_CURSOR: hot spot, then the image) and its one-entry
    directory (RT_GROUP_CURSOR), from text art: '.' transparent, 'X' black, 'o' white."""
    h = len(art)
    w = 32
    rows = [line.ljust(w, ".") for line in art]
    row_bytes = ((w + 31) // 32) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if rows[y][x] == "o":
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    andm = mask_rows(w, h, lambda x, y: rows[y][x] != ".")
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    image = struct.pack("<HH", hotspot[0], hotspot[1]) + info + palette + xor + andm
    # The directory gives the height of both masks, as the resource compiler writes it.
    group = struct.pack("<HHH", 0, 2, 1) + struct.pack("<HHHHIH", w, h * 2, 1, 1, len(image), image_id)
    return image, group


# A pointing hand; the tip of the index finger is at (12, 5).
HAND = [
    "",
    "",
    "",
    "",
    "...........XX",
    "..........XooX",
    "..........XooX",
    "..........XooX",
    "..........XooX",
    "..........XooXXX",
    "..........XooXooXXX",
    "..........XooXooXooXX",
    "..........XooXooXooXoX",
    ".......XX.XooooooooXooX",
    ".......XoXXoooooooooooX",
    ".......XooXoooooooooooX",
    "........XoXoooooooooooX",
    "........XooooooooooooX",
    ".........XoooooooooooX",
    ".........XooooooooooX",
    "..........XoooooooooX",
    "..........XoooooooooX",
    "...........XooooooooX",
    "...........XXXXXXXXXX",
] + [""] * 8


def page_title():
    cv = Canvas(48, 48, SILVER)
    cv.rect(2, 2, 45, 45, NAVY)
    cv.rect(3, 3, 44, 44, TEAL)
    gamepad(cv, 4, 12, SILVER)
    return cv


def page_info():
    cv = Canvas(16, 16, FUCHSIA)
    cv.ellipse(7.5, 7.5, 7.2, 7.2, BLUE)
    cv.rect(7, 3, 8, 4, WHITE)
    cv.rect(7, 6, 8, 12, WHITE)
    cv.rect(6, 6, 6, 6, WHITE)
    cv.rect(6, 12, 9, 12, WHITE)
    return cv


def about_title():
    cv = Canvas(48, 48, WHITE)
    for y in range(48):
        for x in range(48):
            if (x + y) % 12 < 6:
                cv.set(x, y, SILVER)
    gamepad(cv, 4, 12, GREY)
    cv.outline(lambda c: c == GREY, BLACK)
    return cv


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    assert all(len(line) <= 32 for line in HAND) and len(HAND) == 32
    assert HAND[5][12] == "o", "hot spot must lie on the finger tip"
    # Image identifiers equal the resource identifiers of property_page/page_form_resources.h
    # and about_box/about_box_resources.h.
    write("page_title.bmp", bmp4(page_title()))
    image, group = icon_resources(page_info(), FUCHSIA, 2001)
    write("page_info.icon.bin", image)
    write("page_info.icongroup.bin", group)
    write("about_title.bmp", bmp4(about_title()))
    image, group = cursor_resources(HAND, (12, 5), 2101)
    write("about_hand.cursor.bin", image)
    write("about_hand.cursorgroup.bin", group)
