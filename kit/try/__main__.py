"""bxdisc try's runner: a disc's launcher run on emulated Windows, with a
plain report of what it did. bxdisc starts it as `python3 DATA/try run`,
with its request (request.py) on standard input; the runs inside the
sandbox start it again as `inside WORK` and `make-base STAGING`. bxdisc try
--merge starts it as `merge --bxdisc VERSION [--html DIR] [--junit FILE]
-- FOLDER...` (merge.py), which runs no Wine.

The run is the Wine runner's (winerunner/, beside this folder in bxdisc's
data folder), with its UI driver and its recording stub: the disc as D:, a
view of the author's folder made before any Windows program runs, in which
recorders stand in for the programs the launcher starts (disc_view.py); a
throwaway copy of the base prefix (base_prefix.py) and a private Xvfb, or
with --show a nested X server on the author's display; everything inside
bubblewrap (sandbox.py) unless --no-sandbox.

Exit status: 0 the launcher ended as the disc intends (on every system,
with --matrix); 1 it showed an error message, hung, or the clicked button
was not there; 2 the disc or Wine cannot be used; 130 interrupted.
"""
from __future__ import annotations

import argparse
import os
import signal
import subprocess
import sys
from types import FrameType

HERE = os.path.dirname(os.path.realpath(__file__))
# bxdisc's data folder holds this folder beside the Wine runner's package.
sys.path[:0] = [HERE, os.path.dirname(HERE)]
sys.dont_write_bytecode = True  # an installed data folder is not ours to write

import outcome  # noqa: E402
import request as requests  # noqa: E402

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
    import matrix
    import outer_run
    import winerunner
    if request.no_sandbox:
        print(NO_SANDBOX, flush=True)
    request = request.but(emulated=winerunner.emulated())
    if request.matrix is not None:
        return matrix.run_matrix(request, say)
    print("bxdisc try: %s on %s" % (request.disc, request.system), flush=True)
    outer_run.check_platform(request)
    base = None if request.fresh else outer_run.base_prefix(request, say)
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
            import inner_run
            return inner_run.make_base(args.staging, args.emulated, say)
        if args.role == "inside":
            import inner_run
            return inner_run.run_inside(args.work, say)
        if args.role == "merge":
            import merge
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
