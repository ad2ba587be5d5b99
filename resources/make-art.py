#!/usr/bin/env python3
"""Draws the program's icon and the main window's picture.

Writes Tolvane.ico (32 x 32 and 16 x 16, 16 colours each) and Image1.bmp
(65 x 42, 24 bits) beside this script. The outputs are committed, so a build
never runs this; run it again only after changing the drawing.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, NAVY, GREY, YELLOW, WHITE = 0, 1, 4, 8, 11, 15
TRANSPARENT = None


def icon_pixels(size):
    """A navy tile with rounded corners carrying a yellow "T" with a shadow."""
    s = size / 32.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            corner = 3 * s
            dx = max(corner - x, x - (size - 1 - corner), 0)
            dy = max(corner - y, y - (size - 1 - corner), 0)
            if dx * dx + dy * dy > corner * corner + 0.5:
                row.append(TRANSPARENT)
                continue
            edge = x == 0 or y == 0 or x == size - 1 or y == size - 1 or dx * dx + dy * dy > (corner - 1) ** 2
            row.append(BLACK if edge else NAVY)
        rows.append(row)

    def letter_t(ox, oy):
        bar = [(x, y) for y in range(round(6 * s), round(11 * s)) for x in range(round(5 * s), round(27 * s))]
        stem = [(x, y) for y in range(round(11 * s), round(27 * s)) for x in range(round(13 * s), round(19 * s))]
        return [(x + ox, y + oy) for x, y in bar + stem]

    shadow = max(1, round(2 * s))
    for x, y in letter_t(shadow, shadow):
        if 0 <= x < size and 0 <= y < size and rows[y][x] is not TRANSPARENT:
            rows[y][x] = DARK_RED
    for x, y in letter_t(0, 0):
        rows[y][x] = YELLOW
    return rows


def icon_image(size):
    """One icon entry: header, palette, 4-bit colour rows and 1-bit mask rows, bottom up."""
    pixels = icon_pixels(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    colour = b""
    mask = b""
    for row in reversed(pixels):
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour += packed.ljust(colour_stride, b"\0")
        bits = 0
        for i, p in enumerate(row):
            if p is TRANSPARENT:
                bits |= 1 << (mask_stride * 8 - 1 - i)
        mask += bits.to_bytes(mask_stride, "big")
    return header + palette + colour + mask


def write_icon(path, sizes):
    images = [icon_image(size) for size in sizes]
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


def picture_pixels(width, height):
    """A dusk gradient with a low hill and a stack of "T" shapes standing on it."""
    rows = []
    for y in range(height):
        t = y / (height - 1)
        sky = (int(20 + 60 * t), int(30 + 70 * t), int(90 + 90 * t))
        row = []
        for x in range(width):
            hill = height - 10 + int(4 * ((x - width / 2) / (width / 2)) ** 2)
            if y >= hill:
                row.append((40, 60, 30) if (x + y) % 7 else (60, 85, 45))
            else:
                row.append(sky)
        rows.append(row)
    for cx, top, scale in ((18, 12, 1), (42, 6, 2)):
        for y in range(top, top + 3 * scale):
            for x in range(cx - 6 * scale, cx + 6 * scale):
                rows[y][x] = (230, 200, 80)
        for y in range(top + 3 * scale, height - 10):
            for x in range(cx - 2 * scale, cx + 2 * scale):
                rows[y][x] = (200, 170, 60) if x < cx else (150, 120, 40)
    return rows


def write_bitmap(path, width, height):
    stride = ((width * 3 + 3) // 4) * 4
    body = b""
    for row in reversed(picture_pixels(width, height)):
        body += b"".join(struct.pack("BBB", b, g, r) for r, g, b in row).ljust(stride, b"\0")
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 3780, 3780, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + body)


if __name__ == "__main__":
    write_icon(os.path.join(HERE, "Tolvane.ico"), [32, 16])
    write_bitmap(os.path.join(HERE, "Image1.bmp"), 65, 42)
