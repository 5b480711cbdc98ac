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

from __future__ import annotations

import ctypes
import json
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from collections.abc import Callable, Iterable
from typing import Any

DRIVER_TIMEOUT = 30.0  # a whole driver script, seconds
# A trivial program's start under native Wine with a running wineserver, in
# seconds: the yardstick of the slowness factor. Under qemu-user it is 0.4-0.6.
NATIVE_START = 0.08
MAX_SLOWNESS = 20.0
X_SERVER_WAIT = 30.0   # seconds for an X server to give its display number
# The least version a system reports, by which a Wine that does not know it
# (and falls back to its default) is told. Every Wine of Debian 12 and later
# knows the systems not named here; Windows 11 came later.
LEAST_VERSION: dict[str, tuple[int, int, int]] = {"win11": (10, 0, 22000)}

Record = dict[str, Any]  # one JSON line of the driver's report


WINE32 = "/usr/lib/wine/wine"  # Debian's 32-bit loader


def runs_32bit() -> bool:
    """Whether Wine's 32-bit programs run here at all: natively, or through
    an emulator registered for them."""
    try:
        subprocess.run([WINE32, "--version"], capture_output=True, timeout=120, check=True)
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def emulated() -> bool:
    """Whether 32-bit programs run under qemu-user's emulator here."""
    try:
        with open("/proc/sys/fs/binfmt_misc/qemu-i386") as f:
            return f.readline().strip() == "enabled"
    except OSError:
        return False


def wine_version() -> str:
    """Wine's own name for its version (wine --version), such as wine-8.0."""
    return subprocess.run(["wine", "--version"], capture_output=True, text=True,
                          timeout=120, check=True).stdout.strip()


