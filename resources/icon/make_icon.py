#!/usr/bin/env python3
"""Draws the program's icon, vantrel.ico: a blue rounded tile with a "V" whose rising right arm is
green, at 16, 32 and 48 pixels (32-bit bitmaps) and 256 pixels (PNG). Each size is drawn on its own
grid, with 4 x 4 samples per pixel, so that the small sizes stay sharp.

Run from this folder; the icon is committed, so the build does not need Python.
"""
import math
import struct
import zlib

SIZES = (16, 32, 48, 256)
SAMPLES = 4

TOP = (52, 150, 222)
BOTTOM = (16, 64, 140)
WHITE = (255, 255, 255)
GREEN = (120, 230, 60)


def rounded_box(x, y, lo, hi, radius):
    # Signed distance to a rounded square spanning lo..hi on both axes.
    cx = cy = (lo + hi) / 2
    half = (hi - lo) / 2 - radius
    dx = max(abs(x - cx) - half, 0.0)
    dy = max(abs(y - cy) - half, 0.0)
    inside = min(max(abs(x - cx) - half, abs(y - cy) - half), 0.0)
    return math.hypot(dx, dy) + inside - radius


def segment(x, y, ax, ay, bx, by):
    # Distance to the segment a-b.
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(x - ax - t * vx, y - ay - t * vy)


def sample(x, y, size):
    """Colour and coverage of one point of the unit square."""
    if rounded_box(x, y, 0.04, 0.96, 0.2) > 0:
        return None
    # The strokes are a little heavier at the small sizes so that they keep a whole pixel.
    width = 0.085 if size <= 16 else 0.07
    left = segment(x, y, 0.25, 0.27, 0.5, 0.74)
    right = segment(x, y, 0.5, 0.74, 0.77, 0.25)
    if right <= width:
        return GREEN
    if left <= width:
        return WHITE
    t = (y - 0.04) / 0.92
    colour = tuple(TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3))
    # A soft light along the top edge.
    if y < 0.5:
        glow = 0.18 * (0.5 - y) / 0.5
        colour = tuple(c + (255 - c) * glow for c in colour)
    return colour


def draw(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = sample((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size, size)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = SAMPLES * SAMPLES
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(pixels):
    # A 32-bit bottom-up bitmap followed by its AND mask (1 = transparent).
    size = len(pixels)
    colour = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


images = [png(draw(s)) if s >= 256 else dib(draw(s)) for s in SIZES]
offset = 6 + 16 * len(images)
directory = struct.pack("<HHH", 0, 1, len(images))
for size, data in zip(SIZES, images):
    directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open("vantrel.ico", "wb") as f:
    f.write(directory + b"".join(images))
