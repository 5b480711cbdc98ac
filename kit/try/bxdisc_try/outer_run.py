"""One run of a disc, from outside the sandbox: the platform checked, a
work folder of its own with the view of the disc and a copy of the base
prefix, the run inside the sandbox (inner_run.py), and everything gone when
it ends, interrupted or not. Only the base prefix stays, in the cache."""
from __future__ import annotations

import dataclasses
import os
import re
import shutil
import sys
import tempfile
from pathlib import Path
from typing import Callable, Sequence, TextIO

import winerunner
from winerunner import executor
from winerunner.executor import Command, Output, Running

from . import sandbox
from .backdrop import screen_size
from .base_prefix import BasePrefix
from .disc_view import ViewTooBig, linked_files, make_view
from .outcome import Unusable
from .request import Request, dump

WINE_PACKAGES = ("Debian's wine and wine32:i386 (dpkg --add-architecture i386, then "
                 "apt-get install wine wine32:i386)")
RUNNER_PROGRAMS = ("uidriver.exe", "recstub.exe", "msiquery.exe", "verdll400.dll", "verdll350.dll")
Say = Callable[[str], None]
FRAME = re.compile(r"frame-\d\d\.png\Z")
Started = Callable[[Running], None]


def check_platform(request: Request) -> None:
    """Unusable, with the remedy, where something the run needs is missing."""
    options = request.options
    if not shutil.which("wine") or not os.path.exists(winerunner.WINE32):
        raise Unusable("32-bit Wine is not installed; install " + WINE_PACKAGES)
    if not winerunner.runs_32bit():
        raise Unusable("Wine's 32-bit programs do not run on this machine: its kernel runs no "
                       "32-bit programs and no emulator is registered for them (qemu-user 9 or "
                       "later: Debian 13's own, or Debian 12's from bookworm-backports, registered "
                       "for i386 through binfmt_misc)")
    if options.show and not os.environ.get("DISPLAY"):
        raise Unusable("--show needs an X display in $DISPLAY")
    needed = [("Xephyr", "xserver-xephyr")] if options.show and not options.no_sandbox else []
    needed += [] if options.show else [("Xvfb", "xvfb")]
    needed += [("import", "imagemagick")] if options.screenshot or options.html or options.results else []
    missing = [(p, package) for p, package in needed if not shutil.which(p)]
    if missing:
        raise Unusable("%s not installed; install with apt-get install %s"
                       % (", ".join(p for p, _ in missing), " ".join(k for _, k in missing)))
    programs = os.path.dirname(os.path.abspath(winerunner.__file__))
    absent = [t for t in RUNNER_PROGRAMS if not os.path.exists(os.path.join(programs, t))]
    if absent:
        raise Unusable(
            "the Wine runner's programs (%s) are not in %s; build them with the cross build "
            "(cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake, then ninja), or name a "
            "folder that holds bxdisc_try/ and winerunner/ in $BXDISC_DATA" % (", ".join(absent), programs))
    if not options.no_sandbox:
        try:
            sandbox.check()
        except sandbox.SandboxUnusable as e:
            raise Unusable(str(e))


def import_folders() -> list[str]:
    """The folders this package and the Wine runner are imported from, links
    resolved as the sandbox binds them: bxdisc's data folder, and the
    runner's wherever its link there leads."""
    packages = (Path(__file__), Path(winerunner.__file__))
    return list(dict.fromkeys(str(package.resolve().parent.parent) for package in packages))


def sandboxed(words: list[str], work: str, readable: Sequence[str] = (), sockets: Sequence[str] = (),
              out: TextIO | None = None, started: Started | None = None) -> int:
    """Runs this package with words inside the sandbox, as bxdisc runs it
    outside; its exit status."""
    folders = import_folders()
    line = sandbox.command([sys.executable, "-P", "-B", "-m", "bxdisc_try"] + words, work,
                           readable=folders + list(readable), sockets=sockets,
                           env={"PYTHONPATH": os.pathsep.join(folders)})
    # Its group killed when this run is interrupted: the sandbox's own processes end with it.
    with executor.start(Command(line, output=out if out is not None else Output.INHERIT)) as running:
        if started:
            started(running)
        return running.wait()


