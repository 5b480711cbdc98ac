"""One system's run of a disc in bxdisc try --matrix, as the table, the page
and the JUnit file show it.

The run inside the sandbox writes it as result.json and the outer process
reads it back. Programs of the disc run in that sandbox too, so the document
is checked field by field when read: a wrong shape is a ValueError there,
not a crash in the middle of writing the page.
"""
import math
import re
from dataclasses import dataclass, fields
from typing import Any, Callable

from .outcome import CLEAN, FINDINGS, INTERRUPTED, UNUSABLE

OUTCOMES = {CLEAN: "pass", FINDINGS: "fail", UNUSABLE: "unusable", INTERRUPTED: "interrupted"}
# A system's name becomes a file name (win98.png) and an HTML id: no
# separators, no dot first.
SYSTEM_NAME = re.compile(r"[A-Za-z0-9][A-Za-z0-9_.-]*\Z")


# --whole's phases, in order, and how the report names each.
PHASES = {"install": "Install", "installed": "Installed", "again": "Started again", "uninstall": "Uninstalled"}


@dataclass(frozen=True)
class Frame:
    """A picture of what the user would see at one step of --whole."""
    file: str       # its PNG: in the work folder, then the results' own name
    caption: str    # "the front window", a dialog's title
    phase: str      # one of PHASES

    def to_json(self) -> dict[str, str]:
        return {"file": self.file, "caption": self.caption, "phase": self.phase}


@dataclass(frozen=True)
class RunResult:
    """One system's run of a disc, as the matrix shows it."""
    system: str                      # "win98"
    status: int                      # 0 did what the disc intends, 1 failed, 2 unusable, 130 interrupted
    verdict: str                     # "did what the disc intends", or the first reason it failed
    seconds: float
    title: str | None = None         # the front window's title, if one showed
    window: tuple[int, int] | None = None   # its client size
    buttons: tuple[str, ...] = ()    # labels of the buttons shown ("Install", "Exit")
    clicked: str | None = None       # label of the button clicked
    programs: tuple[str, ...] = ()   # each program started: 'D:\\Setup\\x.exe: "cmdline" in D:\\'
    staged: tuple[str, ...] = ()     # prerequisites staged for the restart: wininit.ini [rename] lines, system files written
    restart: bool = False            # a restart was asked for
    rerun: bool = False              # the rerun after the restart was followed
    report: str = ""                 # the run's whole text report
    screenshot: str | None = None    # path of its PNG, if taken
    phase: str | None = None         # with --whole: the last of PHASES it reached
    frames: tuple[Frame, ...] = ()   # with --whole and pictures: the film strip

    def __post_init__(self) -> None:
        # Checked on every construction, not only from JSON: the page names a
        # file after the system.
        if not isinstance(self.system, str) or not SYSTEM_NAME.match(self.system):
            raise ValueError("a system's name is letters, digits, '_', '.' and '-': %r"
                             % (self.system,))

    @property
    def outcome(self) -> str:
        """pass, fail, unusable or interrupted: the row's kind."""
        return OUTCOMES.get(self.status, "fail")

    @property
    def reason(self) -> str:
        """The verdict's first line."""
        lines = self.verdict.strip().splitlines()
        return lines[0] if lines else ""

    def to_json(self) -> dict[str, Any]:
        """The record as JSON's types: tuples as lists."""
        doc: dict[str, Any] = {}
        for f in fields(self):
            value = getattr(self, f.name)
            if f.name == "frames":
                value = [frame.to_json() for frame in value]
            doc[f.name] = list(value) if isinstance(value, tuple) else value
        return doc

    @classmethod
    def from_json(cls, doc: object) -> "RunResult":
        """The record from to_json's dict (as json.load gives it back);
        ValueError naming the first field of the wrong shape."""
        if not isinstance(doc, dict):
            raise ValueError("a run's result is a JSON object, not %s" % type(doc).__name__)
        unknown = sorted(str(k) for k in doc.keys() - _CHECKS.keys())
        if unknown:
            raise ValueError("a run's result has no field %s" % ", ".join(unknown))
        missing = [name for name in _REQUIRED if name not in doc]
        if missing:
            raise ValueError("a run's result lacks %s" % ", ".join(missing))
        values = {}
        for name, value in doc.items():
            try:
                values[name] = _CHECKS[name](value)
            except (TypeError, ValueError) as e:
                raise ValueError("a run's result: %s: %s" % (name, e)) from None
        return cls(**values)


# ---- what each field of result.json may hold ----------------------------------

def _kind(value: object) -> str:
    return "null" if value is None else type(value).__name__


def _text(value: object) -> str:
    if not isinstance(value, str):
        raise TypeError("a string, not %s" % _kind(value))
    return value


def _texts(value: object) -> tuple[str, ...]:
    if not isinstance(value, list):
        raise TypeError("a list of strings, not %s" % _kind(value))
    return tuple(_text(v) for v in value)


def _flag(value: object) -> bool:
    if not isinstance(value, bool):
        raise TypeError("true or false, not %s" % _kind(value))
    return value


def _status(value: object) -> int:
    # bool is an int to Python, not to the document.
    if isinstance(value, bool) or not isinstance(value, int) or value not in OUTCOMES:
        raise ValueError("one of %s, not %r" % (", ".join(map(str, OUTCOMES)), value))
    return value


def _seconds(value: object) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError("a number, not %s" % _kind(value))
    if not math.isfinite(value) or value < 0:
        raise ValueError("a time of 0 or more, not %r" % value)
    return float(value)


def _window(value: object) -> tuple[int, int]:
    if (not isinstance(value, list) or len(value) != 2
            or any(isinstance(v, bool) or not isinstance(v, int) or v <= 0 for v in value)):
        raise ValueError("[width, height] in pixels, not %r" % (value,))
    return (value[0], value[1])


def _phase(value: object) -> str:
    if value not in PHASES:
        raise ValueError("one of %s, not %r" % (", ".join(PHASES), value))
    return str(value)


def _frames(value: object) -> tuple[Frame, ...]:
    if not isinstance(value, list):
        raise TypeError("a list of frames, not %s" % _kind(value))
    frames = []
    for item in value:
        if not isinstance(item, dict) or item.keys() != {"file", "caption", "phase"}:
            raise ValueError("a frame is {file, caption, phase}, not %r" % (item,))
        frames.append(Frame(_text(item["file"]), _text(item["caption"]), _phase(item["phase"])))
    return tuple(frames)


def _optional(check: Callable[[object], Any]) -> Callable[[object], Any]:
    return lambda value: None if value is None else check(value)


_CHECKS: dict[str, Callable[[object], Any]] = {
    "system": _text, "status": _status, "verdict": _text, "seconds": _seconds,
    "title": _optional(_text), "window": _optional(_window), "buttons": _texts,
    "clicked": _optional(_text), "programs": _texts, "staged": _texts,
    "restart": _flag, "rerun": _flag, "report": _text, "screenshot": _optional(_text),
    "phase": _optional(_phase), "frames": _frames,
}
_REQUIRED = ("system", "status", "verdict", "seconds")
assert _CHECKS.keys() == {f.name for f in fields(RunResult)}
