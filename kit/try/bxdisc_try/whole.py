"""bxdisc try --whole: the disc's whole life, its own programs run for real
in the sandbox, in four phases. Install: the automatic start, Install
clicked, the prerequisites (and the restart), the disc's setup program
driven through its dialogs. Installed: the disc started again must offer
Run (where it has a package), and Run starts the product's window.
Started again: with the product running, the launcher brings its window
forward and shows none of its own. Uninstalled: the product's uninstall
entry run as Windows' list of programs runs it; nothing it installed is
left, its entry is gone, and the automatic start offers Install again.
A phase that fails ends the run, the verdict naming it."""
from __future__ import annotations

import dataclasses
import os
import re
from pathlib import Path
from typing import Callable

from winerunner import Runner

from . import restart
from .family import RESTART_CODES, FamilyFollower, exit_problem
from .follow import Record, Session, command_line
from .frames import Frames
from .launcher_run import LauncherRun, in_prefix
from .report import Report, cp1252, quoted, windows_path
from .request import Request

UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
MSI_UNINSTALL = re.compile(r'msiexec(?:\.exe)?"?\s+/x\s*"?(\{[0-9a-f-]+\})', re.I)
MSI_LOG = "C:\\bxdisc-msiexec.log"
LOG_LINES = 6
MSIEXEC_WAIT = 300  # seconds, natively
# What Wine, the installer service and the restart write of their own accord.
CHURN = re.compile(r"(^windows/temp/|^users/[^/]+/(temp|appdata/local/temp|local settings/temp)/"
                   r"|^windows/installer/|\.log$|^windows/wininit\.(ini|bak)$)")


def drive_files(prefix: str) -> set[str]:
    """The files of the prefix's C:, relative, but Wine's churn."""
    top = os.path.join(prefix, "drive_c")
    found = set()
    for folder, _, names in os.walk(top):
        for name in names:
            rel = os.path.relpath(os.path.join(folder, name), top).replace(os.sep, "/")
            if not CHURN.search(rel.lower()):
                found.add(rel)
    return found


def subkeys(query: str) -> set[str]:
    """The names of the keys `reg query KEY` lists under KEY."""
    return {m.group(1) for m in re.finditer(r"^HKEY_[^\r\n]*\\Uninstall\\([^\\\r\n]+?)\s*$", query, re.M | re.I)}


def log_tail(data: bytes) -> list[str]:
    """The last lines of an installer's log, whatever its encoding."""
    text = data.decode("utf-16", "replace") if data[:2] == b"\xff\xfe" else data.decode("cp1252", "replace")
    return [line.strip() for line in text.splitlines() if line.strip()][-LOG_LINES:]


