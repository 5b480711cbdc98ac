#!/usr/bin/env python3
"""Waits until the launcher's front window shows its backdrop on the X
display, then saves a screenshot of the screen and says where.

    front_window_shot.py TITLE BACKDROP.bmp OUT.png [--timeout SECONDS]

The window is found by its caption (the disc's ProductName); it counts as
shown once sampled pixels of its client area are those of the backdrop
bitmap, wherever the frame puts the client area. Polls rather than sleeps:
a first start in a new prefix under emulation takes long. Needs xdotool and
ImageMagick's import. Exit status 1 when no such window shows in time.
"""
import argparse
import struct
import subprocess
import sys
import time


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 1, 4 or 8-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bpp, _, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    colours = used or (1 << bpp)
    table = [struct.unpack_from("<BBB", data, 54 + 4 * i)[::-1] for i in range(colours)]
    stride = ((width * bpp + 31) // 32) * 4
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):
        row = offset + stride * (height - 1 - y if bottom_up else y)
        bit = x * bpp
        index = (data[row + bit // 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1)
        return table[index]
    return width, height, pixel


def xdotool(*args):
    done = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)
    return done.stdout if done.returncode == 0 else ""


def screen():
    """The root window as (width, rgb bytes)."""
    width = int(xdotool("getdisplaygeometry").split()[0])
    rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True, timeout=60).stdout
    return width, rgb


def find_backdrop(geometry, backdrop, points):
    """The client area's top left on the screen, if the backdrop shows there
    within the window's rectangle."""
    wx, wy, ww, wh = geometry
    bw, bh, pixel = backdrop
    width, rgb = screen()
    expected = [pixel(x, y) for x, y in points]
    for dy in range(0, wh - bh + 1):
        for dx in range(0, ww - bw + 1):
            ox, oy = wx + dx, wy + dy
            at = [3 * ((oy + y) * width + ox + x) for x, y in points]
            if all(abs(a - b) <= 8 for i, want in zip(at, expected)
                   for a, b in zip(rgb[i:i + 3], want)):
                return ox, oy
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("title")
    parser.add_argument("backdrop")
    parser.add_argument("out")
    parser.add_argument("--timeout", type=float, default=300)
    args = parser.parse_args()

    backdrop = read_bmp(args.backdrop)
    bw, bh, _ = backdrop
    # Above the button row, which sits at the bottom.
    points = [(bw * i // 6, bh * j // 8) for i in (1, 3, 5) for j in (1, 3, 5)]
    deadline = time.monotonic() + args.timeout
    while time.monotonic() < deadline:
        ids = xdotool("search", "--onlyvisible", "--name", "^%s$" % args.title).split()
        if ids:
            shell = dict(line.split("=", 1) for line in
                         xdotool("getwindowgeometry", "--shell", ids[0]).split())
            geometry = tuple(int(shell[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
            origin = find_backdrop(geometry, backdrop, points)
            if origin:
                subprocess.run(["import", "-window", "root", args.out], check=True, timeout=60)
                print('front window "%s": client area %dx%d at %d,%d, backdrop seen at %d'
                      ' sampled points' % (args.title, bw, bh, origin[0], origin[1], len(points)))
                print("screenshot: %s" % args.out)
                return 0
        time.sleep(0.5)
    print('no window "%s" showing %s within %d s' % (args.title, args.backdrop, args.timeout),
          file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
