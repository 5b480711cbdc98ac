"""The test bed: the Wine runner (winerunner/) set up for the cases, with
the launcher under test and the test-only tools.

One bed serves a whole run: one prefix (created fresh unless WINEBED_PREFIX
names one to reuse), and a fresh disc folder per case mapped as drive D:,
so the launcher runs as D:\\setup.exe beside its Autorun.inf and the
recording stubs.

Paths come from the environment (tests/wine/CMakeLists.txt sets them):
  WINEBED_SETUP     the setup.exe under test
  WINEBED_RUNNER    the folder of the runner's Windows-side programs
  WINEBED_TOOLS     the folder of the test-only tools (holdmutex.exe,
                    showwindow.exe, profileprobe.exe)
  WINEBED_WORK      a scratch folder (default: a temporary one)
  WINEBED_SLOWNESS  the slowness factor, instead of measuring it
  WINEBED_SCREEN    the Xvfb screen, 1024x768x24 by default (800x600x8: 256 colours)

Other runs may share the machine (CI jobs side by side, an author's own
bxdisc try): a test looks only at the processes that carry its run's tag.
"""

import atexit
import os
import shutil
import subprocess
import time
import unittest
import uuid

from testlib import bmp8
from winerunner import (DRIVER_TIMEOUT, DriverReport, Session, WineRunner,  # noqa: F401
                        emulated, recorded_runs, recorder_log, to_windows)

STUB_SETTLE = 0.3      # how long a run that should start nothing is watched
# Set in the environment of what a run starts, to a value of that run's own.
# It is what passes everywhere: Wine starts its processes detached, and
# bubblewrap gives its sandbox a session of its own.
RUN_TAG = "BXDISC_TEST_RUN"


def new_tag() -> str:
    return uuid.uuid4().hex


def tagged(tag: str) -> list[tuple[int, str]]:
    """The processes whose environment holds RUN_TAG=tag, each with its
    command line."""
    mark = ("%s=%s" % (RUN_TAG, tag)).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if mark not in f.read().split(b"\0"):
                    continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                found.append((int(pid), f.read().replace(b"\0", b" ").strip().decode(errors="replace")))
        except OSError:  # ended meanwhile
            continue
    return found


# Colours of the front window's bitmaps, so that a test can tell by a pixel
# what it sees: the backdrop is one colour, each face of the strip another.
BACKDROP_RGB = (0, 64, 128)
FACE_SIZE = (80, 24)


def face_rgb(row, face):
    return (40 + 50 * face, 40 + 60 * row, 200)


def inf(defaults=(), head="", **keys):
    """An Autorun.inf: head (another section, say), then [BXPARAM] with the
    defaults updated by keys; a key set to None is left out."""
    values = dict(defaults)
    values.update(keys)
    return head + "[BXPARAM]\n" + "".join("%s=%s\n" % item for item in values.items()
                                         if item[1] is not None)


