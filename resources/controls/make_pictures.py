#!/usr/bin/env python3
"""Draws the header panel's pictures (gradients, stripes, textures) as small RGBA PNG files.

Run from this folder; the PNGs are committed, so the build does not need Python.
"""
import math
import struct
import zlib


def png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            r, g, b, a = (max(0, min(255, int(round(v)))) for v in pixel(x, y))
            rows += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        f.write(chunk(b"IEND", b""))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def style(path, top, bottom):
    # A vertical gradient; the panel fills above it with the top-left colour.
    png(path, 8, 64, lambda x, y: mix(top, bottom, y / 63) + (255,))


style("header_bkgnd_2.png", (120, 170, 225), (200, 225, 250))  # light blue
style("header_bkgnd_3.png", (20, 45, 110), (60, 105, 175))  # dark blue
style("header_bkgnd_4.png", (95, 120, 105), (190, 205, 190))  # silver green

W, H = 240, 64
backgrounds = {
    1: lambda x, y: 70 if ((x + y) // 6) % 2 == 0 else 0,  # diagonal stripes
    2: lambda x, y: 60 if ((x - y) // 10) % 3 == 0 else 0,  # wide stripes the other way
    3: lambda x, y: 80 if y % 4 == 0 else 0,  # thin lines
    4: lambda x, y: 90 if abs(math.hypot(x, y + 40) % 24 - 12) < 1.5 else 0,  # arcs
    5: lambda x, y: 80 if abs(y - 32 - 10 * math.sin(x / 18.0)) % 12 < 1.5 else 0,  # waves
}
for n, alpha in backgrounds.items():
    # Fades out towards the right so the picture blends into the panel.
    png("header_background_%d.png" % n, W, H, lambda x, y, a=alpha: (255, 255, 255, a(x, y) * (1 - x / W)))


def texture(name, size, alpha, colour=(255, 255, 255)):
    png("header_texture_%s.png" % name, size, size, lambda x, y: colour + (alpha(x, y),))


texture("geometric", 16, lambda x, y: 40 if (x + y) % 16 < 2 or (x - y) % 16 < 2 else 0)
texture("grain", 16, lambda x, y: ((x * 7919 + y * 104729) % 97) % 24, (0, 0, 0))
texture("grid", 16, lambda x, y: 45 if x % 8 == 0 or y % 8 == 0 else 0)
texture("grid1", 16, lambda x, y: 45 if x % 16 == 0 or y % 16 == 0 else 0)
texture("grid2", 16, lambda x, y: 30 if x % 4 == 0 or y % 4 == 0 else 0)
texture("lines", 16, lambda x, y: 40 if y % 3 == 0 else 0)
texture("stripes", 16, lambda x, y: 35 if (x + y) % 8 < 3 else 0)
texture("paper", 16, lambda x, y: 10 + ((x * 31 + y * 17) % 13), (250, 245, 230))
texture("square", 16, lambda x, y: 40 if 3 <= x <= 12 and y in (3, 12) or 3 <= y <= 12 and x in (3, 12) else 0)
texture("dot", 8, lambda x, y: 60 if (x, y) in ((2, 2), (6, 6)) else 0)
texture("metal", 16, lambda x, y: 20 + 15 * math.sin(y * 1.3 + x * 0.1), (200, 205, 215))

# A soft shadow along the bottom edge.
png("shadow_divider_1.png", 64, 6, lambda x, y: (0, 0, 0, 90 * (y + 1) / 6))