class WholeRun:
    def __init__(self, runner: Runner, request: Request, view: str, report: Report) -> None:
        self.runner = runner
        self.request = request
        self.view = view
        self.report = report
        self.frames = Frames(runner, Path(runner.work), request.plan.screenshot is not None, report)
        self.followers: list[FamilyFollower] = []
        self.exe = os.path.basename(request.disc.launcher)
        self.product_title: str | None = None
        self.before: set[str] = set()            # C:'s files before the install
        self.installed_files: set[str] = set()   # and after it

    # ---- the phases ------------------------------------------------------------

    def phase(self, name: str, heading: str) -> None:
        self.report.phase = name
        self.report.line("-- %s" % heading)

    def run(self) -> None:
        report = self.report
        entries = self.entries()
        phases: list[Callable[[], None]] = [self.install]
        if self.request.disc.package:
            phases += [self.installed, self.again]
        else:
            report.line("no package (SetupMSI): the launcher never offers Run; Installed and Started again skipped")
        phases.append(lambda: self.uninstall(entries))
        # A phase that fails says so in the report, and the run ends there.
        for phase in phases:
            phase()
            if report.status:
                return
        report.line("the whole life: installed, started, started again and uninstalled")

    def install(self) -> None:
        self.phase("install", "Install: the automatic start, Install clicked, the setup program")
        self.before = drive_files(self.runner.prefix)
        request = self.with_options(click="install")
        LauncherRun(self.runner, request, self.view, self.report,
                    lambda: self.follower(request, "the front window", "install")).run()
        if self.report.status:
            return
        setup = self.request.disc.setup_exe
        if setup:
            image = os.path.basename(setup.replace("\\", "/"))
            codes = [code for f in self.followers for code in f.ran(image)]
            if not codes:
                self.report.fail("the setup program %s never ran" % windows_path(setup))
                return
            # Unknown where it ended before the driver could open it.
            problem = exit_problem(codes[-1]) if codes[-1] is not None else None
            if problem:
                said = [quoted(text) for f in self.followers for text in f.wizard.messages]
                verdict = "the setup program %s %s" % (image, problem)
                verdict += " after %s %s" % ("the message" if len(said) == 1 else "the messages",
                                             ", ".join(said)) if said else ""
                msi = self.msiexec("/i", windows_path(self.request.disc.package)) if self.request.disc.package \
                    else None
                self.report.fail(verdict + ("; " + msi if msi else ""))
                return
        self.installed_files = drive_files(self.runner.prefix)

    def installed(self) -> None:
        self.phase("installed", "Installed: the disc started again, Run clicked, the product's window")
        look = self.request.disc.look_for_title
        request = self.with_options(click="run")
        follower = self.follower(request, "the installed front window", "installed",
                                 product=lambda w: not look or cp1252(w["title"]).startswith(look),
                                 needs=("Run", "Setup again"))
        clicked = self.report.clicked
        self.follow(follower, command_line(request))
        self.report.clicked = clicked  # the table's is the automatic start's
        if follower.fronts and "Run" not in follower.fronts[0]:
            # Why the launcher judges it not installed: the package installed alone, with its log.
            self.msiexec("/i", windows_path(self.request.disc.package or ""))
        if self.report.status:
            return
        if not follower.fronts:
            self.report.fail("the launcher showed no front window")
            return
        if follower.found is None:
            self.report.fail("the installed program showed no window")
            return
        self.product_title = cp1252(follower.found["title"])

    def again(self) -> None:
        self.phase("again", "Started again: the disc started once more while the product runs")
        title = self.product_title or ""
        if not self.request.disc.look_for_title:
            self.report.line("no Look4Title: the launcher cannot find the product's window; skipped")
            return
        request = self.with_options()
        follower = self.follower(request, "the front window", "again")
        forward: list[Record] = []
        # The driver takes a title on one line; the product's own may hold a break.
        findable = not any(c in title for c in "\r\n")

        def product_forward(session: Session) -> None:
            if not findable:
                return
            forward.extend(r for r in session.step("find-title " + title) if r["step"] == "find-title")
            if forward and forward[0]["ok"]:
                session.step("close")
                session.step("wait-gone 10000", wait=10)
        self.follow(follower, command_line(request), product_forward)
        if self.report.status:
            return
        if follower.fronts:
            self.report.fail("the launcher showed its front window while the product runs")
            return
        if not findable:
            self.report.line("the product's window title holds a line break: try cannot tell whether it came forward")
            return
        if not forward or not forward[0]["ok"] or forward[0].get("zvisible") != 0:
            self.report.fail("the launcher did not bring the product's window \"%s\" forward" % title)
            return
        self.report.line("the product's window \"%s\" brought forward; the launcher showed no window of its own"
                         % title)

    def uninstall(self, entries: set[str]) -> None:
        self.phase("uninstall", "Uninstalled: the product removed as Windows' list of programs removes it")
        added = sorted(self.entries() - entries)
        if not added:
            self.report.fail("the install added no uninstall entry: nothing removes the product")
            return
        for key in added:
            values = dict(restart.run_once(self.query(UNINSTALL + "\\" + key, "/v", "UninstallString")))
            command = values.get("UninstallString", "")
            self.report.line("uninstall entry %s: %s" % (key, command or "no UninstallString"))
            msi = MSI_UNINSTALL.search(command)
            if msi:
                failed = self.msiexec("/x", msi.group(1))
                if failed:
                    self.report.fail("the package did not uninstall: " + failed)
                    return
            elif command:
                follower = self.follower(self.with_options(), "the front window", "uninstall")
                self.follow(follower, command)
                if self.report.status:
                    return
        left = sorted(self.entries() & set(added))
        if left:
            self.report.fail("its uninstall entry is still there: %s" % ", ".join(left))
            return
        files = sorted((self.installed_files - self.before) & drive_files(self.runner.prefix))
        if files:
            self.report.line("left by the uninstall:")
            for rel in files:
                self.report.line("C:\\" + rel.replace("/", "\\"), 1)
            self.report.fail("the uninstall left %d file%s it installed: %s"
                             % (len(files), "" if len(files) == 1 else "s",
                                ", ".join("C:\\" + f.replace("/", "\\") for f in files)))
            return
        request = self.with_options()
        follower = self.follower(request, "the front window after the uninstall", "uninstall")
        self.follow(follower, command_line(request))
        offered = follower.fronts[0] if follower.fronts else ()
        if "Install" not in offered or "Run" in offered:
            self.report.fail("a new automatic start does not offer Install again (it offers %s)"
                             % (", ".join(offered) or "no front window"))

    # ---- the parts ---------------------------------------------------------------

    def with_options(self, **options: object) -> Request:
        """The request for one launcher run of a phase: the front window
        pictured only in the first (the author's --screenshot)."""
        changed = dataclasses.replace(self.request.options, click=options.get("click"))
        plan = self.request.plan if not self.followers else dataclasses.replace(self.request.plan, screenshot=None)
        return dataclasses.replace(self.request, options=changed, plan=plan)

    def follower(self, request: Request, caption: str, phase: str,
                 product: Callable[[Record], bool] | None = None, needs: tuple[str, ...] = ()) -> FamilyFollower:
        follower = FamilyFollower(self.runner, request, self.report, self.frames, phase, caption, product, needs)
        self.followers.append(follower)
        return follower

    def follow(self, follower: FamilyFollower, cmd: str, after: Callable[[Session], None] | None = None) -> None:
        session = self.runner.session(timeout=follower.limit(), kill=(self.exe,))
        try:
            follower.start(session, cmd)
            if follower.follow(session) and after:
                after(session)
        finally:
            session.close()

    def query(self, *args: str) -> str:
        return self.runner.wine("reg", "query", *args, check=False).stdout.decode("cp1252", "replace")

    def entries(self) -> set[str]:
        return subkeys(self.query(UNINSTALL))

    def msiexec(self, action: str, target: str) -> str | None:
        """msiexec run quietly with its log, under the driver, which keeps
        its whole exit code (wine's own status keeps a byte of it); None
        when it did it, else its exit code, the log's last lines in the report."""
        line = "msiexec %s %s /qn /l*v %s" % (action, target, MSI_LOG)
        session = self.runner.session(timeout=MSIEXEC_WAIT + 30, kill=("msiexec.exe",))
        try:
            for step in ("cmd " + line, "dir C:\\", "start"):
                session.step(step)
            records = session.step("wait-exit %d" % (MSIEXEC_WAIT * 1000), wait=MSIEXEC_WAIT)
        finally:
            session.close()
        ended = next((r for r in records if r["step"] == "wait-exit"), None)
        if ended is None or "code" not in ended:
            self.report.line("%s: did not end (%s)" % (line, ended and ended.get("error") or "no report"))
            return "%s did not end" % line
        code = ended["code"] & 0xFFFFFFFF
        if code in (0,) + RESTART_CODES:
            self.report.line("%s: done" % line)
            return None
        self.report.line("%s: exit code %d; its log ends:" % (line, code))
        try:
            for tail in log_tail(Path(in_prefix(self.runner, MSI_LOG)).read_bytes()):
                self.report.line(tail, 1)
        except OSError:
            self.report.line("(no log)", 1)
        return "msiexec %s %s: exit code %d" % (action, target, code)
