"""What bxdisc hands to try's runner: one JSON document, written by bxdisc
after it read the disc with the launcher's own code, holding what it found
and try's options as the author gave them. Loaded once into frozen records,
so that a misspelt option is an error where it is read, not a silent None:
what bxdisc found on the disc (Disc), the author's options (Options), and
the plan of one run (Plan), which the run outside makes for each system it
runs and hands, in the same document, to the run inside the sandbox.

bxdisc writes a name of the disc as the bytes it is, undecodable bytes as
lone surrogates; os functions give those bytes back. The systems, buttons
and choices are schema.json's, which bxdisc's option table comes from too;
bxdisc has checked the numbers against its ranges.
"""
from __future__ import annotations

import json
import os
from dataclasses import dataclass
from typing import Any

from .schema import SCHEMA

FORMAT = 1
SYSTEMS = SCHEMA.systems
BUTTONS = tuple(b.name for b in SCHEMA.buttons)
BUTTON_LABELS = {b.name: b.label for b in SCHEMA.buttons}


class RequestError(ValueError):
    """A request that is not bxdisc's: the runner was started by hand."""


@dataclass(frozen=True)
class Backdrop:
    """Sample pixels of the backdrop bitmap, by which the painted window is known."""
    width: int
    height: int
    samples: tuple[tuple[int, int, tuple[int, int, int]], ...]


@dataclass(frozen=True)
class Disc:
    """What bxdisc found on the disc: paths relative to its folder, and None
    for a file that Autorun.inf does not name or the disc does not hold."""
    folder: str                   # from the root
    launcher: str
    buttons: dict[str, int]       # the front window's control ids, by the names --click takes
    setup_exe: str | None = None
    dcom: str | None = None
    package: str | None = None
    backdrop: Backdrop | None = None
    look_for_title: str | None = None   # Look4Title: how the product's window is known


@dataclass(frozen=True)
class Options:
    """try's options as the author gave them, and the launcher's arguments."""
    system: str = SCHEMA.default_system
    matrix: tuple[str, ...] | None = None  # () for every system this Wine emulates
    jobs: int | None = None
    html: str | None = None
    junit: str | None = None
    shard: tuple[int, int] | None = None   # (I, N): the I-th of N parts of the matrix
    results: str | None = None
    show: bool = False
    installed: bool = False
    whole: bool = False                    # the disc's own programs, for real, through four phases
    fresh: bool = False
    no_sandbox: bool = False
    screenshot: str | None = None
    click: str | None = None
    answer: str | None = None
    oleaut32: str | None = None
    timeout: int | None = None
    dpi: int | None = None
    tail: tuple[str, ...] | None = None    # after "--"; None: the automatic start's /autorun


@dataclass(frozen=True)
class Plan:
    """One run of the launcher: made outside the sandbox, where the run can
    look at the machine, for the run inside, where it cannot."""
    system: str
    emulated: bool = False            # Wine runs under qemu-user
    screenshot: str | None = None     # where this run leaves its screenshot
    screenshot_as: str | None = None  # the name the report gives it
    display: str | None = None        # the X display to run on, instead of a private Xvfb


@dataclass(frozen=True)
class Request:
    disc: Disc
    options: Options
    plan: Plan
    bxdisc_version: str = ""


def first_plan(options: Options) -> Plan:
    """The plan of the run the author asked for, before the run outside has
    looked at anything."""
    return Plan(system=options.system, screenshot=options.screenshot)


OPTION_TYPES: dict[str, type] = {
    "system": str, "matrix": list, "jobs": int, "html": str, "junit": str, "shard": str,
    "results": str, "show": bool, "whole": bool,
    "installed": bool, "fresh": bool, "no_sandbox": bool, "screenshot": str, "click": str,
    "answer": str, "oleaut32": str, "timeout": int, "dpi": int,
}
CHOICES = {"system": SYSTEMS, "click": BUTTONS, **SCHEMA.choices}
PLAN_TYPES: dict[str, type] = {"system": str, "emulated": bool, "screenshot": str, "screenshot_as": str,
                               "display": str}


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


def _fields(document: dict[str, Any], key: str, types: dict[str, type], what: str) -> dict[str, Any]:
    """The fields of the document's object at key, each of its type; those
    that are null left out."""
    value = document.get(key, {})
    if not isinstance(value, dict):
        raise RequestError("%s is not an object" % key)
    given: dict[str, Any] = {}
    for name, item in value.items():
        if name not in types:
            raise RequestError("%s try does not know: %s" % (what, name))
        given[name] = _typed(name, item, types[name])
    return {k: v for k, v in given.items() if v is not None}


def _path(document: dict[str, Any], name: str) -> str | None:
    value = document.get(name)
    if value is not None and (not isinstance(value, str) or not value):
        raise RequestError("%s is not a path: %r" % (name, value))
    return value


def _title(value: Any) -> str | None:
    if value is not None and not isinstance(value, str):
        raise RequestError("look_for_title is not a text: %r" % (value,))
    return value or None


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
    """The request bxdisc wrote, or that the run outside wrote with its
    plan; RequestError for anything else."""
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
    given = _fields(document, "options", OPTION_TYPES, "an option")
    tail = document.get("tail")
    if tail is not None and (not isinstance(tail, list) or not all(isinstance(a, str) for a in tail)):
        raise RequestError("tail is not a list of words")
    folder, launcher = _path(document, "disc"), _path(document, "launcher")
    if not folder or not launcher:
        raise RequestError("no disc or no launcher")
    # Lexically, as the author wrote them: a link in the path stays one.
    for name in ("screenshot", "html", "junit", "results"):
        if given.get(name):
            given[name] = os.path.abspath(given[name])
    options = Options(**given, tail=tuple(tail) if tail is not None else None)
    disc = Disc(folder=os.path.abspath(folder), launcher=launcher, buttons=dict(buttons),
                setup_exe=_path(document, "setup_exe"), dcom=_path(document, "dcom"),
                package=_path(document, "package"), backdrop=_backdrop(document.get("backdrop")),
                look_for_title=_title(document.get("look_for_title")))
    plan = first_plan(options)
    if document.get("plan") is not None:
        planned = _fields(document, "plan", PLAN_TYPES, "a field of the plan")
        if "system" not in planned:
            raise RequestError("the plan names no system")
        plan = Plan(**planned)
    return Request(disc=disc, options=options, plan=plan, bxdisc_version=str(document.get("bxdisc_version", "")))


def dump(request: Request) -> str:
    """The request as bxdisc writes it, with the run's plan, for a run inside a sandbox."""
    disc, options, plan = request.disc, request.options, request.plan
    backdrop = disc.backdrop and {
        "width": disc.backdrop.width, "height": disc.backdrop.height,
        "samples": [[x, y, r << 16 | g << 8 | b] for x, y, (r, g, b) in disc.backdrop.samples]}
    given: dict[str, Any] = {name: getattr(options, name) for name in OPTION_TYPES}
    if options.matrix is not None:
        given["matrix"] = list(options.matrix)
    if options.shard is not None:
        given["shard"] = "%d/%d" % options.shard
    return json.dumps({"format": FORMAT, "bxdisc_version": request.bxdisc_version,
                       "disc": disc.folder, "launcher": disc.launcher,
                       "buttons": disc.buttons, "setup_exe": disc.setup_exe,
                       "dcom": disc.dcom, "package": disc.package, "backdrop": backdrop,
                       "look_for_title": disc.look_for_title,
                       "options": given,
                       "tail": list(options.tail) if options.tail is not None else None,
                       "plan": {name: getattr(plan, name) for name in PLAN_TYPES}})
