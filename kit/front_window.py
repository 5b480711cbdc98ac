"""Whether the launcher's front window shows its backdrop on the X display:
sampled pixels of the backdrop bitmap seen inside the window's rectangle,
wherever the frame puts the client area. For bxdisc try's screenshot, taken
once the window is painted. Needs xdotool and ImageMagick's import.
"""
import struct
import subprocess


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 1, 4 or 8-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bpp, _, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if bpp not in (1, 4, 8):
        raise ValueError("not a bitmap with a colour table")
    colours = min(used or 256, 1 << bpp)
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
