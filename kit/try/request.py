"""What bxdisc hands to try's runner: one JSON document, written by bxdisc
after it read the disc with the launcher's own code, holding what it found
and try's options as the author gave them. Loaded once into a frozen record,
so that a misspelt option is an error where it is read, not a silent None.

bxdisc writes a name of the disc as the bytes it is, undecodable bytes as
lone surrogates; os functions give those bytes back.
"""
from __future__ import annotations

import dataclasses
import json
import os
from dataclasses import dataclass
from typing import Any

FORMAT = 1
BUTTONS = ("run", "again", "install", "exit")
BUTTON_LABELS = {"run": "Run", "again": "Setup again", "install": "Install", "exit": "Exit"}
SYSTEMS = ("win95", "win98", "winme", "nt40", "win2k", "winxp", "win7", "win8", "win10", "win11")


class RequestError(ValueError):
    """A request that is not bxdisc's: the runner was started by hand."""


@dataclass(frozen=True)
class Backdrop:
    """Sample pixels of the backdrop bitmap, by which the painted window is known."""
    width: int
    height: int
    samples: tuple[tuple[int, int, tuple[int, int, int]], ...]


@dataclass(frozen=True)
class Request:
    disc: str
    launcher: str
    buttons: dict[str, int]
    bxdisc_version: str = ""
    setup_exe: str | None = None
    dcom: str | None = None
    package: str | None = None
    backdrop: Backdrop | None = None
    tail: tuple[str, ...] | None = None
    # try's options
    system: str = "win10"
    matrix: tuple[str, ...] | None = None  # () for every system this Wine emulates
    jobs: int | None = None
    html: str | None = None
    junit: str | None = None
    shard: tuple[int, int] | None = None   # (I, N): the I-th of N parts of the matrix
    results: str | None = None
    show: bool = False
    installed: bool = False
    fresh: bool = False
    no_sandbox: bool = False
    screenshot: str | None = None
    click: str | None = None
    answer: str | None = None
    oleaut32: str | None = None
    timeout: int | None = None
    dpi: int | None = None
    # What the run outside found, for a run inside a sandbox, where it cannot look.
    emulated: bool = False
    display: str | None = None
    screenshot_as: str | None = None

    def but(self, **changes: Any) -> Request:
        return dataclasses.replace(self, **changes)


OPTION_TYPES: dict[str, type] = {
    "system": str, "matrix": list, "jobs": int, "html": str, "junit": str, "shard": str,
    "results": str, "show": bool,
    "installed": bool, "fresh": bool, "no_sandbox": bool, "screenshot": str, "click": str,
    "answer": str, "oleaut32": str, "timeout": int, "dpi": int,
}
CHOICES = {"system": SYSTEMS, "click": BUTTONS, "answer": ("yes", "no"), "oleaut32": ("4.0", "3.50")}
OUTSIDE_ONLY = {"emulated": bool, "display": str, "screenshot_as": str}


def shard_of(text: str) -> tuple[int, int]:
    """"I/N" as (I, N), whole numbers with 1 <= I <= N <= the systems try
    knows; ValueError for anything else."""
    index, slash, total = text.partition("/")
    if not (slash and index.isdigit() and total.isdigit() and index.isascii() and total.isascii()
            and 1 <= int(index) <= int(total) <= len(SYSTEMS)):
        raise ValueError("a shard is I/N with 1 <= I <= N <= %d, not %r" % (len(SYSTEMS), text))
    return int(index), int(total)


def _typed(name: str, value: Any, kind: type) -> Any:
    if value is None and kind is not bool:
        return None
    if kind is int and (not isinstance(value, int) or isinstance(value, bool)):
        raise RequestError("%s is not a whole number: %r" % (name, value))
    if kind is not int and not isinstance(value, kind):
        raise RequestError("%s is not a %s: %r" % (name, kind.__name__, value))
    if kind is list:
        if not all(isinstance(v, str) and v in SYSTEMS for v in value):
            raise RequestError("%s names a system try does not know: %r" % (name, value))
        return tuple(value)
    if name in CHOICES and value not in CHOICES[name]:
        raise RequestError("%s is not one of %s: %r" % (name, ", ".join(CHOICES[name]), value))
    if name == "shard":
        try:
            return shard_of(value)
        except ValueError as e:
            raise RequestError(str(e))
    return value


