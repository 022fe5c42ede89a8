#!/usr/bin/env python3
"""Draws the application icon: a ring of six species boxes, three of them
red (the species the last generation changed), as PNGs for the freedesktop
icon theme and as a Windows icon file with 32x32 2-colour, 32x32 16-colour and
16x16 16-colour images. Needs only the standard library."""

import math
import struct
import sys
import zlib
from pathlib import Path

BLACK = (0, 0, 0)
RED = (255, 0, 0)
GREY = (128, 128, 128)


def draw(size):
    """Returns rows of RGBA tuples for an icon of size x size pixels."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, rgb):
        for y in range(max(0, y0), min(size, y1)):
            for x in range(max(0, x0), min(size, x1)):
                px[y][x] = rgb + (255,)

    # The threshold line behind the ring, at sizes where it stays distinct.
    if size >= 32:
        thick = max(1, size // 32)
        y = round(size * 0.62)
        fill(round(size * 0.06), y, round(size * 0.94), y + thick, GREY)

    box = 2 * max(2, round(size * 0.11))  # even, so the ring stays symmetric
    radius = (size - box) / 2 - (round(size * 0.04) if size >= 32 else 0)
    centre = (size - box) / 2
    for k in range(6):
        angle = math.pi / 2 + k * math.pi / 3
        x = round(centre + radius * math.cos(angle))
        y = round(centre - radius * math.sin(angle))
        colour = RED if k in (0, 1, 5) else BLACK
        fill(x, y, x + box, y + box, colour)
        inner = max(1, box // 4) if box >= 8 else 0
        if inner and box - 2 * inner * 2 > 0:
            # Hollow boxes at large sizes, like the plot's markers.
            fill(x + inner, y + inner, x + box - inner, y + box - inner, (255, 255, 255))
    return px


def png(px):
    size = len(px)
    raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def nearest(rgb, palette):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, palette[i])))


def dib(px, bits):
    """A BMP image for an icon entry: header, palette, colour rows, AND mask."""
    size = len(px)
    palette = [(0, 0, 0), (255, 255, 255)] if bits == 1 else VGA16
    row_bytes = ((size * bits + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bottom-up
        cbits = 0
        line = bytearray(row_bytes)
        mline = bytearray(mask_bytes)
        for x, (r, g, b, a) in enumerate(row):
            if a < 128:
                index = 0
                mline[x // 8] |= 0x80 >> (x % 8)
            else:
                # Two colours: everything drawn is black.
                index = 0 if bits == 1 else nearest((r, g, b), palette)
            if bits == 1:
                line[x // 8] |= index << (7 - x % 8)
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            cbits += 1
        colour += line
        mask += mline
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(colour) + len(mask), 0, 0,
                         len(palette), 0)
    pal = b"".join(struct.pack("4B", b, g, r, 0) for r, g, b in palette)
    return header + pal + bytes(colour) + bytes(mask), len(palette)


def ico(entries):
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    blobs = []
    for size, bits in entries:
        data, colours = dib(draw(size), bits)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, 1, bits, len(data), offset)
        offset += len(data)
        blobs.append(data)
    return out + b"".join(blobs)


def main():
    here = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        (here / f"quillmar-{size}.png").write_bytes(png(draw(size)))
    (here / "quillmar.ico").write_bytes(ico([(32, 1), (32, 4), (16, 4)]))


if __name__ == "__main__":
    main()
