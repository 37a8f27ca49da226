#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the ROM Glyphon icon: a 16 by 16 pixel-art tile holding a "G" in four shades of
green, as a 2-bit handheld tile would show it. Writes PNGs at the hicolor theme's sizes 16, 32,
48, 64, 128 and 256 (whole multiples of the tile, scaled without smoothing so every size stays
crisp) and an SVG of the same pixels into src/app/icons/. Needs only the standard library."""
import os
import struct
import zlib

# '.' transparent; '1' to '4' darkest to lightest.
PIXELS = [
    "..111111111111..",
    ".14444444444441.",
    "1444444444444441",
    "1444411111114441",
    "1444112222221441",
    "1441124444444441",
    "1441244444444441",
    "1441244411111441",
    "1441244412221441",
    "1441244444421441",
    "1441124444421441",
    "1444112222211441",
    "1444411111114441",
    "1444444444444441",
    ".13333333333331.",
    "..111111111111..",
]
SHADES = {"1": (15, 56, 15), "2": (48, 98, 48), "3": (139, 172, 15), "4": (155, 188, 15)}
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "src", "app", "icons")
SIZES = [16, 32, 48, 64, 128, 256]


def png(scale):
    size = 16 * scale
    rows = []
    for line in PIXELS:
        row = bytearray([0])  # filter type 0 for the row
        for ch in line:
            rgba = SHADES[ch] + (255,) if ch in SHADES else (0, 0, 0, 0)
            row += bytes(rgba) * scale
        rows += [bytes(row)] * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) +
            chunk(b"IEND", b""))


def svg():
    rects = []
    for y, line in enumerate(PIXELS):
        for x, ch in enumerate(line):
            if ch in SHADES:
                rects.append('<rect x="%d" y="%d" width="1" height="1" fill="#%02x%02x%02x"/>' % ((x, y) + SHADES[ch]))
    return ('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16" width="256" height="256" '
            'shape-rendering="crispEdges">\n' + "\n".join(rects) + "\n</svg>\n")


if __name__ == "__main__":
    for size in SIZES:
        with open(os.path.join(OUT, "rom-glyphon-%d.png" % size), "wb") as f:
            f.write(png(size // 16))
    with open(os.path.join(OUT, "rom-glyphon.svg"), "w") as f:
        f.write(svg())
