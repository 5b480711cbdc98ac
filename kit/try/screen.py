"""Whether the launcher's front window shows its backdrop on the X display:
sampled pixels of the backdrop bitmap (bxdisc reads them with the
launcher's own bitmap reader) seen inside the window's rectangle, wherever
the frame puts the client area. For bxdisc try's screenshot, taken once the
window is painted. Needs xdotool and ImageMagick's import.
"""
import subprocess

SCREEN = (1024, 768)
NATIVE_DPI = 96


def screen_size(dpi: int | None) -> tuple[int, int]:
    """The X screen for a run at that DPI: as many times the native one as
    the launcher scales its window (a whole number), so that it fits."""
    n = max(1, (dpi or NATIVE_DPI) // NATIVE_DPI)
    return SCREEN[0] * n, SCREEN[1] * n


def xdotool(*args):
    done = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)
    return done.stdout if done.returncode == 0 else ""


def screen():
    """The root window as (width, rgb bytes)."""
    width = int(xdotool("getdisplaygeometry").split()[0])
    rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True, timeout=60).stdout
    return width, rgb


def read_samples(text):
    """(width, height, [(x, y, (r, g, b))...]) of bxdisc's
    WIDTHxHEIGHT:x,y,RRGGBB;... ; ValueError for anything else."""
    size, _, points = text.partition(":")
    width, height = (int(n) for n in size.split("x"))
    samples = []
    for point in points.split(";"):
        x, y, rgb = point.split(",")
        value = int(rgb, 16)
        samples.append((int(x), int(y), (value >> 16, value >> 8 & 0xFF, value & 0xFF)))
    return width, height, samples


def find_backdrop(geometry, backdrop):
    """The client area's top left on the screen, if the backdrop (as
    read_samples gives it) shows there within the window's rectangle."""
    wx, wy, ww, wh = geometry
    bw, bh, samples = backdrop
    width, rgb = screen()
    points = [(x, y) for x, y, _ in samples]
    expected = [colour for _, _, colour in samples]
    for dy in range(0, wh - bh + 1):
        for dx in range(0, ww - bw + 1):
            ox, oy = wx + dx, wy + dy
            at = [3 * ((oy + y) * width + ox + x) for x, y in points]
            if all(abs(a - b) <= 8 for i, want in zip(at, expected)
                   for a, b in zip(rgb[i:i + 3], want)):
                return ox, oy
    return None
