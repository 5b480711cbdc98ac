"""The recording stub (recstub.exe) that stands in for a program a launcher
starts: where a copy of it logs, the runs it logged, and a stand-in put in a
program's place."""
from __future__ import annotations

import json
import os
import shutil
from pathlib import Path
from typing import Any

Record = dict[str, Any]
StrPath = str | os.PathLike[str]


def recorder_log(program: StrPath) -> str:
    """Where the recording stub at that path logs its runs: its name's
    extension (os.path's reading of it, which takes "SETUP." as "SETUP"
    and ".") becomes .log."""
    return os.path.splitext(os.fspath(program))[0] + ".log"


def recorded_runs(program: StrPath) -> list[Record]:
    """The runs the recording stub at that path logged: dicts with cmdline,
    cwd and argv."""
    log = Path(recorder_log(program))
    if not log.exists():
        return []
    lines = log.read_bytes().decode("ascii").split("\n")
    # The stub creates its log before it writes the line: a run still
    # writing is not a run yet.
    return [json.loads(line) for line in lines[:-1]]


def replace_file(source: StrPath, target: StrPath) -> None:
    """Copies source to target as a file of its own: a target that is a link
    (into Wine's own files, in a prefix that shares them) goes first."""
    target = Path(target)
    if target.is_symlink() or target.exists():
        target.unlink()
    shutil.copy(source, target)
