"""Whether the launcher's front window shows its backdrop on the X screen:
the backdrop's sample pixels (bxdisc reads them with the launcher's own
bitmap reader) seen inside the window's rectangle, wherever the frame puts
the client area. try takes its screenshot once they show."""
from __future__ import annotations

from typing import Callable

from .request import Backdrop
from .schema import SCHEMA

SCREEN = (1024, 768)
NATIVE_DPI = SCHEMA.default("dpi")
# How far a sampled colour may stray: the X server's depth may round it.
TOLERANCE = 8

Grab = Callable[[int, int, int, int], bytes]


def screen_size(dpi: int | None) -> tuple[int, int]:
    """The X screen for a run at that DPI: as many times the native one as
    the launcher scales its window (a whole number), so that it fits."""
    n = max(1, (dpi or NATIVE_DPI) // NATIVE_DPI)
    return SCREEN[0] * n, SCREEN[1] * n


def find_backdrop(grab: Grab, window: tuple[int, int, int, int],
                  backdrop: Backdrop) -> tuple[int, int] | None:
    """The client area's top left on the screen, if the backdrop shows
    within the window's rectangle (x, y, width, height)."""
    wx, wy, ww, wh = window
    if ww < backdrop.width or wh < backdrop.height:
        return None
    rgb = grab(wx, wy, ww, wh)
    if len(rgb) < 3 * ww * wh:
        return None
    for dy in range(0, wh - backdrop.height + 1):
        for dx in range(0, ww - backdrop.width + 1):
            if all(abs(a - b) <= TOLERANCE
                   for x, y, want in backdrop.samples
                   for a, b in zip(rgb[3 * ((dy + y) * ww + dx + x):][:3], want)):
                return wx + dx, wy + dy
    return None