class Disc:
    """A disc folder: setup.exe plus whatever the case puts beside it."""

    def __init__(self, bed, path):
        self.bed = bed
        self.path = path

    def file(self, name):
        return os.path.join(self.path, *name.split("\\"))

    def write(self, name, content):
        """Writes text (as cp1252, lines ending CRLF) or bytes."""
        if isinstance(content, str):
            content = content.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
        target = self.file(name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(content)

    def autorun(self, content):
        self.write("Autorun.inf", content)

    def add_bitmaps(self, backdrop_size=(400, 240)):
        """A backdrop and a button strip (five faces across, four rows);
        gives their Autorun.inf keys."""
        w, h = backdrop_size
        self.write("backdrop.bmp", bmp8(w, h, [BACKDROP_RGB], lambda x, y: 0))
        fw, fh = FACE_SIZE
        colours = [face_rgb(row, face) for row in range(4) for face in range(5)]
        self.write("buttons.bmp", bmp8(5 * fw, 4 * fh, colours,
                                       lambda x, y: (y // fh) * 5 + x // fw))
        return {"AutorunBackdrop": "backdrop.bmp", "AutorunButtons": "buttons.bmp"}

    def add_stub(self, name="recstub.exe"):
        """A recording stub under the given name (may hold backslashes)."""
        target = self.file(name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(self.bed.tool("recstub.exe"), target)

    def runs(self, name="recstub.exe"):
        """The runs a stub recorded: dicts with cmdline, cwd and argv."""
        return recorded_runs(self.file(name))

    def wait_runs(self, name="recstub.exe", count=1, timeout=5.0):
        """Waits until the stub has recorded at least count runs; a launcher
        does not wait for what it starts, so the log may come a little later."""
        return self.bed.wait_runs(self.file(name), count, timeout)

    def settled_runs(self, name="recstub.exe"):
        """The runs after a short wait, for cases that must start nothing."""
        time.sleep(self.bed.scaled(STUB_SETTLE))
        return self.runs(name)


class Helper:
    """A background tool (holdmutex, showwindow) that stops on a signal file."""

    def __init__(self, bed, exe, args, signal_file):
        self.signal_file = signal_file
        self.process = subprocess.Popen(
            ["wine", bed.tool(exe)] + list(args), env=bed.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.bed = bed
        ready = signal_file + ".ready"
        deadline = time.monotonic() + bed.scaled(10)
        while not os.path.exists(ready):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("%s %s did not come up" % (exe, " ".join(args)))
            time.sleep(0.02)

    def stop(self):
        with open(self.signal_file, "w"):
            pass
        try:
            self.process.wait(timeout=self.bed.scaled(5))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


class WineBed(WineRunner):
    """The runner with the launcher under test and the test-only tools."""

    def __init__(self, setup_exe, runner_programs, tools_dir, work_dir=None, **settings):
        super().__init__(runner_programs, work_dir, **settings)
        self.setup_exe = os.path.abspath(setup_exe)
        self.tools_dir = os.path.abspath(tools_dir)
        self.discs = 0

    def tool(self, name):
        """A test-only tool, or else one of the runner's programs."""
        path = os.path.join(self.tools_dir, name)
        return path if os.path.exists(path) else self.program(name)

    def new_disc(self):
        """A fresh disc folder with setup.exe, mapped as D:."""
        self.discs += 1
        path = os.path.join(self.work, "disc%03d" % self.discs)
        os.makedirs(path)
        shutil.copy(self.setup_exe, os.path.join(path, "setup.exe"))
        self.map_drive(path)
        return Disc(self, path)

    def launch(self, tail="", steps=(), cwd="D:\\", program="D:\\setup.exe", wait=5000):
        """Starts the launcher with the given command-line tail, follows the
        steps, then waits for it to end."""
        cmd = program + tail if tail.startswith(" ") or not tail else program + " " + tail
        return self.drive(["cmd " + cmd, "dir " + cwd, "start"] + list(steps)
                          + ["wait-exit %d" % wait])

    def hold_mutex(self, name):
        self.helpers += 1
        signal_file = os.path.join(self.work, "helper%04d" % self.helpers)
        return Helper(self, "holdmutex.exe", [name, to_windows(signal_file)], signal_file)

    def show_window(self, title, state=None):
        """A top-level window of another program; state "--minimized" or
        "--hidden"."""
        self.helpers += 1
        signal_file = os.path.join(self.work, "helper%04d" % self.helpers)
        args = [title] + ([state] if state else []) + [to_windows(signal_file)]
        return Helper(self, "showwindow.exe", args, signal_file)


class DiscCase(unittest.TestCase):
    """A fresh disc per test: setup.exe and the recording stub, on the run's
    one bed."""

    def setUp(self):
        self.bed = bed()
        self.disc = self.bed.new_disc()
        self.disc.add_stub()


_bed = None


def bed():
    """The run's one bed, started on first use and stopped at exit."""
    global _bed
    if _bed is None:
        setup, runner, tools = (os.environ.get("WINEBED_" + name)
                                for name in ("SETUP", "RUNNER", "TOOLS"))
        if not setup or not runner or not tools:
            raise RuntimeError("set WINEBED_SETUP, WINEBED_RUNNER and WINEBED_TOOLS")
        os.environ[RUN_TAG] = new_tag()
        _bed = WineBed(setup, runner, tools, os.environ.get("WINEBED_WORK"),
                       prefix=os.environ.get("WINEBED_PREFIX"),
                       slowness=os.environ.get("WINEBED_SLOWNESS"),
                       screen=os.environ.get("WINEBED_SCREEN", "1024x768x24"))
        atexit.register(_bed.stop)
        _bed.start()
    return _bed
