"""The runs inside the sandbox: the making of the base prefix, and the
launcher's run with its report, from the request the run outside left in
the work folder. The result goes beside it, as result.json, for a matrix."""
from __future__ import annotations

import json
import os
import shutil
import subprocess
import time
from typing import Callable, TextIO

import winerunner

from . import request as requests
from .launcher_run import run_launcher
from .outcome import INTERRUPTED, UNUSABLE, Unusable
from .report import Report


def make_base(staging: str, emulated: bool, say: Callable[[str], None]) -> int:
    """A new prefix at staging/prefix, sealed."""
    runner = winerunner.WineRunner(None, os.path.join(staging, "work"), prefix=os.path.join(staging, "prefix"),
                                   sealed=True, say=say, emulated=emulated)
    try:
        runner.start()
        with open(os.path.join(staging, "systems.json"), "w") as f:
            json.dump([s for s in requests.SYSTEMS if runner.knows_system(s)], f)
    finally:
        runner.stop()
    shutil.rmtree(os.path.join(staging, "work"), ignore_errors=True)
    return 0


def run_inside(work: str, say: Callable[[str], None], out: TextIO | None = None) -> int:
    """The run and its report; the report's status."""
    with open(os.path.join(work, "request.json"), encoding="ascii") as f:
        request = requests.load(f.read())
    report = Report(out)
    started = time.monotonic()
    try:
        run_launcher(request, work, say, report)
        report.end()
    except Unusable as e:
        report.status, report.verdict = UNUSABLE, str(e)
        raise
    except (OSError, subprocess.SubprocessError) as e:
        report.status, report.verdict = UNUSABLE, "Wine failed: %s" % e
        raise
    except KeyboardInterrupt:
        report.status, report.verdict = INTERRUPTED, "interrupted"
        raise
    finally:
        # Written even for a run that cannot go on: the matrix shows why.
        result = report.result(request.plan.system, time.monotonic() - started)
        with open(os.path.join(work, "result.json"), "w") as f:
            json.dump(result.to_json(), f)
    return report.status

