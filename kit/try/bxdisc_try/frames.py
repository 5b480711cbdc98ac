"""--whole's pictures: what the user would see at each step (the front
window, each setup dialog, the product's window), saved as PNGs in the work
folder and listed with their captions and phases in the report, for the
page's film strip. Taken only where the run keeps pictures."""
from __future__ import annotations

import shutil
import subprocess
from pathlib import Path
from typing import Any, Callable, Protocol

from .run_result import Frame


class Screen(Protocol):
    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None: ...


class FrameReport(Protocol):
    frames: list[Frame]

    def line(self, text: str, indent: int = 0) -> None: ...


class Frames:
    def __init__(self, screen: Screen, work: Path, on: bool, report: FrameReport) -> None:
        self.screen = screen
        self.work = work
        self.on = on
        self.report = report

    def _next(self) -> Path:
        return self.work / ("frame-%02d.png" % (len(self.report.frames) + 1))

    def _keep(self, path: Path, caption: str, phase: str) -> None:
        self.report.frames.append(Frame(path.name, caption, phase))
        # Numbered: a matrix names the file after its system, a single run after --screenshot.
        self.report.line("picture %d" % len(self.report.frames), 1)

    def window(self, window: dict[str, Any], caption: str, phase: str) -> None:
        """The whole window, its frame included, as it shows now."""
        if not self.on:
            return
        left, top, right, bottom = window["rect"]
        path = self._next()
        try:
            self.screen.save_png(left, top, right - left, bottom - top, str(path))
        except (OSError, subprocess.SubprocessError):
            self.report.line("picture: could not be taken", 1)
            return
        self._keep(path, caption, phase)

    def taken(self, take: Callable[[str], bool], caption: str, phase: str, copy_of: str | None = None) -> None:
        """A picture that take(path) saves (the front window, once painted),
        or a copy of one already taken."""
        if not self.on:
            return
        path = self._next()
        if copy_of and Path(copy_of).is_file():
            shutil.copyfile(copy_of, path)
        elif not take(str(path)):
            self.report.line("picture: could not be taken", 1)
            return
        self._keep(path, caption, phase)
