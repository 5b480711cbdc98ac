#!/usr/bin/env python3
"""Runs the Wine suite: run.py --setup SETUP.EXE --runner DIR --tools DIR [--work DIR]
[unittest arguments, e.g. -k mutex or test_launch.ProductWindowTest]."""

import argparse
import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
# The suite imports the Wine runner, try's runner and the tests' helpers from the source
# tree, by PYTHONPATH: run again with it.
ROOT = os.path.dirname(os.path.dirname(here))
IMPORTS = [ROOT, os.path.join(ROOT, "kit", "try"), os.path.join(ROOT, "tests")]
if os.environ.get("PYTHONPATH", "").split(os.pathsep)[:len(IMPORTS)] != IMPORTS:
    given = [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    os.execve(sys.executable, [sys.executable, os.path.abspath(__file__)] + sys.argv[1:],
              dict(os.environ, PYTHONPATH=os.pathsep.join(IMPORTS + given)))

parser = argparse.ArgumentParser()
parser.add_argument("--setup", required=True, help="the setup.exe under test")
parser.add_argument("--runner", required=True, help="folder of the Wine runner's programs (uidriver.exe...)")
parser.add_argument("--tools", required=True, help="folder of the test-only tools (holdmutex.exe...)")
parser.add_argument("--work", help="scratch folder, emptied first (default: a temporary one)")
args, rest = parser.parse_known_args()

os.environ["WINEBED_SETUP"] = os.path.abspath(args.setup)
os.environ["WINEBED_RUNNER"] = os.path.abspath(args.runner)
os.environ["WINEBED_TOOLS"] = os.path.abspath(args.tools)
if args.work:
    import fcntl
    import shutil
    # Held to the end: a second run of the same build's suite would empty the
    # folder, prefix and all, under the first. It takes a temporary one.
    work_lock = open(os.path.abspath(args.work) + ".lock", "w")
    try:
        fcntl.flock(work_lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        shutil.rmtree(args.work, ignore_errors=True)
        os.environ["WINEBED_WORK"] = os.path.abspath(args.work)
    except BlockingIOError:
        print("run.py: another run works in %s; this one in a temporary folder" % args.work, file=sys.stderr)
# Named tests run alone; otherwise every test_*.py, filtered by any -k.
names = [a for i, a in enumerate(rest) if not a.startswith("-") and (i == 0 or rest[i - 1] != "-k")]
if names:
    unittest.main(module=None, argv=[sys.argv[0], "-v"] + rest)
else:
    unittest.main(module=None,
                  argv=[sys.argv[0], "discover", "-s", here, "-p", "test_*.py", "-v"] + rest)
