"""bxdisc try's runner: a disc's launcher run on emulated Windows, with a
plain report of what it did. bxdisc starts it as `python3 -P -B -m
bxdisc_try run`, with PYTHONPATH its data folder, which holds this package
beside the Wine runner's, and its request (request.py) on standard input;
the runs inside the sandbox start it again, the same way, as `inside WORK`
and `make-base STAGING`. bxdisc try --merge starts it as `merge --bxdisc
VERSION [--html DIR] [--junit FILE] -- FOLDER...` (merge.py), which runs no
Wine.

The run is the Wine runner's (winerunner/, beside this package in bxdisc's
data folder), with its UI driver and its recording stub: the disc as D:, a
view of the author's folder made before any Windows program runs, in which
recorders stand in for the programs the launcher starts (disc_view.py); a
throwaway copy of the base prefix (base_prefix.py) and a private Xvfb, or
with --show a nested X server on the author's display; everything inside
bubblewrap (sandbox.py) unless --no-sandbox.

Its exit status is one of outcome.py's, the numbers bxdisc's own statuses
have (exit_statuses.json).
"""
from __future__ import annotations

import argparse
import dataclasses
import signal
import subprocess
import sys
from types import FrameType

from . import outcome
from . import request as requests

NO_SANDBOX = ("warning: --no-sandbox: the disc's programs run unconfined, with your rights over "
              "your files, your X display and the network")


def say(line: str) -> None:
    print("bxdisc try: " + line, file=sys.stderr, flush=True)


def arguments(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(prog="bxdisc try", description="bxdisc try's runner: run bxdisc try")
    roles = parser.add_subparsers(dest="role", required=True)
    roles.add_parser("run", help="the run bxdisc starts, its request on standard input")
    inside = roles.add_parser("inside", help="a run inside the sandbox")
    inside.add_argument("work")
    base = roles.add_parser("make-base", help="the base prefix made inside a sandbox of its own")
    base.add_argument("staging")
    base.add_argument("--emulated", action="store_true", help="Wine runs under qemu-user")
    merge = roles.add_parser("merge", help="shards' --results folders as one matrix")
    merge.add_argument("--bxdisc", required=True, help="the version of the bxdisc that starts it")
    merge.add_argument("--html")
    merge.add_argument("--junit")
    merge.add_argument("folders", nargs="+")
    return parser.parse_args(argv)


def run(request: requests.Request) -> int:
    import winerunner

    from . import matrix, outer_run
    if request.options.no_sandbox:
        print(NO_SANDBOX, flush=True)
    # Found here, where binfmt_misc shows: the runs inside cannot see it.
    request = dataclasses.replace(request, plan=dataclasses.replace(request.plan, emulated=winerunner.emulated()))
    if request.options.matrix is not None:
        return matrix.run_matrix(request, say)
    print("bxdisc try: %s on %s" % (request.disc.folder, request.plan.system), flush=True)
    outer_run.check_platform(request)
    base = None if request.options.fresh else outer_run.base_prefix(request, say)
    return outer_run.run_disc(request, say, base)


def main(argv: list[str]) -> int:
    args = arguments(argv)

    def interrupted(signum: int, frame: FrameType | None) -> None:
        raise KeyboardInterrupt
    # Interruptible even when started with SIGINT ignored (a background job).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)
    try:
        if args.role == "make-base":
            from . import inner_run
            return inner_run.make_base(args.staging, args.emulated, say)
        if args.role == "inside":
            from . import inner_run
            return inner_run.run_inside(args.work, say)
        if args.role == "merge":
            from . import merge
            try:
                return merge.merge(args.folders, args.bxdisc, args.html, args.junit)
            except OSError as e:  # no Wine to blame
                say("cannot write %s (%s)" % (e.filename, e.strerror))
                return outcome.UNUSABLE
        try:
            request = requests.load(sys.stdin.buffer.read().decode("utf-8", "surrogateescape"))
        except requests.RequestError as e:
            say("not a request from bxdisc (%s): run bxdisc try" % e)
            return outcome.UNUSABLE
        return run(request)
    except outcome.Unusable as e:
        say(str(e))
        return outcome.UNUSABLE
    except KeyboardInterrupt:
        if args.role == "run":
            say("interrupted; its prefix, display and processes are gone")
        return outcome.INTERRUPTED
    except (subprocess.SubprocessError, OSError) as e:
        say("Wine failed: %s" % e)
        return outcome.UNUSABLE


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
