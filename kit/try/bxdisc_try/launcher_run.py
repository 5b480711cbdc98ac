"""The run of bxdisc try itself: the launcher on the prepared view of the
disc and the prepared prefix, followed on the Wine runner, and the report
of what it did. Inside the sandbox, or (--no-sandbox) in try's own process.
"""
from __future__ import annotations

import json
import os
import subprocess
import time
from typing import Callable

import winerunner
from winerunner import Runner

from . import restart
from .backdrop import NATIVE_DPI, screen_size
from .disc_view import file_state, lies_within, view_state
from .follow import Follower, command_line
from .outcome import Unusable
from .report import Report, cp1252, windows_path
from .request import BUTTON_LABELS, Request

# Version-only stand-ins for the system's automation library (--oleaut32).
OLEAUT32 = {"4.0": "verdll400.dll", "3.50": "verdll350.dll"}
Recorders = list[tuple[str, str]]
MakeFollower = Callable[[], Follower]


def in_prefix(runner: Runner, path: str) -> str:
    """The Linux path of a C: path, its names found without regard to case."""
    here = os.path.join(runner.prefix, "drive_c")
    for part in path[3:].split("\\"):
        entries = os.listdir(here) if os.path.isdir(here) else []
        match = [e for e in entries if e.lower() == part.lower()]
        here = os.path.join(here, match[0] if match else part)
    return here


def file_of_prefix(runner: Runner, path: str) -> str | None:
    """A C: path's file, if its folder is the throwaway prefix's: the file
    itself may be a link into Wine's own, which is replaced, never written."""
    if not path.upper().startswith("C:\\") or ".." in path.split("\\"):
        return None
    linux = in_prefix(runner, path)
    return linux if lies_within(runner.prefix, os.path.join(os.path.dirname(linux), "x")) else None


def install_package(runner: Runner, request: Request, report: Report) -> tuple[str, str] | None:
    """Installs the disc's package; stands a recorder in for the program the
    launcher's query finds. Gives that program's Windows and Linux paths."""
    if not request.disc.package:
        raise Unusable("--installed: the disc's Autorun.inf names no package (SetupMSI) on the disc")
    package = windows_path(request.disc.package)
    try:
        runner.run(["wine", "msiexec", "/i", package, "/qn"], timeout=runner.scaled(300),
                   progress="installing %s with msiexec" % package)
    except subprocess.CalledProcessError as e:
        raise Unusable("msiexec could not install %s (exit status %d)" % (package, e.returncode))
    query = os.path.join(runner.work, "query.json")
    found = runner.drive(['cmd "%s" "%s" "%s" "D:\\Autorun.inf"'
                          % (runner.to_windows(runner.program("msiquery.exe")), runner.to_windows(query),
                             package), "dir D:\\", "start", "wait-exit 30000"],
                         kill=("msiquery.exe",))
    exe = ""
    if found.ok and os.path.exists(query):
        with open(query, "rb") as f:
            exe = cp1252(json.loads(f.read().decode("ascii"))["exe"])
    report.line("installed: %s with msiexec" % package)
    if not exe.upper().startswith("C:\\") or not os.path.isfile(in_prefix(runner, exe)):
        report.line("the package's installed program: none the launcher finds (no Run button will show)", 1)
        return None
    path = in_prefix(runner, exe)
    # Only ever a file of the throwaway prefix: the package is the disc's.
    if not lies_within(runner.prefix, path):
        raise Unusable("the package installs its program outside the prefix (%s): not tried" % exe)
    winerunner.replace_file(runner.program("recstub.exe"), path)
    report.line("the package's installed program: %s (a recorder stands in)" % exe, 1)
    return exe, path


def folder_state(*folders: str) -> dict[str, tuple[int, int]]:
    """Name -> (size, mtime) of the files directly in each folder."""
    state = {}
    for folder in folders:
        for entry in os.scandir(folder):
            if entry.is_file(follow_symlinks=False):
                state[entry.path] = file_state(entry.path)
    return state


def recorders(request: Request, view: str, installed: tuple[str, str] | None) -> Recorders:
    """(Windows name, Linux path) of each recorder."""
    found = [(windows_path(rel), os.path.join(view, rel)) for rel in (request.disc.dcom, request.disc.setup_exe) if rel]
    return found + ([installed] if installed else [])


def recorded(stand_ins: Recorders) -> list[tuple[str, dict[str, str]]]:
    return [(name, run) for name, path in stand_ins for run in winerunner.recorded_runs(path)]


