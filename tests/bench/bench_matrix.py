#!/usr/bin/env python3
"""How long and how much of the cores bxdisc try --matrix takes on the demo
disc, against one warm run, in the same benchmark run and the same warm
cache; and where try has --whole, one system's whole life. A measurement
to read, not a test.

    python3 tests/bench/bench_matrix.py [--bxdisc PATH] [--disc FOLDER] [--single N] [--jobs J ...]

For the matrix it prints its floor, all runs' core-seconds divided by the
cores (the least wall time the cores allow), and how far above it the
matrix ended: a ratio near 1 means the cores were kept busy. The cache is
a temporary one, made warm by a first run that is not counted. Like
bench_try.py, it runs with PYTHONPATH=. from the source root.
"""
from __future__ import annotations

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

from bench_try import Timing, adopt_orphans, arguments, machine, timed


def has_whole(bxdisc: Path) -> bool:
    """Whether this bxdisc try runs a disc's whole life."""
    done = subprocess.run([str(bxdisc), "try", "--help"], capture_output=True, text=True)
    return "--whole" in done.stdout + done.stderr


def matrix_lines(name: str, matrix: Timing, single: float, cores: int) -> list[str]:
    floor = matrix.core_seconds / cores
    return [matrix.line(name),
            "  floor %.1f s (core-seconds / %d cores): %.2f times the floor, %.2f times one warm run"
            % (floor, cores, matrix.wall / floor if floor else 0.0, matrix.wall / single if single else 0.0)]


def main() -> None:
    parser = argparse.ArgumentParser()
    arguments(parser)
    parser.add_argument("--single", type=int, default=3, help="single runs, of which the median counts")
    parser.add_argument("--jobs", type=int, nargs="*", default=[], help="matrices with -j J besides the default")
    parser.add_argument("--no-matrix", action="store_true", help="single runs (and the whole life) only")
    parser.add_argument("--cache", type=Path, help="a cache to use and keep, instead of a temporary one")
    args = parser.parse_args()
    if not args.disc.is_dir():
        sys.exit("no demo disc in %s: make it with bash scripts/demo.sh" % args.disc)
    cores = os.cpu_count() or 1
    adopt_orphans()
    lines = [machine()]
    with tempfile.TemporaryDirectory(prefix="bxdisc-bench-cache-") as folder:
        cache = args.cache or Path(folder)
        timed(args.bxdisc, args.disc, cache)  # the base prefix made: the rest is warm
        singles = [timed(args.bxdisc, args.disc, cache) for _ in range(args.single)]
        lines += [t.line("one warm run %d" % n) for n, t in enumerate(singles, 1)]
        single = statistics.median(t.wall for t in singles)
        lines.append("one warm run: median %.1f s, %.1f core-seconds"
                     % (single, statistics.median(t.core_seconds for t in singles)))
        if has_whole(args.bxdisc):
            whole = timed(args.bxdisc, args.disc, cache, "--whole", click=False)
            lines += [whole.line("one system's whole life"), "  %.2f times one warm run" % (whole.wall / single)]
        else:
            lines.append("one system's whole life: skipped, this bxdisc try has no --whole")
        runs: list[tuple[str, tuple[str, ...]]] = [] if args.no_matrix else [
            ("the matrix of every system, default -j", ())]
        runs += [("the matrix, -j %d" % j, ("-j", str(j))) for j in args.jobs]
        for name, more in runs:
            lines += matrix_lines(name, timed(args.bxdisc, args.disc, cache, "--matrix", *more), single, cores)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
