"""Windows 95 and 98's restart, as try stands in for it: what the launcher
staged in wininit.ini is done (as the real system does before it starts),
wininit.ini becomes wininit.bak, and the commands registered under RunOnce
are taken out of the registry, to be run and followed as the system would
run them. Only files of the throwaway prefix are ever touched."""
from __future__ import annotations

import os
import re
from dataclasses import dataclass
from typing import Callable

RUN_ONCE = r"HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce"
# Where Windows 95 keeps the version of Distributed COM its installer put in,
# and a version at least as high as any a disc needs (only its first number counts).
DCOM_VERSION = r"HKCR\CLSID\{bdc67890-4fc0-11d0-a805-00aa006d2ea4}\InstalledVersion"
DCOM_INSTALLED = "9999,0,0,0"


@dataclass(frozen=True)
class Rename:
    """One line of wininit.ini's [rename]: source replaces target, or with
    no target (NUL) is deleted."""
    target: str | None
    source: str


def renames(text: str) -> list[Rename]:
    """The [rename] lines of a wininit.ini, in order."""
    found, section = [], ""
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
        elif section == "rename" and "=" in line and not line.startswith(";"):
            target, _, source = (part.strip() for part in line.partition("="))
            if source:
                found.append(Rename(None if target.upper() == "NUL" else target, source))
    return found


def run_once(query: str) -> list[tuple[str, str]]:
    """(name, command) of each value that `reg query` lists."""
    return [(m.group(1), m.group(2)) for m in
            re.finditer(r"^\s+(\S.*?)\s{4}REG_\w+\s{4}(.*?)\s*$", query, re.M)]


def apply_renames(steps: list[Rename], to_linux: Callable[[str], str | None]) -> list[str]:
    """Does the renames in order; to_linux gives a C: path's file in the
    prefix, or None for anything outside it. Gives a line for each."""
    done = []
    for step in steps:
        source = to_linux(step.source)
        target = to_linux(step.target) if step.target else None
        if source is None or (step.target and target is None):
            done.append("%s=%s: outside the system's drive; not done" % (step.target or "NUL", step.source))
        elif not os.path.isfile(source) or os.path.islink(source):
            done.append("%s=%s: no such file; nothing done" % (step.target or "NUL", step.source))
        elif target is None:
            os.unlink(source)
            done.append("%s deleted" % step.source)
        else:
            if os.path.lexists(target) and not os.path.isfile(target):
                done.append("%s: not a file; not replaced" % step.target)
                continue
            os.replace(source, target)
            done.append("%s replaced by %s" % (step.target, step.source))
    return done
