#!/usr/bin/env python3
"""bxdisc try: a disc's launcher run on emulated Windows, with a plain report
of what it did.

bxdisc (kit/try/RunnerCommand.cpp) reads the disc with the launcher's own
code and starts this script with what it found and try's options, each
--name=value (--name for a flag). The run is the Wine runner's
(winerunner/, in bxdisc's data folder beside this script's folder), the
same that the tests under Wine run on, with its UI driver and its
recording stub:

- the disc as D:, a view of the author's folder made before any Windows
  program runs (real folders, copies of its files, links to the biggest) in
  which recorders stand in for the setup program and the Distributed COM
  installer; nothing is ever written through a link;
- a throwaway copy of the base prefix (base_prefix.py) and a private Xvfb,
  or with --show a nested X server (Xephyr) on the author's display;
- every Windows program of the run, with Wine, its server and the X
  server, inside the sandbox (sandbox.py), unless --no-sandbox;
- the run itself (launcher_run.py): with --installed, the disc's package
  installed by msiexec, its program stood in by a recorder; the restart
  stood in by a recorder in place of Wine's wineboot.

Exit status: 0 the launcher ended as the disc intends; 1 it showed an error
message, hung, or the clicked button was not there; 2 the disc or Wine cannot
be used. Everything it made goes when it ends, interrupted or not; only the
base prefix stays, in the cache.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

# bxdisc's data folder holds this script's folder beside the Wine runner's.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "winerunner"))
try:
    import winerunner
except ImportError:
    winerunner = None

import sandbox  # noqa: E402
from base_prefix import BasePrefix  # noqa: E402
from disc_view import ViewTooBig, linked_files, make_view  # noqa: E402
from screen import screen_size  # noqa: E402

UNUSABLE = 2
WINE_PACKAGES = ("Debian's wine and wine32:i386 (dpkg --add-architecture i386, then "
                 "apt-get install wine wine32:i386)")
# What bxdisc hands on: values, and the flags among them.
FLAGS = ("show", "installed", "no_sandbox", "fresh")
NO_SANDBOX = ("warning: --no-sandbox: the disc's programs run unconfined, with your rights over "
              "your files, your X display and the network")


class Unusable(Exception):
    """The disc or Wine cannot be used: exit status 2, with this message."""


def say(line):
    print("bxdisc try: " + line, file=sys.stderr, flush=True)


def check_platform(args):
    if not shutil.which("wine") or not os.path.exists("/usr/lib/wine/wine"):
        raise Unusable("32-bit Wine is not installed; install " + WINE_PACKAGES)
    try:
        subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True, timeout=120,
                       check=True)
    except (OSError, subprocess.SubprocessError):
        raise Unusable("Wine's 32-bit programs do not run on this machine: its kernel runs no "
                       "32-bit programs and no emulator is registered for them (qemu-user 9 or "
                       "later, from bookworm-backports, registered for i386 through binfmt_misc)")
    if args.show and not os.environ.get("DISPLAY"):
        raise Unusable("--show needs an X display in $DISPLAY")
    needed = [("Xephyr", "xserver-xephyr")] if args.show and not args.no_sandbox else []
    needed += [] if args.show else [("Xvfb", "xvfb")]
    needed += [("import", "imagemagick"), ("xdotool", "xdotool")] if args.screenshot else []
    missing = [(p, package) for p, package in needed if not shutil.which(p)]
    if missing:
        raise Unusable("%s not installed; install with apt-get install %s"
                       % (", ".join(p for p, _ in missing), " ".join(k for _, k in missing)))
    if winerunner is None:
        raise Unusable("the Wine runner (winerunner.py) is not beside %s"
                       % os.path.dirname(os.path.abspath(__file__)))
    programs = os.path.dirname(os.path.abspath(winerunner.__file__))
    needed = ["uidriver.exe", "recstub.exe", "msiquery.exe", "verdll400.dll", "verdll350.dll"]
    missing = [t for t in needed if not os.path.exists(os.path.join(programs, t))]
    if missing:
        raise Unusable(
            "the Wine runner's programs (%s) are not in %s; build them with the cross build "
            "(cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake, then ninja), or name a "
            "folder that holds try/ and winerunner/ in $BXDISC_DATA" % (", ".join(missing), programs))


def nested_display(dpi: int | None) -> tuple[subprocess.Popen[bytes], str]:
    """Xephyr in a window on the author's display, and its display name: a
    program on the author's own display could read its keystrokes."""
    read_end, write_end = os.pipe()
    size = "%dx%d" % screen_size(dpi)
    xephyr = subprocess.Popen(["Xephyr", "-displayfd", str(write_end), "-screen", size,
                               "-nolisten", "tcp", "-title", "bxdisc try"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end, "rb") as r:
        number = r.readline().decode().strip()
    if not number:
        xephyr.kill()
        raise Unusable("Xephyr did not start on %s" % os.environ["DISPLAY"])
    return xephyr, number


def sandboxed(argv: list[str], work: str, emulated: bool, readable=(), writable=(), sockets=()) -> int:
    """Runs this script with argv inside the sandbox; its exit status. The
    sandbox's /proc has no binfmt_misc, so whether Wine is emulated, found
    out here, goes in with argv."""
    script = os.path.realpath(__file__)
    # bxdisc's data folder, and the runner wherever its link there leads.
    data = [os.path.dirname(os.path.dirname(script)),
            os.path.dirname(os.path.realpath(winerunner.__file__))]
    argv = argv + ["--emulated=" + ("yes" if emulated else "no")]
    line = sandbox.command([sys.executable, script] + argv, work, readable=data + list(readable),
                           writable=writable, sockets=sockets)
    with subprocess.Popen(line) as p:
        try:
            return p.wait()
        finally:
            if p.poll() is None:
                p.kill()  # the sandbox's own processes end with it


def make_base(staging: str, emulated: bool) -> int:
    """Inside a sandbox of its own: a new prefix at staging/prefix, sealed."""
    runner = winerunner.WineRunner(None, os.path.join(staging, "work"),
                                   prefix=os.path.join(staging, "prefix"), sealed=True, say=say,
                                   emulated=emulated)
    try:
        runner.start()
    finally:
        runner.stop()
    shutil.rmtree(os.path.join(staging, "work"), ignore_errors=True)
    return 0


def try_disc(argv, args):
    check_platform(args)
    if not args.no_sandbox:
        try:
            sandbox.check()
        except sandbox.SandboxUnusable as e:
            raise Unusable(str(e))
    args.emulated = winerunner.emulated()
    work = tempfile.mkdtemp(prefix="bxdisc-try-")
    xephyr = None
    try:
        os.mkdir(os.path.join(work, "home"))
        stand_ins = [rel for rel in (args.setup_exe, args.dcom) if rel]
        programs = os.path.dirname(os.path.abspath(winerunner.__file__))
        try:
            make_view(args.disc, os.path.join(work, "disc"), stand_ins,
                      os.path.join(programs, "recstub.exe"))
        except ViewTooBig as e:
            raise Unusable(str(e))
        if not args.fresh:
            def make(staging):
                os.mkdir(os.path.join(staging, "home"))
                status = (make_base(staging, args.emulated) if args.no_sandbox else
                          sandboxed(["--make-base=" + staging], staging, args.emulated))
                if status:
                    raise Unusable("Wine could not make the base prefix (exit status %d)" % status)
            # Unconfined, Wine's own files are not to be reached through links.
            try:
                BasePrefix(make, say).copy_to(os.path.join(work, "prefix"),
                                              share_builtins=not args.no_sandbox)
            except OSError as e:
                say("no base prefix (%s); this run makes a prefix of its own" % e)
                shutil.rmtree(os.path.join(work, "prefix"), ignore_errors=True)
        if args.no_sandbox:
            import launcher_run
            args.display = os.environ["DISPLAY"] if args.show else None
            return run_inside(args, work, launcher_run)
        # The options before the launcher's own words, which follow "--".
        options = argv[:argv.index("--")] if "--" in argv else list(argv)
        inner = [w for w in options if not w.startswith("--disc=")] + ["--disc=" + args.disc,
                                                                       "--inside=" + work]
        sockets = []
        if args.show:
            xephyr, number = nested_display(args.dpi)
            inner.append("--display=:" + number)
            sockets.append("/tmp/.X11-unix/X" + number)
        if args.screenshot:
            inner += ["--screenshot=" + os.path.join(work, "screenshot.png"),
                      "--screenshot-as=" + os.path.abspath(args.screenshot)]
        if args.tail is not None:
            inner += ["--"] + args.tail
        status = sandboxed(inner, work, args.emulated,
                           readable=linked_files(os.path.join(work, "disc")), sockets=sockets)
        shot = os.path.join(work, "screenshot.png")
        if args.screenshot and os.path.isfile(shot) and not os.path.islink(shot):
            shutil.copyfile(shot, args.screenshot)
        return status
    finally:
        if xephyr:
            xephyr.terminate()
            xephyr.wait()
        shutil.rmtree(work, ignore_errors=True)


def run_inside(args, work, launcher_run):
    """The run and its report; the report's status."""
    report = launcher_run.Report()
    try:
        launcher_run.follow_launcher(args, work, say, report)
    except launcher_run.Unusable as e:
        raise Unusable(str(e))
    if report.status == launcher_run.DONE:
        report.line("result: the launcher did what the disc intends (exit status 0)")
    else:
        report.line("result: %s (exit status %d)" % (report.verdict, report.status))
    return report.status


class Args:
    """bxdisc's --name=value and --name words as attributes (dashes as
    underscores); what bxdisc did not give is None, or False for a flag."""

    def __init__(self, argv):
        self.tail = None
        if "--" in argv:
            at = argv.index("--")
            argv, self.tail = argv[:at], argv[at + 1:]
        for word in argv:
            name, _, value = word[2:].partition("=")
            setattr(self, name.replace("-", "_"), value if "=" in word else True)
        # The outer run's finding; a run inside the sandbox cannot look.
        self.emulated: bool = self.emulated == "yes"
        if self.make_base:
            return
        for needed in ("disc", "launcher", "buttons"):
            if not getattr(self, needed, None):
                raise SystemExit("disc_try.py is bxdisc try's own: run bxdisc try")
        self.disc = os.path.abspath(self.disc)
        self.system = self.system or "win10"
        self.timeout = int(self.timeout) if self.timeout else None
        self.dpi = int(self.dpi) if self.dpi else None

    def __getattr__(self, name):
        return False if name in FLAGS else None


def main(argv):
    args = Args(argv)

    def interrupted(signum, frame):
        raise KeyboardInterrupt
    # Interruptible even when started with SIGINT ignored (a background job).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)
    try:
        if args.make_base:
            return make_base(args.make_base, args.emulated)
        if args.inside:
            import launcher_run
            return run_inside(args, args.inside, launcher_run)
        if args.no_sandbox:
            print(NO_SANDBOX, flush=True)
        print("bxdisc try: %s on %s" % (args.disc, args.system), flush=True)
        return try_disc(argv, args)
    except Unusable as e:
        print("bxdisc try: %s" % e, file=sys.stderr)
        return UNUSABLE
    except KeyboardInterrupt:
        if not args.inside and not args.make_base:
            print("bxdisc try: interrupted; its prefix, display and processes are gone",
                  file=sys.stderr)
        return 130
    except (subprocess.SubprocessError, OSError) as e:
        print("bxdisc try: Wine failed: %s" % e, file=sys.stderr)
        return UNUSABLE


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
