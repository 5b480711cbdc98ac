#!/usr/bin/env python3
"""How long bxdisc try --click install takes on the demo disc, and how much
of the cores: cold (an empty cache, so the base prefix is made first) and
warm (a copy of the cached one). A measurement to read, not a test: nothing
here fails.

    python3 tests/bench/bench_try.py [--bxdisc PATH] [--disc FOLDER] [--warm N]

Defaults take build/native/bin/bxdisc and the demo disc that scripts/demo.sh
lays out in build/demo-disc. The cache is a temporary one, not yours. It
imports the Wine runner: run it from the source root with PYTHONPATH=. set.

Core-seconds are the user and system time of every process a run started:
this process adopts the orphans (Wine's server and programs leave their
parents), so all of them are reaped here and counted. Wall times depend on
what else the machine runs: the load average is printed beside them.
"""
from __future__ import annotations

import argparse
import ctypes
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

import winerunner

ROOT = Path(__file__).resolve().parents[2]
PR_SET_CHILD_SUBREAPER = 36


@dataclass(frozen=True)
class Timing:
    """One bxdisc run: its wall time, its processes' core-seconds, and the
    machine's load average (one minute) as it ended."""
    wall: float
    core_seconds: float
    load: float

    @property
    def share(self) -> float:
        """The run's share of one core over its wall time."""
        return self.core_seconds / self.wall if self.wall else 0.0

    def line(self, name: str) -> str:
        return "%s: %.1f s, %.1f core-seconds (%.2f of a core; load %.1f)" % (
            name, self.wall, self.core_seconds, self.share, self.load)


def adopt_orphans() -> None:
    """Makes this process the reaper of its descendants' orphans."""
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1)


def reap() -> None:
    """Reaps the orphans that have ended, so that their times count."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def children_seconds() -> float:
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def timed(bxdisc: Path, disc: Path, cache: Path, *more: str, click: bool = True) -> Timing:
    """One bxdisc try (with --click install unless told not), more options added."""
    spent, started = children_seconds(), time.monotonic()
    done = subprocess.run([str(bxdisc), "try", str(disc), *(["--click", "install"] if click else []), *more],
                          capture_output=True, text=True, env=dict(os.environ, XDG_CACHE_HOME=str(cache)))
    wall = time.monotonic() - started
    reap()
    if done.returncode != 0:
        sys.exit("bxdisc try %s failed (exit status %d):\n%s%s" % (" ".join(more), done.returncode,
                                                                   done.stdout, done.stderr))
    return Timing(wall, children_seconds() - spent, os.getloadavg()[0])


def machine() -> str:
    """How Wine runs here, and on how many cores."""
    return "Wine runs %s, %d cores" % ("emulated (qemu-user)" if winerunner.emulated() else "natively",
                                       os.cpu_count() or 1)


def arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--bxdisc", type=Path, default=ROOT / "build" / "native" / "bin" / "bxdisc")
    parser.add_argument("--disc", type=Path, default=ROOT / "build" / "demo-disc")


def main() -> None:
    parser = argparse.ArgumentParser()
    arguments(parser)
    parser.add_argument("--warm", type=int, default=5)
    args = parser.parse_args()
    if not args.disc.is_dir():
        sys.exit("no demo disc in %s: make it with bash scripts/demo.sh" % args.disc)
    adopt_orphans()
    with tempfile.TemporaryDirectory(prefix="bxdisc-bench-cache-") as cache:
        cold = timed(args.bxdisc, args.disc, Path(cache))
        warm = [timed(args.bxdisc, args.disc, Path(cache)) for _ in range(args.warm)]
    print(machine())
    print(cold.line("cold (the base prefix made, then the run)"))
    for number, run in enumerate(warm, 1):
        print(run.line("warm %d" % number))
    print("warm: median %.1f s, %.1f core-seconds" % (statistics.median(t.wall for t in warm),
                                                    statistics.median(t.core_seconds for t in warm)))


if __name__ == "__main__":
    main()
