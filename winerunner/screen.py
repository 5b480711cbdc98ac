"""The X screen read back with ImageMagick's import: a rectangle's pixels,
the same once painting is over, or a PNG file of it. What a window shows is
judged from these, never from what a program says it drew."""
from __future__ import annotations

import time
from collections.abc import Callable, Mapping

from . import executor
from .executor import Command, Output

Grab = Callable[[int, int, int, int], bytes]  # x, y, width, height -> RGB bytes


def crop(x: int, y: int, width: int, height: int) -> str:
    return "%dx%d+%d+%d" % (width, height, x, y)


def grab(env: Mapping[str, str] | None, limit: float, x: int, y: int, width: int, height: int) -> bytes:
    """A rectangle of the X screen, 3 bytes a pixel (RGB), row by row."""
    return executor.run(Command(["import", "-window", "root", "-crop", crop(x, y, width, height),
                                 "-depth", "8", "rgb:-"], env=env, timeout=limit,
                                output=Output.CAPTURE)).checked().stdout


def grab_steady(grab: Grab, limit: float, x: int, y: int, width: int, height: int,
                ready: Callable[[bytes], bool]) -> bytes:
    """The rectangle once it is ready and two grabs in a row agree, within
    limit seconds, so that painting is over; ready tells a painted screen
    from the one beneath."""
    last = b""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        shot = grab(x, y, width, height)
        if shot == last and ready(shot):
            return shot
        last = shot
    raise RuntimeError("the screen at %s did not settle" % crop(x, y, width, height))


def save_png(env: Mapping[str, str] | None, limit: float, x: int, y: int, width: int, height: int,
             path: str) -> None:
    """A rectangle of the X screen saved as a PNG file."""
    executor.run(Command(["import", "-window", "root", "-crop", crop(x, y, width, height), "+repage",
                          "png:" + path], env=env, timeout=limit, output=Output.CAPTURE)).checked()
