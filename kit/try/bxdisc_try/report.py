"""The report of one run: plain lines on standard output as things happen,
the verdict, and the facts a matrix row shows (run_result.RunResult)."""
from __future__ import annotations

import sys
from typing import TextIO

from .outcome import CLEAN, FINDINGS
from .run_result import PHASES, Frame, RunResult

PASSED = "did what the disc intends"


def cp1252(text: str) -> str:
    """A text of the driver's report (ANSI bytes as latin-1) as it reads."""
    return text.encode("latin-1", "replace").decode("cp1252", "replace")


def quoted(text: str) -> str:
    return '"%s"' % text.replace("\r\n", "\n").replace("\n", "\\n")


def windows_path(rel: str) -> str:
    return "D:\\" + rel.replace("/", "\\")


class Report:
    def __init__(self, out: TextIO | None = None) -> None:
        self.out = out
        self.status = CLEAN
        self.verdict: str | None = None
        self.lines: list[str] = []
        self.title: str | None = None
        self.window: tuple[int, int] | None = None
        self.buttons: tuple[str, ...] = ()
        self.clicked: str | None = None
        self.programs: list[str] = []
        self.staged: list[str] = []
        self.restart = False
        self.rerun = False
        self.screenshot: str | None = None
        self.phase: str | None = None     # --whole's phase under way, which a failure names
        self.frames: list[Frame] = []

    def line(self, text: str, indent: int = 0) -> None:
        text = "  " * indent + text
        self.lines.append(text)
        print(text, file=self.out or sys.stdout, flush=True)

    def fail(self, verdict: str) -> None:
        """The run did not go as the disc intends; the first reason stands."""
        if self.status == CLEAN:
            self.status, self.verdict = FINDINGS, (PHASES[self.phase] + ": " if self.phase else "") + verdict

    def end(self) -> None:
        if self.status == CLEAN:
            self.line("result: the launcher did what the disc intends (exit status 0)")
        else:
            self.line("result: %s (exit status %d)" % (self.verdict, self.status))

    def result(self, system: str, seconds: float) -> RunResult:
        return RunResult(system=system, status=self.status, verdict=self.verdict or PASSED,
                         seconds=seconds, title=self.title, window=self.window,
                         buttons=self.buttons, clicked=self.clicked,
                         programs=tuple(self.programs), staged=tuple(self.staged),
                         restart=self.restart, rerun=self.rerun,
                         report="\n".join(self.lines) + "\n", screenshot=self.screenshot,
                         phase=self.phase, frames=tuple(self.frames))
