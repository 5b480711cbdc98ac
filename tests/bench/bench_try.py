#!/usr/bin/env python3
"""How long bxdisc try --click install takes on the demo disc: cold (an empty
cache, so the base prefix is made first) and warm (a copy of the cached
one). A measurement to read, not a test: nothing here fails.

    python3 tests/bench/bench_try.py [--bxdisc PATH] [--disc FOLDER] [--warm N]

Defaults take build/native/bin/bxdisc and the demo disc that scripts/demo.sh
lays out in build/demo-disc. The cache is a temporary one, not yours. It
imports the Wine runner: run it from the source root with
PYTHONPATH=. set.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import winerunner

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def timed(bxdisc: str, disc: str, cache: str, *more: str) -> float:
    """Seconds of one bxdisc try --click install, more options added."""
    started = time.monotonic()
    done = subprocess.run([bxdisc, "try", disc, "--click", "install", *more], capture_output=True,
                          text=True, env=dict(os.environ, XDG_CACHE_HOME=cache))
    spent = time.monotonic() - started
    if done.returncode != 0:
        sys.exit("bxdisc try failed (exit status %d):\n%s%s" % (done.returncode, done.stdout,
                                                                done.stderr))
    return spent


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bxdisc", default=os.path.join(ROOT, "build", "native", "bin", "bxdisc"))
    parser.add_argument("--disc", default=os.path.join(ROOT, "build", "demo-disc"))
    parser.add_argument("--warm", type=int, default=5)
    args = parser.parse_args()
    if not os.path.isdir(args.disc):
        sys.exit("no demo disc in %s: make it with bash scripts/demo.sh" % args.disc)
    with tempfile.TemporaryDirectory(prefix="bxdisc-bench-cache-") as cache:
        cold = timed(args.bxdisc, args.disc, cache)
        warm = [timed(args.bxdisc, args.disc, cache) for _ in range(args.warm)]
    print("Wine runs %s" % ("emulated (qemu-user)" if winerunner.emulated() else "natively"))
    print("cold: %.1f s (the base prefix made, then the run)" % cold)
    print("warm: %.1f s median of %d (%.1f to %.1f s)" % (statistics.median(warm), len(warm),
                                                         min(warm), max(warm)))


if __name__ == "__main__":
    main()