def base_prefix(request: Request, say: Say) -> BasePrefix:
    """The cached base prefix, made (in a sandbox of its own) where it is missing."""
    def make(staging: str) -> None:
        os.mkdir(os.path.join(staging, "home"))
        if request.options.no_sandbox:
            from . import inner_run
            status = inner_run.make_base(staging, request.plan.emulated, say)
        else:
            status = sandboxed(["make-base", staging] + (["--emulated"] if request.plan.emulated else []),
                               staging)
        if status:
            raise Unusable("Wine could not make the base prefix (exit status %d)" % status)
    return BasePrefix(make, say)


def regular_file(path: str) -> bool:
    """Whether path is a file and no link: what the sandbox's programs may
    have put in the work folder is read only so."""
    return os.path.isfile(path) and not os.path.islink(path)


def run_disc(request: Request, say: Say, base: BasePrefix | None, out: TextIO | None = None,
             started: Started | None = None, keep: str | None = None) -> int:
    """The disc's run on request.plan.system in a work folder of its own; its
    exit status. The screenshot is copied to request.plan.screenshot; with keep,
    a folder, the run's result.json goes there."""
    work = tempfile.mkdtemp(prefix="bxdisc-try-")
    xephyr = None
    try:
        os.mkdir(os.path.join(work, "home"))
        # --whole runs the disc's own programs: no recorder stands in.
        stand_ins = [rel for rel in (request.disc.setup_exe, request.disc.dcom) if rel and not request.options.whole]
        programs = os.path.dirname(os.path.abspath(winerunner.__file__))
        try:
            make_view(request.disc.folder, os.path.join(work, "disc"), stand_ins,
                      os.path.join(programs, "recstub.exe"))
        except ViewTooBig as e:
            raise Unusable(str(e))
        if base:
            # Unconfined, Wine's own files are not to be reached through links.
            try:
                base.copy_to(os.path.join(work, "prefix"), share_builtins=not request.options.no_sandbox)
            except OSError as e:
                say("no base prefix (%s); this run makes a prefix of its own" % e)
                shutil.rmtree(os.path.join(work, "prefix"), ignore_errors=True)
        shot = os.path.join(work, "screenshot.png")
        display = None
        sockets = []
        if request.options.show and not request.options.no_sandbox:
            try:
                xephyr, display = winerunner.nested_display(screen_size(request.options.dpi), "bxdisc try")
            except winerunner.XServerFailed as e:
                raise Unusable("Xephyr did not start on %s (%s)" % (os.environ.get("DISPLAY"), e))
            sockets.append("/tmp/.X11-unix/X" + display.lstrip(":"))
        elif request.options.show:
            display = os.environ["DISPLAY"]
        # The run inside takes its screenshot into the work folder, which goes.
        plan = dataclasses.replace(request.plan, screenshot=shot if request.plan.screenshot else None,
                                   screenshot_as=request.plan.screenshot_as or request.plan.screenshot, display=display)
        with open(os.path.join(work, "request.json"), "w") as f:
            f.write(dump(dataclasses.replace(request, plan=plan)))
        if request.options.no_sandbox:
            from . import inner_run
            status = inner_run.run_inside(work, say, out)
        else:
            status = sandboxed(["inside", work], work, readable=linked_files(os.path.join(work, "disc")),
                               sockets=sockets, out=out, started=started)
        copies = [(shot, request.plan.screenshot)]
        if keep:
            copies += [(os.path.join(work, "result.json"), os.path.join(keep, "result.json"))]
        # --whole's frames: beside the result for a matrix, beside --screenshot's file for one run.
        for n, frame in enumerate(sorted(f for f in os.listdir(work) if FRAME.match(f)), 1):
            if keep:
                copies.append((os.path.join(work, frame), os.path.join(keep, frame)))
            elif request.plan.screenshot:
                copies.append((os.path.join(work, frame),
                               "%s-%02d.png" % (os.path.splitext(request.plan.screenshot)[0], n)))
        for source, target in copies:
            if target and regular_file(source):
                shutil.copyfile(source, target)
        if status < 0:
            raise Unusable("the run ended with signal %d" % -status)
        return status
    finally:
        if xephyr:
            winerunner.stop_x_server(xephyr)
        shutil.rmtree(work, ignore_errors=True)
