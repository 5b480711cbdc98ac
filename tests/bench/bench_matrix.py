#!/usr/bin/env python3
"""How long bxdisc try --matrix takes on the demo disc against one run, in
the same benchmark run and the same warm cache: the matrix of every system
this Wine emulates should take at most 3 times one single run (nine runs by
hand take 9 times). A measurement to read, not a test.

    python3 tests/bench/bench_matrix.py [--bxdisc PATH] [--disc FOLDER] [--single N] [--jobs J ...]

The cache is a temporary one, made warm by a first run that is not counted.
Like bench_try.py, it runs with PYTHONPATH=. from the source root.
"""
from __future__ import annotations

import argparse
import os
import statistics
import sys
import tempfile
from pathlib import Path

import winerunner
from bench_try import ROOT, timed


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--bxdisc", default=os.path.join(ROOT, "build", "native", "bin", "bxdisc"))
    parser.add_argument("--disc", default=os.path.join(ROOT, "build", "demo-disc"))
    parser.add_argument("--single", type=int, default=3, help="single runs, of which the median counts")
    parser.add_argument("--jobs", type=int, nargs="*", default=[], help="matrices with -j J besides the default")
    args = parser.parse_args()
    if not Path(args.disc).is_dir():
        sys.exit("no demo disc in %s: make it with bash scripts/demo.sh" % args.disc)
    with tempfile.TemporaryDirectory(prefix="bxdisc-bench-cache-") as cache:
        timed(args.bxdisc, args.disc, cache)  # the base prefix made: the rest is warm
        single = statistics.median(timed(args.bxdisc, args.disc, cache) for _ in range(args.single))
        matrices = [("default -j", timed(args.bxdisc, args.disc, cache, "--matrix"))]
        matrices += [("-j %d" % j, timed(args.bxdisc, args.disc, cache, "--matrix", "-j", str(j)))
                     for j in args.jobs]
    print("Wine runs %s, %d cores" % ("emulated (qemu-user)" if winerunner.emulated() else "natively",
                                      os.cpu_count() or 1))
    print("one warm run: %.1f s (median of %d)" % (single, args.single))
    for jobs, seconds in matrices:
        print("the matrix of every system, %s: %.1f s, %.2f times one run" % (jobs, seconds, seconds / single))


if __name__ == "__main__":
    main()