def report_programs(runner: Runner, stand_ins: Recorders, report: Report,
                    earlier: int = 0) -> None:
    """Each recorder's runs after the first earlier, once the launcher is
    done with them: it does not wait for what it starts, so a run may be
    logged a moment after it ends. Watched for a second (stretched), less
    once a run is logged and no more come."""
    deadline = time.monotonic() + runner.scaled(1)
    runs, steady = recorded(stand_ins)[earlier:], time.monotonic()
    while time.monotonic() < deadline and not (runs and time.monotonic() - steady > runner.scaled(0.2)):
        time.sleep(0.05)
        now = recorded(stand_ins)[earlier:]
        if len(now) != len(runs):
            runs, steady = now, time.monotonic()
    report.line("programs started: %s" % ("none" if not runs else len(runs)))
    for name, run in runs:
        started = "%s: %s in %s" % (name, cp1252(run["cmdline"]), cp1252(run["cwd"]))
        report.programs.append(started)
        report.line(started, 1)


def report_disc_writes(view: str, before: dict[str, tuple[int, int]], stand_ins: Recorders,
                       report: Report) -> None:
    """What was written to D:, which a real disc would refuse."""
    after = view_state(view, {winerunner.recorder_log(path) for _, path in stand_ins})
    written = sorted(p for p in after if before.get(p) != after[p])
    written += sorted(p for p in before if p not in after)
    if written:
        report.line("written to the disc (a real one is read-only): %s"
                    % ", ".join(windows_path(os.path.relpath(p, view)) for p in written))


def report_system(runner: Runner, before: dict[str, tuple[int, int]], report: Report) -> str | None:
    """What the launcher staged in the system's folders (its staged files
    are the prerequisites a matrix row counts); gives wininit.ini's path if
    it wrote one."""
    windows = os.path.dirname(runner.system32())
    after = folder_state(windows, runner.system32())
    changed = sorted(p for p in after if before.get(p) != after[p]
                     and not os.path.basename(p).lower().startswith("wineboot."))
    wininit = [p for p in changed if os.path.basename(p).lower() == "wininit.ini"]
    if wininit:
        report.line("wininit.ini written:")
        with open(wininit[0], "rb") as f:
            text = f.read().decode("cp1252", "replace")
        for line in text.splitlines():
            report.line(line, 1)
    else:
        report.line("wininit.ini: not written")
    files = [p for p in changed if p not in wininit]
    report.line("system folder: %s" % ("nothing written" if not files else
                                        "%d file%s written" % (len(files), "" if len(files) == 1 else "s")))
    for path in files:
        rel = os.path.relpath(path, os.path.join(runner.prefix, "drive_c"))
        written = "C:\\%s (%d bytes)" % (rel.replace("/", "\\"), after[path][0])
        report.staged.append(written)
        report.line(written, 1)
    return wininit[0] if wininit else None


def report_rerun(runner: Runner, report: Report) -> list[tuple[str, str]]:
    """The restart asked for and, with it, the rerun registered; gives the
    RunOnce values. The launcher registers its rerun only as it asks for
    the restart."""
    asked = runner.restart_requests()
    report.restart = bool(asked)
    values = restart.run_once(runner.wine(winerunner.REG, "query", restart.RUN_ONCE, check=False)
                              .stdout.decode("cp1252", "replace")) if asked else []
    for name, data in values:
        report.line("rerun registered: RunOnce %s = %s" % (name, data))
    if asked and not values:
        report.line("rerun registered: no")
    report.line("restart asked for: %s" % ("yes (%s; try restarts in its stead)" % asked[0] if asked else "no"))
    return values