def to_windows(path: str) -> str:
    """A Unix path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def recorder_log(program: str) -> str:
    """Where the recording stub at that path logs its runs."""
    return os.path.splitext(program)[0] + ".log"


def recorded_runs(program: str) -> list[Record]:
    """The runs the recording stub at that path logged: dicts with cmdline,
    cwd and argv."""
    log = recorder_log(program)
    if not os.path.exists(log):
        return []
    with open(log, "rb") as f:
        lines = f.read().decode("ascii").split("\n")
    # The stub creates its log before it writes the line: a run still
    # writing is not a run yet.
    return [json.loads(line) for line in lines[:-1]]


def replace_file(source: str, target: str) -> None:
    """Copies source to target as a file of its own: a target that is a link
    (into Wine's own files, in a prefix that shares them) goes first."""
    if os.path.lexists(target):
        os.unlink(target)
    shutil.copy(source, target)


RegValue = tuple[str, str, str]  # key, value name, string
HIVES = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT"}


def reg_file(values: Iterable[RegValue]) -> str:
    """A REGEDIT4 file setting the string values, keys in the order first named."""
    keys: dict[str, list[tuple[str, str]]] = {}
    for key, name, data in values:
        hive, _, rest = key.partition("\\")
        keys.setdefault(HIVES.get(hive, hive) + "\\" + rest, []).append((name, data))

    def quoted(text: str) -> str:
        return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')
    return "REGEDIT4\n\n" + "".join(
        "[%s]\n%s\n" % (key, "".join("%s=%s\n" % (quoted(n), quoted(d)) for n, d in named))
        for key, named in keys.items())


def _die_with_parent() -> None:
    # Xvfb must not outlive a harness that was killed.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class XServerFailed(RuntimeError):
    """An X server that gave no display number: it failed, or it hung."""


def _display_line(fd: int, timeout: float) -> str | None:
    """What a server wrote to its -displayfd pipe, up to the newline or its
    end; None when neither came within timeout seconds."""
    poller = select.poll()
    poller.register(fd, select.POLLIN)  # an ended writer shows as POLLHUP
    deadline = time.monotonic() + timeout
    data = b""
    while b"\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0 or not poller.poll(left * 1000):
            return None
        chunk = os.read(fd, 64)
        if not chunk:
            break
        data += chunk
    return data.split(b"\n")[0].decode("ascii", "replace").strip()


def start_x_server(argv: list[str],
                   timeout: float = X_SERVER_WAIT) -> tuple[subprocess.Popen[bytes], str]:
    """Starts an X server (argv, to which -displayfd is added after the
    program) and gives it with its display (":N") once it has written its
    number. A server that ends or hangs without a number is ended, and
    XServerFailed raised. The server ends with the process that started it."""
    read_end, write_end = os.pipe()
    try:
        server = subprocess.Popen([argv[0], "-displayfd", str(write_end), *argv[1:]],
                                  pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  preexec_fn=_die_with_parent)
    except BaseException:
        os.close(read_end)
        raise
    finally:
        os.close(write_end)
    name = os.path.basename(argv[0])
    try:
        number = _display_line(read_end, timeout)
        if number is None:
            raise XServerFailed("%s gave no display number within %d s" % (name, timeout))
        if not number.isdigit():
            raise XServerFailed("%s ended without a display number" % name if not number
                                else "%s gave %r for a display number" % (name, number))
    except BaseException:
        server.kill()
        server.wait()
        raise
    finally:
        os.close(read_end)
    return server, ":" + number


def stop_x_server(server: subprocess.Popen[bytes]) -> None:
    """Ends a server that start_x_server started, within 10 s."""
    server.terminate()
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


def remove_server_folder(prefix_key: tuple[int, int], tmp: str = "/tmp") -> None:
    """Removes the folder an ended wineserver leaves for the prefix of that
    (st_dev, st_ino): Wine names it server-<dev>-<ino> in hexadecimal, in a
    folder of its own in tmp (".wine-UID" or Debian's "wine-XXXXXX"), which
    goes too once empty. Other prefixes' servers are left alone."""
    name = "server-%x-%x" % prefix_key
    try:
        parents = [e for e in os.listdir(tmp) if e.startswith(("wine-", ".wine-"))]
    except OSError:
        return
    for parent in parents:
        folder = os.path.join(tmp, parent, name)
        if os.path.isdir(folder) and not os.path.islink(folder):
            shutil.rmtree(folder, ignore_errors=True)
            try:
                os.rmdir(os.path.join(tmp, parent))
            except OSError:  # another server's folder is there
                pass


def nested_display(size: tuple[int, int], title: str) -> tuple[subprocess.Popen[bytes], str]:
    """Xephyr, a screen of that (width, height) in a window of that title on
    the display of $DISPLAY, and its own display (":N"): a program on the
    user's own display could read its keystrokes."""
    return start_x_server(["Xephyr", "-screen", "%dx%d" % size, "-nolisten", "tcp",
                           "-title", title])


class DriverReport(list[Record]):
    """The driver's JSON lines: one dict per step."""

    def step(self, name: str) -> list[Record]:
        """The records of one step kind, in order."""
        return [r for r in self if r["step"] == name]

    def first(self, name: str) -> Record:
        found = self.step(name)
        if not found:
            raise AssertionError("no %r step in report:\n%s" % (name, self))
        return found[0]

    @property
    def ok(self) -> bool:
        return bool(self) and self[-1]["step"] == "done" and bool(self[-1]["ok"])

    def __str__(self) -> str:
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

    def __init__(self, programs: str | None = None, work_dir: str | None = None,
                 display: str | None = None, say: Callable[[str], object] | None = None,
                 prefix: str | None = None, slowness: float | str | None = None,
                 screen: str = "1024x768x24", sealed: bool = False,
                 emulated: bool | None = None) -> None:
        self.sealed = sealed
        self.emulated = emulated
        self.work_drive: str | None = None
        self.programs = os.path.abspath(programs or os.path.dirname(os.path.abspath(__file__)))
        self.reuse_prefix = os.path.abspath(prefix) if prefix else None
        self.given_slowness = slowness
        self.screen = screen
        self.own_work = work_dir is None
        self.work = os.path.abspath(work_dir or tempfile.mkdtemp(prefix="winerunner-"))
        self.prefix = self.reuse_prefix or os.path.join(self.work, "prefix")
        self.server_key: tuple[int, int] | None = None
        self.display = display
        self.say = say or (lambda line: sys.stderr.write("wine runner: %s\n" % line))
        self.xvfb: subprocess.Popen[bytes] | None = None
        self.env: dict[str, str] | None = None
        self.own_prefix = False
        self.helpers = 0
        self.slowness = 1.0

    def program(self, name: str) -> str:
        """One of the runner's Windows-side programs."""
        return os.path.join(self.programs, name)

    def to_windows(self, path: str) -> str:
        """A Unix path as the prefix's programs reach it: through the work
        folder's drive in a sealed prefix, else through Z:."""
        rel = os.path.relpath(os.path.abspath(path), self.work)
        if self.work_drive and not rel.startswith(".."):
            return self.work_drive + "\\" + rel.replace("/", "\\")
        return to_windows(path)

    def seal(self) -> None:
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

    def scaled(self, seconds: float) -> float:
        """A wait that holds for native Wine, stretched for this one."""
        return seconds * self.slowness

    def wait_runs(self, program: str, count: int = 1, timeout: float = 5.0) -> list[Record]:
        """The runs the recording stub at that path logged, once there are
        count of them or the wait is over: what a launcher starts, it does
        not wait for."""
        deadline = time.monotonic() + self.scaled(timeout)
        while True:
            found = recorded_runs(program)
            if len(found) >= count or time.monotonic() > deadline:
                return found
            time.sleep(0.05)

    # ---- lifetime -------------------------------------------------------

    def start(self) -> None:
        os.makedirs(self.work, exist_ok=True)
        display = self.display or self._start_xvfb()
        prefix = self.prefix
        self.own_prefix = not self.reuse_prefix
        self.env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, WINEARCH="win32",
                        WINEDEBUG="-all",
                        # No Mono or Gecko prompts, and no menu entries or file
                        # associations of the prefix's programs on the desktop.
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        # Debian 13's wineserver aborts whenever TMPDIR is set ("free():
        # invalid pointer"); without it, the server's folder is in /tmp, and
        # stop removes it.
        self.env.pop("TMPDIR", None)
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            if os.path.exists(prefix):
                shutil.rmtree(prefix)
            # Some 15 s natively, 16-27 s emulated, more on a loaded machine:
            # a generous bound, only against a hang.
            self.run(["wineboot", "-i"], timeout=600, progress="making a Wine prefix")
        st = os.stat(prefix)
        self.server_key = (st.st_dev, st.st_ino)
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

    def _measure_slowness(self) -> float:
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

    def stop(self) -> None:
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=self.scaled(30),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, timeout=self.scaled(30))
            except subprocess.TimeoutExpired:
                pass
            self.env = None
        if self.xvfb:
            stop_x_server(self.xvfb)
            self.xvfb = None
        if self.server_key:
            remove_server_folder(self.server_key)
            self.server_key = None
        # A given work folder keeps the discs and driver reports for a look
        # after the run, but not the prefix: it is some 600 MB.
        if self.own_work:
            shutil.rmtree(self.work, ignore_errors=True)
        elif self.own_prefix:
            shutil.rmtree(self.prefix, ignore_errors=True)

    def _start_xvfb(self) -> str:
        self.xvfb, display = start_x_server(["Xvfb", "-screen", "0", self.screen,
                                             "-nolisten", "tcp"])
        return display

    def run(self, args: list[str], timeout: float, progress: str | None = None) -> None:
        """Runs a program to its end, within timeout; with progress, says
        what it does and, every 15 s, for how long so far."""
        if not progress:
            subprocess.run(args, env=self.env, timeout=timeout, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            return
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

    def wine(self, *args: str, timeout: float = 60,
             check: bool = True) -> subprocess.CompletedProcess[bytes]:
        """A Wine program run in the prefix (wine ARGS...), its output
        captured, within timeout (stretched)."""
        return subprocess.run(["wine", *args], env=self.env, timeout=self.scaled(timeout),
                              check=check, stdin=subprocess.DEVNULL, capture_output=True)

    def knows_system(self, system: str) -> bool:
        """Whether this Wine emulates the system (a Version value of
        AppDefaults): an older Wine answers one it does not know with its
        default. A system LEAST_VERSION does not name counts as known."""
        least = LEAST_VERSION.get(system)
        if least is None:
            return True
        key = r"HKCU\Software\Wine\AppDefaults\cmd.exe"
        self.reg_set(key, "Version", system)
        try:
            out = self.wine("cmd", "/c", "ver", check=False).stdout.decode("latin-1")
        finally:
            self.reg_delete(key)
        found = re.search(r"(\d+)\.(\d+)\.(\d+)", out)
        return found is not None and tuple(int(n) for n in found.groups()) >= least

    # ---- registry ---------------------------------------------------------

    def reg_set(self, key: str, name: str, data: str, kind: str = "REG_SZ") -> None:
        self.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"],
                  timeout=self.scaled(30))

    def reg_import(self, values: Iterable[RegValue]) -> None:
        """Sets string values with one program's start rather than one each:
        under emulation a start is most of a second."""
        self.helpers += 1
        path = os.path.join(self.work, "values%04d.reg" % self.helpers)
        with open(path, "w", encoding="cp1252", newline="\r\n") as f:
            f.write(reg_file(values))
        self.run(["wine", "reg", "import", self.to_windows(path)], timeout=self.scaled(30))

    def reg_delete(self, key: str, name: str | None = None) -> None:
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
        self.restart_server()

    def restart_server(self) -> None:
        """Ends every program of the prefix and its server, saving the
        registry, and starts a persistent server afresh: a restart of
        Windows, as far as the prefix's programs can tell."""
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=self.scaled(30))
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=self.scaled(30))
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=self.scaled(30), check=True)

    # ---- the screen -------------------------------------------------------

    @property
    def screen_size(self) -> tuple[int, int]:
        """The screen's (width, height), as the runner's screen was given
        (WIDTHxHEIGHTxDEPTH)."""
        width, height = self.screen.split("x")[:2]
        return int(width), int(height)

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

    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None:
        """A rectangle of the X screen saved as a PNG file."""
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                        "+repage", "png:" + path],
                       env=self.env, check=True, capture_output=True, timeout=self.scaled(30))

    # ---- discs and runs ----------------------------------------------------

    def map_drive(self, path: str, letter: str = "d") -> None:
        link = os.path.join(self.prefix, "dosdevices", letter + ":")
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.path.abspath(path), link)

    def system32(self) -> str:
        return os.path.join(self.prefix, "drive_c", "windows", "system32")

    def stub_restart(self, registry: Iterable[RegValue] = ()) -> bytes:
        """A recording stub takes a restart request (Wine's ExitWindowsEx
        starts wineboot) instead of ending every windowed program of the
        prefix; gives Wine's own wineboot.exe, to put back. The registry's
        other values are set in the same start."""
        path = os.path.join(self.system32(), "wineboot.exe")
        with open(path, "rb") as f:
            original = f.read()
        self.reg_import([(r"HKCU\Software\Wine\DllOverrides", "wineboot.exe", "native"), *registry])
        replace_file(self.program("recstub.exe"), path)
        return original

    def restart_requests(self) -> list[str]:
        """The command lines of the restarts asked for, as the stub recorded
        them: not the wineboot --init that a new server's first program
        runs, which is no program's request."""
        return [r["cmdline"] for r in recorded_runs(os.path.join(self.system32(), "wineboot.exe"))
                if not r["cmdline"].split()[1:2] == ["--init"]]

    def driver_command(self, out: str, timeout: float, kill: Iterable[str],
                       script: str) -> list[str]:
        """The driver's command line: its report to out, its total time
        (seconds, which -x stretches), the processes it ends when it ends,
        and its script (a Windows path, or "-" for standard input)."""
        args = ["wine", self.program("uidriver.exe"), "-o", self.to_windows(out),
                "-x", "%.2f" % self.slowness, "-t", str(int(timeout * 1000))]
        for name in kill:
            args += ["-k", name]
        return args + ["-f", script]

    def drive(self, steps: Iterable[str], timeout: float = DRIVER_TIMEOUT,
              kill: Iterable[str] = ("setup.exe",)) -> DriverReport:
        """Runs the driver over the given step lines; returns its report.
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
        args = self.driver_command(out, timeout, kill, self.to_windows(script))
        try:
            subprocess.run(args, env=self.env, timeout=self.scaled(timeout + 10),
                           stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            pass  # the report says how far it came
        report = DriverReport()
        if os.path.exists(out):
            with open(out, "rb") as f:
                for line in f.read().decode("ascii").splitlines():
                    report.append(json.loads(line))
        return report

    def session(self, timeout: float, kill: Iterable[str] = ("setup.exe",)) -> Session:
        """A driver that takes its steps one at a time (Session.step), for a
        caller that chooses each on what the last reported."""
        self.helpers += 1
        return Session(self, os.path.join(self.work, "drive%04d.jsonl" % self.helpers),
                       timeout, kill)


class Session:
    """The driver reading its steps from a pipe; the report file is read as
    it grows. Ends with close(), or when its total time runs out."""

    def __init__(self, runner: WineRunner, out: str, timeout: float,
                 kill: Iterable[str]) -> None:
        self.runner = runner
        self.out = out
        self.seen = 0
        self.syncs = 0
        self.done = False
        self.process = subprocess.Popen(runner.driver_command(out, timeout, kill, "-"),
                                        env=runner.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.deadline = time.monotonic() + runner.scaled(timeout + 10)

    def _lines(self) -> list[Record]:
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

    def step(self, line: str, wait: float = 5.0) -> DriverReport:
        """Sends one step line; gives its records (a DriverReport) once the driver
        has taken it, within the step's own wait (seconds, stretched), or
        those it got to. A failed step ends the driver's script: "done"."""
        if "\n" in line or "\r" in line:
            raise ValueError("a step is one line: %r" % line)
        report = DriverReport()
        if self.done:
            return report
        self.syncs += 1
        sync = "sync %d" % self.syncs
        assert self.process.stdin is not None  # a pipe: Popen(stdin=PIPE)
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

    def close(self) -> None:
        """Ends the script: the driver ends its leftovers and itself."""
        try:
            if self.process.stdin:
                self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(timeout=self.runner.scaled(10))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.done = True
