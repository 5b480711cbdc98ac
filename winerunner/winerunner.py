"""The Wine runner: Windows programs run under Wine as they would run from a
disc, and followed step by step. bxdisc try and the tests under Wine both
run on it; README.md beside this file documents the driver's steps and the
recorder's log.

A runner serves one run: its own Xvfb display, one 32-bit prefix and a
persistent wineserver. Waits are written as native Wine needs them: the
runner measures at its start how much slower this Wine is (emulated on a
kernel without 32-bit execution, or a loaded machine) and stretches every
wait by that factor, its own and, through -x, the driver's.
"""

import ctypes
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from typing import Callable

DRIVER_TIMEOUT = 30.0  # a whole driver script, seconds
# A trivial program's start under native Wine with a running wineserver, in
# seconds: the yardstick of the slowness factor. Under qemu-user it is 0.4-0.6.
NATIVE_START = 0.08
MAX_SLOWNESS = 20.0


def emulated():
    """Whether 32-bit programs run under qemu-user's emulator here."""
    try:
        with open("/proc/sys/fs/binfmt_misc/qemu-i386") as f:
            return f.readline().strip() == "enabled"
    except OSError:
        return False


def to_windows(path):
    """A Unix path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def recorder_log(program):
    """Where the recording stub at that path logs its runs."""
    return os.path.splitext(program)[0] + ".log"


def recorded_runs(program):
    """The runs the recording stub at that path logged: dicts with cmdline,
    cwd and argv."""
    log = recorder_log(program)
    if not os.path.exists(log):
        return []
    with open(log, "rb") as f:
        return [json.loads(line) for line in f.read().decode("ascii").splitlines()]


def replace_file(source, target):
    """Copies source to target as a file of its own: a target that is a link
    (into Wine's own files, in a prefix that shares them) goes first."""
    if os.path.lexists(target):
        os.unlink(target)
    shutil.copy(source, target)


def _die_with_parent():
    # Xvfb must not outlive a harness that was killed.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Report(list):
    """The driver's JSON lines: one dict per step."""

    def step(self, name):
        """The records of one step kind, in order."""
        return [r for r in self if r["step"] == name]

    def first(self, name):
        found = self.step(name)
        if not found:
            raise AssertionError("no %r step in report:\n%s" % (name, self))
        return found[0]

    @property
    def ok(self):
        return bool(self) and self[-1]["step"] == "done" and self[-1]["ok"]

    def __str__(self):
        return "\n".join(json.dumps(r) for r in self)


class WineRunner:
    """One Wine session: a private Xvfb (or the given X display), a 32-bit
    prefix and a persistent wineserver.

    programs: the folder of the runner's Windows-side programs (default: this
    file's own folder, where a build or an installation puts them);
    work_dir: a scratch folder (default: a temporary one, removed at stop);
    display: an X display to use instead of a private Xvfb; say: where
    progress lines go (standard error by default); prefix: a prefix to
    reuse instead of a new one; slowness: the factor, instead of measuring
    it; screen: the Xvfb screen; sealed: the prefix's doors to the host
    closed (see seal); emulated: whether Wine runs under qemu-user, where
    the caller knows it (inside a sandbox binfmt_misc cannot be seen),
    else looked up."""

    def __init__(self, programs=None, work_dir=None, display=None, say=None, prefix=None,
                 slowness=None, screen="1024x768x24", sealed=False,
                 emulated: bool | None = None) -> None:
        self.sealed = sealed
        self.emulated = emulated
        self.work_drive = None
        self.programs = os.path.abspath(programs or os.path.dirname(os.path.abspath(__file__)))
        self.reuse_prefix = prefix and os.path.abspath(prefix)
        self.given_slowness = slowness
        self.screen = screen
        self.own_work = work_dir is None
        self.work = os.path.abspath(work_dir or tempfile.mkdtemp(prefix="winerunner-"))
        self.display = display
        self.say = say or (lambda line: sys.stderr.write("wine runner: %s\n" % line))
        self.xvfb = None
        self.env = None
        self.own_prefix = False
        self.helpers = 0
        self.slowness = 1.0

    def program(self, name):
        """One of the runner's Windows-side programs."""
        return os.path.join(self.programs, name)

    def to_windows(self, path):
        """A Unix path as the prefix's programs reach it: through the work
        folder's drive in a sealed prefix, else through Z:."""
        rel = os.path.relpath(os.path.abspath(path), self.work)
        if self.work_drive and not rel.startswith(".."):
            return self.work_drive + "\\" + rel.replace("/", "\\")
        return to_windows(path)

    def seal(self):
        """Closes the prefix's doors to the host that Wine leaves open: the
        Z: drive goes (W: shows the work folder instead, with the runner's
        programs copied into it), and the user's folders, which Wine links
        to $HOME, become plain folders. Nothing closes \\?\\unix\\ and
        plain system calls: only a sandbox around Wine does."""
        devices = os.path.join(self.prefix, "dosdevices")
        for letter in ("z:", "w:"):
            if os.path.lexists(os.path.join(devices, letter)):
                os.unlink(os.path.join(devices, letter))
        os.symlink(self.work, os.path.join(devices, "w:"))
        self.work_drive = "W:"
        users = os.path.join(self.prefix, "drive_c", "users")
        for user in os.listdir(users) if os.path.isdir(users) else []:
            for name in os.listdir(os.path.join(users, user)):
                path = os.path.join(users, user, name)
                if os.path.islink(path):
                    os.unlink(path)
                    os.mkdir(path)
        own = os.path.join(self.work, "programs")
        if self.programs != own:
            shutil.copytree(self.programs, own, dirs_exist_ok=True,
                            ignore=shutil.ignore_patterns("*.py", "__pycache__"))
            self.programs = own

    def scaled(self, seconds):
        """A wait that holds for native Wine, stretched for this one."""
        return seconds * self.slowness

    # ---- lifetime -------------------------------------------------------

    def start(self):
        os.makedirs(self.work, exist_ok=True)
        display = self.display or self._start_xvfb()
        prefix = self.reuse_prefix or os.path.join(self.work, "prefix")
        self.prefix = prefix
        self.own_prefix = not self.reuse_prefix
        self.env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, WINEARCH="win32",
                        WINEDEBUG="-all",
                        # No Mono or Gecko prompts, and no menu entries or file
                        # associations of the prefix's programs on the desktop.
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            if os.path.exists(prefix):
                shutil.rmtree(prefix)
            # Some 15 s natively, 16-27 s emulated, more on a loaded machine:
            # a generous bound, only against a hang.
            self.run(["wineboot", "-i"], timeout=600, progress="making a Wine prefix")
        if self.sealed:
            self.seal()
        # A persistent server keeps each later wine start at a few tens of ms,
        # and a case that leaves Wine idle for a moment does not meet a new
        # server, which would run wineboot --init (the stand-in of a case that
        # records restarts would see it). It only becomes persistent if it is
        # the one to start, so the server that made the prefix must end first.
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
        except subprocess.TimeoutExpired:  # a persistent one of a reused prefix
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=60, check=True)
        self.slowness = self._measure_slowness()
        # Without a window manager Wine may undo a maximise requested by
        # another process unless its windows are unmanaged.
        self.reg_set(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        is_emulated = emulated() if self.emulated is None else self.emulated
        self.say("Wine runs %s, waits stretched %.1f times"
                 % ("emulated (qemu-user)" if is_emulated else "natively", self.slowness))

    def _measure_slowness(self):
        """The start time of a trivial program (the driver with one echo
        step) against NATIVE_START: the median of three, after one start
        that warms the server up."""
        if self.given_slowness:
            return min(max(float(self.given_slowness), 1.0), MAX_SLOWNESS)
        times = []
        for _ in range(4):
            started = time.monotonic()
            self.run(["wine", self.program("uidriver.exe"), "echo"], timeout=120)
            times.append(time.monotonic() - started)
        return min(max(statistics.median(times[1:]) / NATIVE_START, 1.0), MAX_SLOWNESS)

    def stop(self):
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=self.scaled(30),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, timeout=self.scaled(30))
            except subprocess.TimeoutExpired:
                pass
            self.env = None
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
            self.xvfb = None
        # A given work folder keeps the discs and driver reports for a look
        # after the run, but not the prefix: it is some 600 MB.
        if self.own_work:
            shutil.rmtree(self.work, ignore_errors=True)
        elif self.own_prefix:
            shutil.rmtree(self.prefix, ignore_errors=True)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             self.screen,
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not report a display")
                number += chunk
        return ":" + number.decode().strip()

    def run(self, args, timeout, progress=None):
        """Runs a program to its end, within timeout; with progress, says
        what it does and, every 15 s, for how long so far."""
        if not progress:
            return subprocess.run(args, env=self.env, timeout=timeout, check=True,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.say(progress + "...")
        started = time.monotonic()
        with subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) as p:
            try:
                while True:
                    try:
                        p.wait(timeout=15)
                        break
                    except subprocess.TimeoutExpired:
                        spent = time.monotonic() - started
                        if spent > timeout:
                            raise subprocess.TimeoutExpired(args, timeout)
                        self.say("%s: %d s so far" % (progress, spent))
            finally:
                if p.poll() is None:
                    p.kill()
        if p.returncode:
            raise subprocess.CalledProcessError(p.returncode, args)
        self.say("%s: done in %d s" % (progress, time.monotonic() - started))

    # ---- registry ---------------------------------------------------------

    def reg_set(self, key, name, data, kind="REG_SZ"):
        self.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"],
                  timeout=self.scaled(30))

    def reg_delete(self, key, name=None):
        args = ["wine", "reg", "delete", key, "/f"]
        if name is not None:
            args[4:4] = ["/v", name]
        subprocess.run(args, env=self.env, timeout=self.scaled(30), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def set_dpi(self, dpi: int) -> None:
        """The screen's DPI that Wine reports to the programs started from
        now on. Wine reads it when its server starts, so the persistent
        server is started afresh."""
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            self.reg_set(key, "LogPixels", str(dpi), "REG_DWORD")
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=self.scaled(30))
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=self.scaled(30))
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=self.scaled(30), check=True)

    # ---- the screen -------------------------------------------------------

    def grab(self, x: int, y: int, width: int, height: int) -> bytes:
        """A rectangle of the X screen, 3 bytes a pixel (RGB), row by row."""
        return subprocess.run(["import", "-window", "root", "-crop",
                               "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "rgb:-"],
                              env=self.env, check=True, capture_output=True,
                              timeout=self.scaled(30)).stdout

    def grab_steady(self, x: int, y: int, width: int, height: int,
                    ready: Callable[[bytes], bool] = lambda shot: True) -> bytes:
        """The rectangle once it is ready and two grabs in a row agree, so
        that painting is over; ready tells a painted screen from the one
        beneath."""
        last = b""
        deadline = time.monotonic() + self.scaled(10)
        while time.monotonic() < deadline:
            shot = self.grab(x, y, width, height)
            if shot == last and ready(shot):
                return shot
            last = shot
        raise RuntimeError("the screen at %dx%d+%d+%d did not settle" % (width, height, x, y))

    # ---- discs and runs ----------------------------------------------------

    def map_drive(self, path, letter="d"):
        link = os.path.join(self.prefix, "dosdevices", letter + ":")
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.path.abspath(path), link)

    def system32(self):
        return os.path.join(self.prefix, "drive_c", "windows", "system32")

    def stub_restart(self):
        """A recording stub takes a restart request (Wine's ExitWindowsEx
        starts wineboot) instead of ending every windowed program of the
        prefix; gives Wine's own wineboot.exe, to put back."""
        path = os.path.join(self.system32(), "wineboot.exe")
        with open(path, "rb") as f:
            original = f.read()
        self.reg_set(r"HKCU\Software\Wine\DllOverrides", "wineboot.exe", "native")
        replace_file(self.program("recstub.exe"), path)
        return original

    def restart_requests(self):
        """The command lines the restart stub recorded."""
        return [r["cmdline"] for r in recorded_runs(os.path.join(self.system32(), "wineboot.exe"))]

    def drive(self, steps, timeout=DRIVER_TIMEOUT, kill=("setup.exe",)):
        """Runs the driver over the given step lines; returns its Report.
        Processes named in kill are ended when the script ends, however it
        ends, so that no case leaves a launcher behind for the next."""
        self.helpers += 1
        base = os.path.join(self.work, "drive%04d" % self.helpers)
        script, out = base + ".txt", base + ".jsonl"
        with open(script, "w", encoding="cp1252", newline="\r\n") as f:
            for line in steps:
                if "\n" in line or "\r" in line:
                    raise ValueError("a step is one line: %r" % line)
                f.write(line + "\n")
        args = ["wine", self.program("uidriver.exe"), "-o", self.to_windows(out),
                "-x", "%.2f" % self.slowness, "-t", str(int(timeout * 1000))]
        for name in kill:
            args += ["-k", name]
        args += ["-f", self.to_windows(script)]
        try:
            subprocess.run(args, env=self.env, timeout=self.scaled(timeout + 10),
                           stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            pass  # the report says how far it came
        report = Report()
        if os.path.exists(out):
            with open(out, "rb") as f:
                for line in f.read().decode("ascii").splitlines():
                    report.append(json.loads(line))
        return report

    def session(self, timeout, kill=("setup.exe",)):
        """A driver that takes its steps one at a time (Session.step), for a
        caller that chooses each on what the last reported."""
        self.helpers += 1
        return Session(self, os.path.join(self.work, "drive%04d.jsonl" % self.helpers),
                       timeout, kill)


class Session:
    """The driver reading its steps from a pipe; the report file is read as
    it grows. Ends with close(), or when its total time runs out."""

    def __init__(self, runner, out, timeout, kill):
        self.runner = runner
        self.out = out
        self.seen = 0
        self.syncs = 0
        self.done = False
        args = ["wine", runner.program("uidriver.exe"), "-o", runner.to_windows(out),
                "-x", "%.2f" % runner.slowness, "-t", str(int(timeout * 1000))]
        for name in kill:
            args += ["-k", name]
        self.process = subprocess.Popen(args + ["-f", "-"], env=runner.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.deadline = time.monotonic() + runner.scaled(timeout + 10)

    def _lines(self):
        """The report lines written since the last call."""
        try:
            with open(self.out, "rb") as f:
                f.seek(self.seen)
                data = f.read()
        except OSError:
            return []
        end = data.rfind(b"\n") + 1
        self.seen += end
        return [json.loads(line) for line in data[:end].decode("ascii").splitlines()]

    def step(self, line, wait=5.0):
        """Sends one step line; gives its records (a Report) once the driver
        has taken it, within the step's own wait (seconds, stretched), or
        those it got to. A failed step ends the driver's script: "done"."""
        if "\n" in line or "\r" in line:
            raise ValueError("a step is one line: %r" % line)
        report = Report()
        if self.done:
            return report
        self.syncs += 1
        sync = "sync %d" % self.syncs
        try:
            self.process.stdin.write(("%s\r\necho %s\r\n" % (line, sync)).encode("cp1252"))
            self.process.stdin.flush()
        except OSError:  # the driver has ended
            pass
        deadline = min(self.deadline, time.monotonic() + self.runner.scaled(wait + 10))
        while time.monotonic() < deadline:
            for record in self._lines():
                if record["step"] == "echo" and record.get("text") == sync:
                    return report
                report.append(record)
                if record["step"] in ("done", "watchdog"):
                    self.done = True
                    return report
            if self.process.poll() is not None:
                report.extend(self._lines())
                self.done = True
                return report
            time.sleep(0.05)
        return report

    def close(self):
        """Ends the script: the driver ends its leftovers and itself."""
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(timeout=self.runner.scaled(10))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.done = True