class LauncherRun:
    """One run on a started runner: the disc as D:, the system emulated,
    the recorders in place, then the launcher followed."""

    def __init__(self, runner: Runner, request: Request, view: str, report: Report,
                 make_follower: MakeFollower | None = None) -> None:
        self.runner = runner
        self.request = request
        self.view = view
        self.report = report
        self.exe = os.path.basename(request.disc.launcher)
        # --whole: the disc's own programs run, each followed with the launcher.
        self.whole = request.options.whole
        self.make_follower = make_follower or (lambda: Follower(runner, request, report))

    def prepare(self) -> Recorders:
        runner, request, report = self.runner, self.request, self.report
        # Every Wine of Debian 12 and later knows the others; Windows 11 came later.
        if not runner.knows_system(request.plan.system):
            raise Unusable("this Wine (%s) does not emulate %s; try --system win10, or a newer Wine"
                           % (winerunner.wine_version(), request.plan.system))
        runner.map_drive(self.view)
        registry = [(r"HKLM\Software\Wine\Drives", "d:", "cdrom"),
                    (r"HKCU\Software\Wine\AppDefaults\%s" % self.exe, "Version", request.plan.system)]
        if self.whole:
            # The setup, msiexec and the product see the system the launcher sees.
            registry.append((r"HKCU\Software\Wine", "Version", request.plan.system))
        if request.options.oleaut32:
            # Wine answers version queries from its builtin copy unless told otherwise.
            winerunner.replace_file(runner.program(OLEAUT32[request.options.oleaut32]),
                                    os.path.join(runner.system32(), "oleaut32.dll"))
            registry.append((r"HKCU\Software\Wine\AppDefaults\%s\DllOverrides" % self.exe, "oleaut32",
                             "native,builtin"))
            report.line("the system's automation library: a stand-in of version %s" % request.options.oleaut32)
        for rel in (request.disc.setup_exe, request.disc.dcom):
            if rel and not self.whole:
                report.line("stood in by a recorder: %s" % windows_path(rel))
        if request.options.installed:
            # msiexec runs on the system that the launcher will see.
            runner.reg_import(registry)
            registry = []
        installed = install_package(runner, request, report) if request.options.installed else None
        runner.stub_restart(registry)
        return [] if self.whole else recorders(request, self.view, installed)

    def follow(self, cmd: str) -> Follower:
        follower = self.make_follower()
        session = self.runner.session(timeout=follower.limit(), kill=(self.exe,))
        try:
            follower.start(session, cmd)
            follower.follow(session)
        finally:
            session.close()
        return follower

    def run(self) -> None:
        stand_ins = self.prepare()
        runner, report = self.runner, self.report
        before = folder_state(os.path.dirname(runner.system32()), runner.system32())
        disc_before = view_state(self.view, set())
        follower = self.follow(command_line(self.request))
        if self.request.options.click and not follower.clicked:
            report.fail("no front window to click %s in" % BUTTON_LABELS[self.request.options.click])
        if not self.whole:
            report_programs(runner, stand_ins, report)
        report_disc_writes(self.view, disc_before, stand_ins, report)
        wininit = report_system(runner, before, report)
        rerun = report_rerun(runner, report)
        if report.restart:
            self.restart(wininit, rerun, stand_ins)

    def restart(self, wininit: str | None, rerun: list[tuple[str, str]], stand_ins: Recorders) -> None:
        """The restart the launcher asked for, and the rerun it registered,
        followed. A rerun that asks for the restart again would go round
        for ever on a real machine: what it staged did not take."""
        runner, report = self.runner, self.report
        report.line("the restart: every program ended, then what Windows does as it starts")
        runner.restart_server()
        if wininit:
            with open(wininit, "rb") as f:
                steps = restart.renames(f.read().decode("cp1252", "replace"))
            for done in restart.apply_renames(steps, lambda path: file_of_prefix(runner, path)):
                report.line(done, 1)
            os.replace(wininit, os.path.splitext(wininit)[0] + ".bak")
        if self.request.disc.dcom and winerunner.recorded_runs(os.path.join(self.view, self.request.disc.dcom)):
            # The stand-in installs nothing: what it stood in for would have.
            runner.wine(winerunner.REG, "add", restart.DCOM_VERSION, "/ve", "/d", restart.DCOM_INSTALLED, "/f")
            report.line("Distributed COM: taken as installed by its installer (a recorder stood in)", 1)
        for name, _ in rerun:
            runner.reg_delete(restart.RUN_ONCE, name)
        earlier, asked = len(recorded(stand_ins)), len(runner.restart_requests())
        for name, cmd in rerun:
            report.line("the rerun (RunOnce %s):" % name)
            self.follow(cmd)
            report.rerun = True
        if rerun and not self.whole:
            report_programs(runner, stand_ins, report, earlier)
        if len(runner.restart_requests()) > asked:
            report.line("restart asked for again by the rerun: on a real machine it would go round for ever")
            report.fail("the rerun asked for the restart again: a prerequisite did not take")

def run_launcher(request: Request, work: str, say: Callable[[str], None], report: Report) -> None:
    """The launcher run on the view in work/disc and the prefix in
    work/prefix (made here where it is not there yet), and reported."""
    programs = os.path.dirname(os.path.abspath(winerunner.__file__))
    width, height = screen_size(request.options.dpi)
    runner = winerunner.WineRunner(programs, work, display=request.plan.display, say=say,
                                   prefix=os.path.join(work, "prefix"), sealed=True,
                                   emulated=request.plan.emulated, screen="%dx%dx24" % (width, height))
    try:
        runner.start()
        if request.options.dpi:
            runner.set_dpi(request.options.dpi)
        if request.options.dpi and request.options.dpi != NATIVE_DPI:
            report.line("the screen: %d DPI (%d%% scaling), %d x %d"
                        % (request.options.dpi, round(request.options.dpi * 100 / NATIVE_DPI), width, height))
        if request.options.whole:
            from .whole import WholeRun
            WholeRun(runner, request, os.path.join(work, "disc"), report).run()
        else:
            LauncherRun(runner, request, os.path.join(work, "disc"), report).run()
    finally:
        runner.stop()
