#!/usr/bin/env python3
"""Draws the program icon and writes rlq-16.png, rlq-32.png and rlq.ico beside this script.

The picture (a unit with a downward arrow, on a rounded blue tile) uses only colours of the
standard 16-colour palette, so the 16-colour, 256-colour and 24-bit images of the .ico show
the same picture. Run it again after changing the drawing; the outputs are committed.
"""
import os
import struct
import zlib

# The standard 16-colour palette (VGA order).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
TRANSPARENT = None
NAVY, BLUE, WHITE, SILVER, GREY, GREEN, LIME, BLACK = 4, 12, 15, 7, 8, 2, 10, 0


def pixel(x, y, size):
    """Palette index at pixel (x, y) of a size × size icon, or TRANSPARENT."""
    s = size / 32.0
    u, v = (x + 0.5) / s, (y + 0.5) / s  # coordinates on the 32-unit design grid
    # Rounded tile with a one-unit dark rim.
    r = 5.0
    cx, cy = min(max(u, r), 32 - r), min(max(v, r), 32 - r)
    d = ((u - cx) ** 2 + (v - cy) ** 2) ** 0.5
    if d > r:
        return TRANSPARENT
    if d > r - 1.2 * max(1.0, 1 / s):
        return NAVY
    # The unit: a light box in the lower part with a status light.
    if 6 <= u < 26 and 19 <= v < 27:
        if u < 7.5 or u >= 24.5 or v < 20.5 or v >= 25.5:
            return GREY
        if 20 <= u < 23 and 22 <= v < 24:
            return LIME
        return SILVER
    # The arrow into the unit.
    if 13 <= u < 19 and 4 <= v < 12:
        return WHITE
    if 8 <= u < 24 and 12 <= v < 18 and abs(u - 16) <= (18 - v) * 8 / 6:
        return WHITE
    return BLUE


def draw(size):
    return [[pixel(x, y, size) for x in range(size)] for y in range(size)]


def png(image):
    size = len(image)
    raw = b""
    for row in image:
        raw += b"\0" + b"".join(
            bytes(PALETTE16[i] + (255,)) if i is not None else b"\0\0\0\0" for i in row)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def padded(row_bytes):
    return row_bytes + b"\0" * ((-len(row_bytes)) % 4)


def dib(image, bits):
    """One .ico image: BITMAPINFOHEADER, palette, XOR bitmap and AND mask, rows bottom-up."""
    size = len(image)
    colours = {4: 16, 8: 256, 24: 0}[bits]
    palette = b""
    if colours:
        entries = PALETTE16 + [(0, 0, 0)] * (colours - 16)
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in entries)
    xor = b""
    mask = b""
    for row in reversed(image):
        indices = [0 if i is None else i for i in row]
        if bits == 4:
            line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        elif bits == 8:
            line = bytes(indices)
        else:
            line = b"".join(bytes(PALETTE16[i][::-1]) for i in indices)
        xor += padded(line)
        bitsrow = 0
        for i in row:
            bitsrow = (bitsrow << 1) | (1 if i is None else 0)
        mask += padded(bitsrow.to_bytes(size // 8, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(mask),
                         0, 0, colours, 0)
    return header + palette + xor + mask


def ico(images):
    entries = []
    for size in (32, 16):
        for bits in (4, 8, 24):
            entries.append((size, bits, dib(images[size], bits)))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    data = b""
    for size, bits, blob in entries:
        colour_count = 16 if bits == 4 else 0
        directory += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(blob),
                                 offset + len(data))
        data += blob
    return directory + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    images = {size: draw(size) for size in (16, 32)}
    for size in (16, 32):
        with open(os.path.join(here, "rlq-%d.png" % size), "wb") as out:
            out.write(png(images[size]))
    with open(os.path.join(here, "rlq.ico"), "wb") as out:
        out.write(ico(images))


if __name__ == "__main__":
    main()