def _path(document: dict[str, Any], name: str) -> str | None:
    value = document.get(name)
    if value is not None and (not isinstance(value, str) or not value):
        raise RequestError("%s is not a path: %r" % (name, value))
    return value


def _backdrop(value: Any) -> Backdrop | None:
    if value is None:
        return None
    try:
        samples = tuple((int(x), int(y), ((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF))
                        for x, y, rgb in value["samples"])
        backdrop = Backdrop(int(value["width"]), int(value["height"]), samples)
    except (KeyError, TypeError, ValueError) as e:
        raise RequestError("the backdrop's samples are not as bxdisc writes them: %s" % e)
    if not samples or any(not (0 <= x < backdrop.width and 0 <= y < backdrop.height)
                          for x, y, _ in samples):
        raise RequestError("the backdrop's samples lie outside it")
    return backdrop


def load(text: str) -> Request:
    """The request bxdisc wrote; RequestError for anything else."""
    try:
        document = json.loads(text)
    except ValueError as e:
        raise RequestError("not JSON: %s" % e)
    if not isinstance(document, dict) or document.get("format") != FORMAT:
        raise RequestError("not a request of format %d" % FORMAT)
    buttons = document.get("buttons")
    if not isinstance(buttons, dict) or sorted(buttons) != sorted(BUTTONS) or \
            not all(isinstance(v, int) for v in buttons.values()):
        raise RequestError("buttons is not the front window's four ids")
    options = document.get("options", {})
    if not isinstance(options, dict):
        raise RequestError("options is not an object")
    given: dict[str, Any] = {}
    for name, value in options.items():
        kind = OPTION_TYPES.get(name) or OUTSIDE_ONLY.get(name)
        if kind is None:
            raise RequestError("an option try does not know: %s" % name)
        given[name] = _typed(name, value, kind)
    tail = document.get("tail")
    if tail is not None and (not isinstance(tail, list) or not all(isinstance(a, str) for a in tail)):
        raise RequestError("tail is not a list of words")
    disc, launcher = _path(document, "disc"), _path(document, "launcher")
    if not disc or not launcher:
        raise RequestError("no disc or no launcher")
    for name in ("screenshot", "html", "junit", "results"):
        if given.get(name):
            given[name] = os.path.abspath(given[name])
    return Request(disc=os.path.abspath(disc), launcher=launcher, buttons=dict(buttons),
                   bxdisc_version=str(document.get("bxdisc_version", "")),
                   setup_exe=_path(document, "setup_exe"), dcom=_path(document, "dcom"),
                   package=_path(document, "package"), backdrop=_backdrop(document.get("backdrop")),
                   tail=tuple(tail) if tail is not None else None,
                   **{k: v for k, v in given.items() if v is not None or k in ("emulated",)})


def dump(request: Request) -> str:
    """The request as bxdisc writes it, for a run inside a sandbox."""
    backdrop = request.backdrop and {
        "width": request.backdrop.width, "height": request.backdrop.height,
        "samples": [[x, y, r << 16 | g << 8 | b] for x, y, (r, g, b) in request.backdrop.samples]}
    options = {name: getattr(request, name) for name in list(OPTION_TYPES) + list(OUTSIDE_ONLY)}
    if request.matrix is not None:
        options["matrix"] = list(request.matrix)
    if request.shard is not None:
        options["shard"] = "%d/%d" % request.shard
    return json.dumps({"format": FORMAT, "bxdisc_version": request.bxdisc_version,
                       "disc": request.disc, "launcher": request.launcher,
                       "buttons": request.buttons, "setup_exe": request.setup_exe,
                       "dcom": request.dcom, "package": request.package, "backdrop": backdrop,
                       "options": options,
                       "tail": list(request.tail) if request.tail is not None else None})
