#!/usr/bin/env python3
"""Writes the launcher's icon: a disc, 32 x 32 and 16 x 16, 16 colours each.

    make_icon.py OUT.ico

Drawn here rather than kept as an opaque binary, so that it can be read and
changed like the rest of the source."""
import struct
import sys

# The standard 16-colour palette, as every display of the era has it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, SILVER, WHITE, CYAN, TEAL = 0, 8, 7, 15, 14, 6
CLEAR = None


def disc_pixel(x, y, size):
    """The colour at pixel (x, y) of a disc of the given size, or CLEAR."""
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = (dx * dx + dy * dy) ** 0.5 / (size / 2.0)
    if r > 1.0 or r < 0.16:
        return CLEAR
    if r > 0.92 or r < 0.24:
        return DARK_GREY
    if r < 0.38:
        return WHITE
    # A sheen across the data area, light from the top left.
    if abs(dx - dy) < size * 0.09:
        return CYAN if dx < 0 else TEAL
    if abs(dx + dy) < size * 0.06:
        return WHITE
    return SILVER


def image(size):
    rows = [[disc_pixel(x, y, size) for x in range(size)] for y in range(size)]
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor_bits, and_bits = bytearray(), bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, colour in enumerate(row):
            value = BLACK if colour is CLEAR else colour
            line[x // 2] |= value << (4 if x % 2 == 0 else 0)
            if colour is CLEAR:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_bits += line
        and_bits += mask
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def icon(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon([32, 16]))
