"""WineRunner: one run's Wine. Its own Xvfb display (or a given one), one
32-bit prefix and a persistent wineserver, and the chores done in it:
programs run, registry values set, the screen read, recorders stood in, the
UI driver run. Waits are written as native Wine needs them: the runner
measures at its start how much slower this Wine is (emulated on a kernel
without 32-bit execution, or a loaded machine) and stretches every wait by
that factor, its own and, through -x, the driver's."""
from __future__ import annotations

import os
import re
import shutil
import sys
import tempfile
import time
from collections.abc import Callable, Iterable, Sequence
from pathlib import Path

from . import executor, host, screen
from .driver import DRIVER_TIMEOUT, DriverReport, Session, driver_command, run_script, write_script
from .executor import Command, Outcome, Output, Running
from .recorder import Record, recorded_runs, replace_file
from .registry import RegValue, append_to_hive, delete_command, import_command, set_command, write_reg_file
from .xserver import start_x_server, stop_x_server

# A trivial program's start under native Wine with a running wineserver, in
# seconds: the yardstick of the slowness factor. Under qemu-user it is 0.4-0.6.
NATIVE_START = 0.08
MAX_SLOWNESS = 20.0
# The least version a system reports, by which a Wine that does not know it
# (and falls back to its default) is told. Every Wine of Debian 12 and later
# knows the systems not named here; Windows 11 came later.
LEAST_VERSION: dict[str, tuple[int, int, int]] = {"win11": (10, 0, 22000)}
HERE = Path(os.path.abspath(__file__)).parent
# Of Wine's session only what a launcher and a setup program use starts.
# The game-controller and USB drivers go: their bus polls every millisecond,
# some 0.07 of a core for as long as the session lasts under emulation.
NO_DRIVERS = "winebus.sys,winehid.sys,wineusb.sys=d"
# Auto-started services no setup program talks to: devices arriving
# (plugplay.exe) and the event log (a svchost.exe), whose Windows API Wine
# answers without them. The bus drivers above are started for their root
# devices whatever their start type, a driver process each that fails: the
# devices name no service instead. Values by hive file, set before the
# server starts.
SESSION_VALUES: dict[str, list[tuple[str, str, str | int]]] = {
    "system.reg": [("System\\CurrentControlSet\\Services\\" + name, "Start", 4)  # disabled
                   for name in ("PlugPlay", "Eventlog")]
    + [("System\\CurrentControlSet\\Enum\\ROOT\\WINE\\" + bus, "Service", "")
       for bus in ("WINEBUS", "WINEUSB")],
    # Without a window manager Wine may undo a maximise requested by
    # another process unless its windows are unmanaged.
    "user.reg": [(r"Software\Wine\X11 Driver", "Managed", "N"),
                 # A crash is an exit code (0xC0000005...), not a dialog nobody answers.
                 (r"Software\Wine\WineDbg", "ShowCrashDialog", 0)],
}


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
        self.programs = os.path.abspath(programs or HERE)
        self.reuse_prefix = os.path.abspath(prefix) if prefix else None
        self.given_slowness = slowness
        self.screen = screen
        self.own_work = work_dir is None
        self.work = os.path.abspath(work_dir or tempfile.mkdtemp(prefix="winerunner-"))
        self.prefix = self.reuse_prefix or os.path.join(self.work, "prefix")
        self.server_key: tuple[int, int] | None = None
        self.display = display
        self.say = say or (lambda line: sys.stderr.write("wine runner: %s\n" % line))
        self.xvfb: Running | None = None
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
        return host.to_windows(path)

    def seal(self) -> None:
        """Closes the prefix's doors to the host that Wine leaves open: the
        Z: drive goes (W: shows the work folder instead, with the runner's
        programs copied into it), and the user's folders, which Wine links
        to $HOME, become plain folders. Nothing closes \\?\\unix\\ and
        plain system calls: only a sandbox around Wine does."""
        devices = Path(self.prefix, "dosdevices")
        for letter in ("z:", "w:"):
            if (devices / letter).is_symlink() or (devices / letter).exists():
                (devices / letter).unlink()
        (devices / "w:").symlink_to(self.work)
        self.work_drive = "W:"
        users = Path(self.prefix, "drive_c", "users")
        for user in users.iterdir() if users.is_dir() else []:
            for path in user.iterdir():
                if path.is_symlink():
                    path.unlink()
                    path.mkdir()
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
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;" + NO_DRIVERS)
        # Debian 13's wineserver aborts whenever TMPDIR is set ("free():
        # invalid pointer"); without it, the server's folder is in /tmp, and
        # stop removes it.
        self.env.pop("TMPDIR", None)
        made = not Path(prefix, "system.reg").exists()
        if made:
            if Path(prefix).exists():
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
        if self._server("-w", 120).timed_out:  # a persistent one of a reused prefix
            self._server("-k", 60).checked(status=False)
        for hive, values in SESSION_VALUES.items():
            append_to_hive(Path(prefix, hive), values)
        self._server("-p", 60).checked()
        self.slowness = self._measure_slowness()
        is_emulated = host.emulated() if self.emulated is None else self.emulated
        self.say("Wine runs %s, waits stretched %.1f times"
                 % ("emulated (qemu-user)" if is_emulated else "natively", self.slowness))

    def _server(self, option: str, limit: float, output: Output = Output.INHERIT) -> Outcome:
        """wineserver with that option, in the prefix, within limit seconds."""
        return executor.run(Command(["wineserver", option], env=self.env, timeout=limit, output=output))

    def _measure_slowness(self) -> float:
        """The start time of a trivial program (the driver with one echo
        step) against NATIVE_START, after one start that warms the server
        up. One start is enough: a start's time has a floor, the program's
        own, and a busy machine only adds to it, which stretches the waits
        the more."""
        if self.given_slowness:
            return min(max(float(self.given_slowness), 1.0), MAX_SLOWNESS)
        times = []
        for _ in range(2):
            started = time.monotonic()
            self.run(["wine", self.program("uidriver.exe"), "echo"], timeout=120)
            times.append(time.monotonic() - started)
        return min(max(times[-1] / NATIVE_START, 1.0), MAX_SLOWNESS)

    def stop(self) -> None:
        if self.env:
            self._server("-k", self.scaled(30), Output.DISCARD).checked(status=False)
            self._server("-w", self.scaled(30))
            self.env = None
        if self.xvfb:
            stop_x_server(self.xvfb)
            self.xvfb = None
        if self.server_key:
            host.remove_server_folder(self.server_key)
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

    def run(self, args: Sequence[str], timeout: float, progress: str | None = None) -> None:
        """Runs a program to its end, within timeout; with progress, says
        what it does and, every 15 s, for how long so far."""
        if progress:
            self.say(progress + "...")
        tick = (lambda spent: self.say("%s: %d s so far" % (progress, spent))) if progress else None
        done = executor.run(Command(args, env=self.env, timeout=timeout), tick=tick).checked()
        if progress:
            self.say("%s: done in %d s" % (progress, done.seconds))

    def wine(self, *args: str, timeout: float = 60, check: bool = True) -> Outcome:
        """A Wine program run in the prefix (wine ARGS...), its output
        captured, within timeout (stretched)."""
        return executor.run(Command(["wine", *args], env=self.env, timeout=self.scaled(timeout),
                                    output=Output.CAPTURE)).checked(status=check)

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
        self.run(set_command(key, name, data, kind), timeout=self.scaled(30))

    def reg_import(self, values: Iterable[RegValue]) -> None:
        """Sets string values with one program's start rather than one each."""
        self.helpers += 1
        path = Path(self.work, "values%04d.reg" % self.helpers)
        write_reg_file(path, values)
        self.run(import_command(self.to_windows(str(path))), timeout=self.scaled(30))

    def reg_delete(self, key: str, name: str | None = None) -> None:
        executor.run(Command(delete_command(key, name), env=self.env,
                             timeout=self.scaled(30))).checked(status=False)

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
        self._server("-k", self.scaled(30)).checked(status=False)
        self._server("-w", self.scaled(30)).checked(status=False)
        self._server("-p", self.scaled(30)).checked()

    # ---- the screen -------------------------------------------------------

    @property
    def screen_size(self) -> tuple[int, int]:
        """The screen's (width, height), as the runner's screen was given
        (WIDTHxHEIGHTxDEPTH)."""
        width, height = self.screen.split("x")[:2]
        return int(width), int(height)

    def grab(self, x: int, y: int, width: int, height: int) -> bytes:
        """A rectangle of the X screen, 3 bytes a pixel (RGB), row by row."""
        return screen.grab(self.env, self.scaled(30), x, y, width, height)

    def grab_steady(self, x: int, y: int, width: int, height: int,
                    ready: Callable[[bytes], bool] = lambda shot: True) -> bytes:
        """The rectangle once it is ready and two grabs in a row agree, so
        that painting is over; ready tells a painted screen from the one
        beneath."""
        return screen.grab_steady(self.grab, self.scaled(10), x, y, width, height, ready)

    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None:
        """A rectangle of the X screen saved as a PNG file."""
        screen.save_png(self.env, self.scaled(30), x, y, width, height, path)

    # ---- discs and runs ----------------------------------------------------

    def map_drive(self, path: str, letter: str = "d") -> None:
        link = Path(self.prefix, "dosdevices", letter + ":")
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(os.path.abspath(path))

    def system32(self) -> str:
        return os.path.join(self.prefix, "drive_c", "windows", "system32")

    def stub_restart(self, registry: Iterable[RegValue] = ()) -> bytes:
        """A recording stub takes a restart request (Wine's ExitWindowsEx
        starts wineboot) instead of ending every windowed program of the
        prefix; gives Wine's own wineboot.exe, to put back. The registry's
        other values are set in the same start."""
        path = Path(self.system32(), "wineboot.exe")
        original = path.read_bytes()
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
        """The driver's command line (driver.driver_command) for a report to
        out, a Unix path."""
        return driver_command(self.program("uidriver.exe"), self.to_windows(out), self.slowness,
                              timeout, kill, script)

    def drive(self, steps: Iterable[str], timeout: float = DRIVER_TIMEOUT,
              kill: Iterable[str] = ("setup.exe",)) -> DriverReport:
        """Runs the driver over the given step lines; returns its report.
        Processes named in kill are ended when the script ends, however it
        ends, so that no case leaves a launcher behind for the next."""
        self.helpers += 1
        base = Path(self.work, "drive%04d" % self.helpers)
        script, out = base.with_suffix(".txt"), base.with_suffix(".jsonl")
        write_script(script, steps)
        args = self.driver_command(str(out), timeout, kill, self.to_windows(str(script)))
        return run_script(args, self.env, self.scaled(timeout + 10), out)

    def session(self, timeout: float, kill: Iterable[str] = ("setup.exe",)) -> Session:
        """A driver that takes its steps one at a time (Session.step), for a
        caller that chooses each on what the last reported."""
        self.helpers += 1
        out = Path(self.work, "drive%04d.jsonl" % self.helpers)
        return Session(self.driver_command(str(out), timeout, kill, "-"), self.env, out, self.slowness,
                       timeout)
