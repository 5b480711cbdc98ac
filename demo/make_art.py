#!/usr/bin/env python3
"""Draws the demo disc's artwork: the front window's backdrop and its strip of
button faces, both 8-bit bitmaps over one shared 256-colour palette.

    python3 demo/make_art.py OUT_DIR     (writes backdrop.bmp and buttons.bmp)

The demo disc's own artwork is made by bxdisc art (scripts/demo.sh); this
fixed artwork, made without the kit, is what scripts/bench_front_window.py
times the front window with, so that its figures stay comparable. Standard
library only; the labels come from the tiny bitmap font below.

The strip has one row per button (Run, Setup again, Install, Exit) and one
column per look: normal, focused, pressed, hover, hover and focused."""
import os
import struct
import sys

FACE_W, FACE_H = 150, 36
BACKDROP_W, BACKDROP_H = 540, 340
ROWS = ["Run", "Setup again", "Install", "Exit"]

# 5 x 7 glyphs, one string of five characters per row; '#' is ink.
FONT = {
    " ": ["     "] * 7,
    "a": ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    "b": ["#    ", "#    ", "#### ", "#   #", "#   #", "#   #", "#### "],
    "c": ["     ", "     ", " ####", "#    ", "#    ", "#    ", " ####"],
    "d": ["    #", "    #", " ####", "#   #", "#   #", "#   #", " ####"],
    "e": ["     ", "     ", " ### ", "#   #", "#####", "#    ", " ### "],
    "g": ["     ", "     ", " ####", "#   #", " ####", "    #", " ### "],
    "i": ["  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### "],
    "l": [" ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "m": ["     ", "     ", "## # ", "# # #", "# # #", "# # #", "#   #"],
    "n": ["     ", "     ", "#### ", "#   #", "#   #", "#   #", "#   #"],
    "o": ["     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### "],
    "p": ["     ", "     ", "#### ", "#   #", "#### ", "#    ", "#    "],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "s": ["     ", "     ", " ####", "#    ", " ### ", "    #", "#### "],
    "t": [" #   ", " #   ", "#### ", " #   ", " #   ", " #  #", "  ## "],
    "u": ["     ", "     ", "#   #", "#   #", "#   #", "#  ##", " ## #"],
    "x": ["     ", "     ", "#   #", " # # ", "  #  ", " # # ", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "W": ["#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"],
}

# The shared palette: a 6 x 6 x 6 colour cube, then greys and the few
# colours the faces are drawn in, so that every bitmap maps onto it exactly.
PALETTE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE += [(v * 8, v * 8, v * 8) for v in range(1, 32)]
NAMED = {
    "ink": (255, 255, 255),
    "shadow": (16, 24, 48),
    "normal": (40, 80, 160),
    "pressed": (20, 40, 100),
    "hover": (70, 130, 220),
    "border": (10, 20, 40),
    "focus": (255, 200, 0),
}
PALETTE += list(NAMED.values())
PALETTE += [(0, 0, 0)] * (256 - len(PALETTE))


def index(rgb):
    return PALETTE.index(rgb) if rgb in PALETTE else min(
        range(len(PALETTE)), key=lambda i: sum((a - b) ** 2 for a, b in zip(PALETTE[i], rgb)))


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[index(colour)] * width for _ in range(height)]

    def fill(self, x0, y0, x1, y1, colour):
        c = index(colour)
        for y in range(max(y0, 0), min(y1, self.height)):
            row = self.pixels[y]
            for x in range(max(x0, 0), min(x1, self.width)):
                row[x] = c

    def frame(self, x0, y0, x1, y1, colour, thickness=1):
        for t in range(thickness):
            self.fill(x0 + t, y0 + t, x1 - t, y0 + t + 1, colour)
            self.fill(x0 + t, y1 - t - 1, x1 - t, y1 - t, colour)
            self.fill(x0 + t, y0 + t, x0 + t + 1, y1 - t, colour)
            self.fill(x1 - t - 1, y0 + t, x1 - t, y1 - t, colour)

    def text(self, x, y, text, colour, scale=2):
        for ch in text:
            for gy, line in enumerate(FONT[ch]):
                for gx, cell in enumerate(line):
                    if cell == "#":
                        self.fill(x + gx * scale, y + gy * scale,
                                  x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += 6 * scale

    def paste(self, other, x, y):
        for row in range(other.height):
            self.pixels[y + row][x:x + other.width] = other.pixels[row]


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def face(label, column):
    fill = {0: "normal", 1: "normal", 2: "pressed", 3: "hover", 4: "hover"}[column]
    c = Canvas(FACE_W, FACE_H, NAMED[fill])
    c.frame(0, 0, FACE_W, FACE_H, NAMED["border"], 2)
    if column in (1, 4):
        c.frame(2, 2, FACE_W - 2, FACE_H - 2, NAMED["focus"], 3)
    shift = 1 if column == 2 else 0  # pressed: the label sinks
    x = (FACE_W - text_width(label, 2)) // 2 + shift
    y = (FACE_H - 14) // 2 + shift
    c.text(x + 1, y + 1, label, NAMED["shadow"])
    c.text(x, y, label, NAMED["ink"])
    return c


def strip():
    c = Canvas(FACE_W * 5, FACE_H * len(ROWS), (0, 0, 0))
    for row, label in enumerate(ROWS):
        for column in range(5):
            c.paste(face(label, column), column * FACE_W, row * FACE_H)
    return c


def backdrop():
    c = Canvas(BACKDROP_W, BACKDROP_H, (0, 0, 0))
    for y in range(BACKDROP_H):  # night-sky gradient, banded by the palette
        t = y / BACKDROP_H
        c.fill(0, y, BACKDROP_W, y + 1, (0, int(51 * round(t * 2)), int(51 * (2 + round(t * 2)))))
    for x, y, r in [(470, 200, 34), (70, 210, 25), (360, 170, 12)]:
        for dy in range(-r, r + 1):
            half = int((r * r - dy * dy) ** 0.5)
            c.fill(x - half, y + dy, x + half, y + dy + 1, (51, 102, 204))
    title = "Brindle Demo"
    c.text((BACKDROP_W - text_width(title, 4)) // 2 + 2, 62, title, NAMED["shadow"], 4)
    c.text((BACKDROP_W - text_width(title, 4)) // 2, 60, title, NAMED["ink"], 4)
    sub = "Welcome"
    c.text((BACKDROP_W - text_width(sub, 2)) // 2, 120, sub, (204, 204, 255), 2)
    return c


def write_bmp(path, canvas):
    stride = (canvas.width + 3) // 4 * 4
    bits = b"".join(bytes(row) + b"\0" * (stride - canvas.width) for row in reversed(canvas.pixels))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0, len(bits),
                       2835, 2835, 256, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + table + bits)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "backdrop.bmp"), backdrop())
    write_bmp(os.path.join(out, "buttons.bmp"), strip())
