#!/usr/bin/env python3
"""Paints the demo disc's backdrop as an author would bring it: an ordinary
RGBA PNG, 540 x 340, whose night sky fades out at the top (bxdisc art lays
it over its --background colour there). Standard library only.

    python3 demo/make_backdrop.py OUT.png

scripts/demo.sh turns it and the button labels into the disc's bitmaps with
bxdisc art."""
import math
import random
import struct
import sys
import zlib

W, H = 540, 340


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def over(dst, src, alpha):
    return mix(dst, src, max(0.0, min(1.0, alpha)))


def sky(x, y):
    t = y / (H - 1)
    top, middle, low = (8, 16, 48), (24, 58, 128), (70, 120, 190)
    c = mix(top, middle, t / 0.7) if t < 0.7 else mix(middle, low, (t - 0.7) / 0.3)
    # A glow low on the right, where the large planet rises.
    glow = math.exp(-((x - 430) ** 2 + (y - 260) ** 2) / (2 * 120.0 ** 2))
    return over(c, (120, 170, 230), 0.45 * glow)


def planet(c, x, y, cx, cy, r, base, light):
    d = math.hypot(x - cx, y - cy)
    if d > r + 1:
        return c
    # Lit from the top left; the edge anti-aliased over one pixel.
    shade = max(0.0, ((cx - r * 0.4 - x) * 0.6 + (cy - r * 0.4 - y) * 0.8) / (1.6 * r) + 0.35)
    body = mix(base, light, min(1.0, shade))
    return over(c, body, r + 0.5 - d)


def pixels():
    rnd = random.Random(7)
    stars = {(rnd.randrange(W), rnd.randrange(int(H * 0.75))): rnd.uniform(0.4, 1.0) for _ in range(90)}
    rows = []
    for y in range(H):
        row = bytearray()
        # The top 40 rows fade to transparent.
        alpha = min(1.0, 0.35 + 0.65 * y / 40)
        for x in range(W):
            c = sky(x, y)
            if (x, y) in stars:
                c = over(c, (255, 255, 240), stars[(x, y)])
            c = planet(c, x, y, 445, 215, 60, (40, 70, 150), (150, 190, 255))
            c = planet(c, x, y, 95, 120, 26, (120, 60, 40), (250, 190, 140))
            c = planet(c, x, y, 330, 90, 9, (90, 90, 110), (220, 220, 235))
            row += bytes((round(c[0]), round(c[1]), round(c[2]), round(255 * alpha)))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    # Filter "up" on every row: a sky of gradients packs small.
    raw = bytearray()
    previous = bytes(W * 4)
    for row in rows:
        raw += b"\x02" + bytes((a - b) & 0xFF for a, b in zip(row, previous))
        previous = row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    write_png(sys.argv[1], pixels())
