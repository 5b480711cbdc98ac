#!/usr/bin/env python3
"""How soon the front window is on screen, under Wine, against the least
program that shows a dialog (tests/tools/emptydlg.c); and the launcher's
peak memory. A measurement to read, not a test: nothing here fails.

    python3 tests/bench/bench_front_window.py [--runs 20] [--setup EXE] [--runner DIR] [--tools DIR]

Defaults take the cross build in build/win32. The disc is the demo disc
(demo/Autorun.inf and the artwork of demo/make_art.py), mapped as D:. Each
round starts the launcher with /autorun, then the yardstick, one after the
other, timing from CreateProcess to the first visible top-level window
(tests/tools/startclock.c); the first round warms Wine up and is left out.
It imports the Wine suite's helpers: run it from the source root with
PYTHONPATH=tests/wine:tests:kit/try:.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys

import winebed

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--setup", default=os.path.join(ROOT, "build", "win32", "setup.exe"))
    parser.add_argument("--runner", default=os.path.join(ROOT, "build", "win32", "winerunner"))
    parser.add_argument("--tools", default=os.path.join(ROOT, "build", "win32", "tests", "tools"))
    args = parser.parse_args()

    bed = winebed.WineBed(args.setup, args.runner, args.tools, os.environ.get("WINEBED_WORK"))
    try:
        bed.start()
        disc = bed.new_disc()
        shutil.copy(os.path.join(ROOT, "demo", "Autorun.inf"), disc.file("Autorun.inf"))
        subprocess.run([sys.executable, os.path.join(ROOT, "demo", "make_art.py"), disc.path],
                       check=True)
        out = subprocess.run(
            ["wine", bed.tool("startclock.exe"), str(args.runs + 1), "D:\\setup.exe /autorun",
             winebed.to_windows(bed.tool("emptydlg.exe"))],
            env=bed.env, cwd=disc.path, capture_output=True,
            timeout=bed.scaled(60 + 10 * args.runs))
        runs = [json.loads(line) for line in out.stdout.decode("ascii").splitlines()
                if line.startswith("{")]
    finally:
        bed.stop()

    runs = [r for r in runs if r["round"] > 0]
    if not runs or not all(r["ok"] for r in runs):
        print("some runs showed no window:", runs)
        return 1
    launcher = [r for r in runs if r["which"] == "A"]
    yardstick = [r for r in runs if r["which"] == "B"]
    ratios = sorted(a["ms"] / b["ms"] for a, b in zip(launcher, yardstick))

    def ms(rows):
        values = [r["ms"] for r in rows]
        return "median %.1f ms, min %.1f, max %.1f" % (
            statistics.median(values), min(values), max(values))

    if winebed.emulated():
        print("Wine runs emulated here (qemu-user, a kernel without 32-bit execution):\n"
              "  the ratio compares two equally emulated programs; the absolute times are\n"
              "  some 4-8 times those of a native Wine and not comparable with them.")
    print("paired runs:      %d" % len(ratios))
    print("launcher window:  " + ms(launcher))
    print("empty dialog:     " + ms(yardstick))
    print("ratio:            median %.2f, quartiles %.2f .. %.2f" % (
        statistics.median(ratios), ratios[len(ratios) // 4], ratios[(3 * len(ratios)) // 4]))
    print("peak working set: launcher %d KiB (max %d), empty dialog %d KiB" % (
        statistics.median(r["peak_kb"] for r in launcher), max(r["peak_kb"] for r in launcher),
        statistics.median(r["peak_kb"] for r in yardstick)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
