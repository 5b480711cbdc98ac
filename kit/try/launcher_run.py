"""The run of bxdisc try itself: the launcher on the prepared view and
prefix, followed step by step on the Wine runner, and the report of what it
did. Inside the sandbox, or (--no-sandbox) in bxdisc try's own process.
"""
import json
import os
import re
import subprocess
import time

import winerunner
from disc_view import file_state, view_state
from screen import NATIVE_DPI, find_backdrop, read_samples, screen_size

DONE, MESSAGE, UNUSABLE = 0, 1, 2
BUTTONS = ("run", "again", "install", "exit")
BUTTON_LABELS = {"run": "Run", "again": "Setup again", "install": "Install", "exit": "Exit"}
BOX_BUTTONS = {1: "OK", 2: "Cancel", 3: "Abort", 4: "Retry", 5: "Ignore", 6: "Yes", 7: "No"}
RUN_ONCE = r"HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce"
WAIT = 30          # seconds for the launcher's next move, natively
USER_WAIT = 600    # seconds for a user at the window (--show)
MAX_MOVES = 20     # windows in one run: more is a launcher going round
# The least version a system reports, by which a Wine that does not know it
# (and falls back to its default) is told.
LEAST_VERSION = {"win11": (10, 0, 22000)}
# Version-only stand-ins for the system's automation library (--oleaut32).
OLEAUT32 = {"4.0": "verdll400.dll", "3.50": "verdll350.dll"}


class Unusable(Exception):
    """The disc or Wine cannot be used: exit status 2, with this message."""


def cp1252(text):
    """A text of the driver's report (ANSI bytes as latin-1) as it reads."""
    return text.encode("latin-1").decode("cp1252", "replace")


def quoted(text):
    return '"%s"' % text.replace("\r\n", "\n").replace("\n", "\\n")


# ---- the report ---------------------------------------------------------------

class Report:
    """Plain lines on standard output as things happen, and the verdict."""

    def __init__(self):
        self.status = DONE
        self.verdict = None

    def line(self, text, indent=0):
        print("  " * indent + text, flush=True)

    def fail(self, verdict):
        """The run did not go as the disc intends; the first reason stands."""
        if self.status == DONE:
            self.status, self.verdict = MESSAGE, verdict


def lies_within(folder, path):
    """Whether path, its links followed, is a file of the folder: what a
    package names may lead anywhere through a link or ".."."""
    return os.path.realpath(path).startswith(os.path.realpath(folder) + os.sep)


def windows_path(rel):
    return "D:\\" + rel.replace("/", "\\")


# ---- the prefix ------------------------------------------------------------------

def wine(runner, *args, timeout=60, check=True):
    return subprocess.run(["wine"] + list(args), env=runner.env, timeout=runner.scaled(timeout),
                          check=check, stdin=subprocess.DEVNULL, capture_output=True)


def in_prefix(bed, path):
    """The Linux path of a C: path, its names found without regard to case."""
    here = os.path.join(bed.prefix, "drive_c")
    for part in path[3:].split("\\"):
        entries = os.listdir(here) if os.path.isdir(here) else []
        match = [e for e in entries if e.lower() == part.lower()]
        here = os.path.join(here, match[0] if match else part)
    return here


def install_package(bed, args, report):
    """Installs the disc's package; stands a recorder in for the program the
    launcher's query finds. Gives that program's Windows and Linux paths, or None."""
    if not args.package:
        raise Unusable("--installed: the disc's Autorun.inf names no package (SetupMSI) on the disc")
    package = windows_path(args.package)
    try:
        bed.run(["wine", "msiexec", "/i", package, "/qn"], timeout=bed.scaled(300),
                 progress="installing %s with msiexec" % package)
    except subprocess.CalledProcessError as e:
        raise Unusable("msiexec could not install %s (exit status %d)" % (package, e.returncode))
    query = os.path.join(bed.work, "query.json")
    found = bed.drive(['cmd "%s" "%s" "%s" "D:\\Autorun.inf"'
                       % (bed.to_windows(bed.program("msiquery.exe")), bed.to_windows(query),
                          package), "dir D:\\", "start", "wait-exit 30000"],
                      kill=("msiquery.exe",))
    exe = ""
    if found.ok and os.path.exists(query):
        with open(query, "rb") as f:
            exe = cp1252(json.loads(f.read().decode("ascii"))["exe"])
    report.line("installed: %s with msiexec" % package)
    if not exe.upper().startswith("C:\\") or not os.path.isfile(in_prefix(bed, exe)):
        report.line("the package's installed program: none the launcher finds"
                    " (no Run button will show)", 1)
        return None
    path = in_prefix(bed, exe)
    # Only ever a file of the throwaway prefix: the package is the disc's.
    if not lies_within(bed.prefix, path):
        raise Unusable("the package installs its program outside the prefix (%s): not tried"
                       % exe)
    winerunner.replace_file(bed.program("recstub.exe"), path)
    report.line("the package's installed program: %s (a recorder stands in)" % exe, 1)
    return exe, path


def folder_state(*folders):
    """Name -> (size, mtime) of the files directly in each folder."""
    state = {}
    for folder in folders:
        for entry in os.scandir(folder):
            if entry.is_file(follow_symlinks=False):
                state[entry.path] = file_state(entry.path)
    return state


# ---- the run ----------------------------------------------------------------------

class Run:
    def __init__(self, bed, args, report):
        self.bed = bed
        self.args = args
        self.report = report
        self.ids = dict(zip(BUTTONS, (int(i) for i in args.buttons.split(","))))
        self.names = {v: k for k, v in self.ids.items()}
        self.clicked = False
        self.shot = False

    def start(self, session):
        tail = self.args.tail if self.args.tail is not None else ["/autorun"]
        program = windows_path(self.args.launcher)
        if " " in program:
            program = '"%s"' % program
        words = [program] + ['"%s"' % a if (" " in a or not a) and '"' not in a else a
                             for a in tail]
        cmd = " ".join(words)
        self.report.line("started: %s in D:\\" % cmd)
        refused = next((r for r in session.step("cmd " + cmd) if r.get("error") == "too long"), None)
        if refused:
            raise Unusable("the launcher's command line is %d characters, and Wine's driver takes %d at most"
                           % (len(cmd), refused["max"]))
        session.step("dir D:\\")
        started = session.step("start")
        if not started or not started[-1]["ok"]:
            raise Unusable("Wine could not start the launcher: %s" % (started or "no report"))

    def follow(self, session):
        """Follows the launcher until it ends: answers its boxes, looks at and
        clicks in its front window. False when it hangs."""
        wait = self.args.timeout or WAIT
        for _ in range(MAX_MOVES):
            records = session.step("follow %d" % (wait * 1000), wait=wait)
            move = next((r for r in records if r["step"] == "follow"), None)
            if not move or not move["ok"]:
                self.report.line("the launcher hangs: no window and no end within %d s "
                                 "(stretched %.1f times); ended by try"
                                 % (wait, self.bed.slowness))
                self.report.fail("the launcher hung")
                return False
            if move["ended"]:
                self.report.line("the launcher ended, exit code %d" % move["code"])
                return True
            if move["box"]:
                self.box(session, move)
            elif self.front_window(session, move) is False:
                return True
        self.report.line("the launcher showed %d windows one after another; ended by try"
                         % MAX_MOVES)
        self.report.fail("the launcher went round in windows")
        return False

    def box(self, session, box):
        buttons = [BOX_BUTTONS.get(b, str(b)) for b in box["buttons"]]
        self.report.line("message box %s: %s [%s]" % (quoted(cp1252(box["title"])),
                                                   quoted(cp1252(box["text"])),
                                                   ", ".join(buttons)))
        if self.args.show and not self.args.answer:
            session.step("wait-gone %d" % (USER_WAIT * 1000), wait=USER_WAIT)
            self.report.line("answered at the window", 1)
        elif not box["buttons"]:
            session.step("close")
            self.report.line("no button to answer with; closed by try", 1)
        else:
            wanted = 6 if self.args.answer != "no" else 7
            answer = wanted if wanted in box["buttons"] else box["buttons"][0]
            session.step("answer %d" % answer)
            self.report.line("answered %s" % BOX_BUTTONS.get(answer, answer), 1)
        if box["buttons"] == [1]:
            self.report.fail("the launcher showed an error message")

    def front_window(self, session, window):
        """Reports the window and its buttons, takes the screenshot, then
        clicks, waits for the user, or closes it. False when try ended it."""
        children = session.step("children")
        shown = [c["id"] for c in (children[-1].get("children", []) if children else [])
                 if c["visible"] and c["id"] in self.names]
        width, height = window["client"]
        labels = [BUTTON_LABELS[self.names[i]] for i in sorted(shown)]
        self.report.line("front window %s, %d x %d: buttons %s"
                         % (quoted(cp1252(window["title"])), width, height,
                            ", ".join(labels) or "none"))
        if self.args.screenshot and not self.shot:
            self.shot = True
            self.screenshot(window)
        click = self.args.click
        if click and not self.clicked:
            self.clicked = True
            if self.ids[click] not in shown:
                self.report.line("no %s button to click; closed by try" % BUTTON_LABELS[click], 1)
                self.report.fail("the front window has no %s button" % BUTTON_LABELS[click])
                session.step("close")
                return True
            pressed = session.step("press %d" % self.ids[click])
            ok = pressed and pressed[-1]["ok"]
            self.report.line("clicked %s%s" % (BUTTON_LABELS[click], "" if ok else " (failed)"), 1)
            if not ok:
                self.report.fail("the click did not reach the window")
                return False
        elif self.args.show:
            self.report.line("waiting for you at the window (at most %d s)" % USER_WAIT, 1)
            session.step("wait-gone %d" % (USER_WAIT * 1000), wait=USER_WAIT)
        else:
            session.step("close")
            self.report.line("closed by try (no --click)", 1)
        return True

    def screenshot(self, window):
        """The window as it shows, once its backdrop is painted (sampled
        points of the backdrop bitmap seen on the screen)."""
        left, top, right, bottom = window["rect"]
        deadline = time.monotonic() + self.bed.scaled(10)
        if self.args.backdrop:
            try:
                backdrop = read_samples(self.args.backdrop)
                while (not find_backdrop((left, top, right - left, bottom - top), backdrop)
                       and time.monotonic() < deadline):
                    time.sleep(0.3)
            except (OSError, ValueError, IndexError, subprocess.SubprocessError):
                pass  # take what shows
        out = os.path.abspath(self.args.screenshot)
        shown = self.args.screenshot_as or out
        try:
            subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d"
                            % (right - left, bottom - top, left, top), "+repage", out],
                           env=self.bed.env, check=True, timeout=60, capture_output=True)
            self.report.line("screenshot: %s" % shown, 1)
        except (OSError, subprocess.SubprocessError):
            self.report.line("screenshot: could not be taken", 1)


def recorders(args, view, installed):
    """(Windows name, Linux path) of each recorder."""
    found = [(windows_path(rel), os.path.join(view, rel))
             for rel in (args.dcom, args.setup_exe) if rel]
    return found + ([installed] if installed else [])


def report_programs(bed, stand_ins, report):
    """Each recorder's runs, once the launcher is done with them: it does not
    wait for what it starts, so a run may be logged a moment after it ends.
    Watched for a second (stretched), less once a run is logged and no more
    come."""
    def logged():
        return [(name, run) for name, path in stand_ins for run in winerunner.recorded_runs(path)]
    deadline = time.monotonic() + bed.scaled(1)
    runs, steady = logged(), time.monotonic()
    while time.monotonic() < deadline and not (runs and time.monotonic() - steady > bed.scaled(0.2)):
        time.sleep(0.05)
        now = logged()
        if len(now) != len(runs):
            runs, steady = now, time.monotonic()
    report.line("programs started: %s" % ("none" if not runs else len(runs)))
    for name, run in runs:
        report.line("%s: %s in %s" % (name, cp1252(run["cmdline"]), cp1252(run["cwd"])), 1)


def report_disc_writes(view, before, stand_ins, report):
    """What was written to D:, which a real disc would refuse."""
    after = view_state(view, {winerunner.recorder_log(path) for _, path in stand_ins})
    written = sorted(p for p in after if before.get(p) != after[p])
    written += sorted(p for p in before if p not in after)
    if written:
        report.line("written to the disc (a real one is read-only): %s"
                    % ", ".join(windows_path(os.path.relpath(p, view)) for p in written))


def report_system(bed, before, report):
    windows = os.path.dirname(bed.system32())
    after = folder_state(windows, bed.system32())
    changed = sorted(p for p in after if before.get(p) != after[p]
                     and not os.path.basename(p).lower().startswith("wineboot."))
    wininit = [p for p in changed if os.path.basename(p).lower() == "wininit.ini"]
    if wininit:
        report.line("wininit.ini written:")
        with open(wininit[0], "rb") as f:
            for line in f.read().decode("cp1252", "replace").splitlines():
                report.line(line, 1)
    else:
        report.line("wininit.ini: not written")
    files = [p for p in changed if p not in wininit]
    report.line("system folder: %s" % ("nothing written" if not files else
                                        "%d file%s written" % (len(files), "" if len(files) == 1 else "s")))
    for path in files:
        rel = os.path.relpath(path, os.path.join(bed.prefix, "drive_c"))
        report.line("C:\\%s (%d bytes)" % (rel.replace("/", "\\"), after[path][0]), 1)


def report_rerun(bed, report):
    out = wine(bed, "reg", "query", RUN_ONCE, check=False).stdout.decode("cp1252", "replace")
    values = [m.groups() for m in re.finditer(r"^\s+(\S.*?)\s{4}REG_\w+\s{4}(.*?)\s*$", out, re.M)]
    if values:
        for name, data in values:
            report.line("rerun registered: RunOnce %s = %s" % (name, data))
    else:
        report.line("rerun registered: no")
    restarts = bed.restart_requests()
    report.line("restart asked for: %s" % (
        "yes (%s; a recorder stood in, nothing restarted)" % restarts[0] if restarts else "no"))


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True,
                          timeout=120).stdout.strip()


def knows_system(bed, system):
    """Whether this Wine emulates the system: an older Wine answers an
    unknown Version value with its default one."""
    key = r"HKCU\Software\Wine\AppDefaults\cmd.exe"
    bed.reg_set(key, "Version", system)
    try:
        out = wine(bed, "cmd", "/c", "ver", check=False).stdout.decode("latin-1")
    finally:
        bed.reg_delete(key)
    found = re.search(r"(\d+)\.(\d+)\.(\d+)", out)
    return bool(found) and tuple(int(n) for n in found.groups()) >= LEAST_VERSION[system]


def follow_launcher(args, work, say, report):
    """The launcher run on the view in work/disc and the prefix in
    work/prefix (made here where it is not there yet), and reported."""
    programs = os.path.dirname(os.path.abspath(winerunner.__file__))
    view = os.path.join(work, "disc")
    width, height = screen_size(args.dpi)
    bed = winerunner.WineRunner(programs, work, display=args.display, say=say,
                                prefix=os.path.join(work, "prefix"), sealed=True,
                                emulated=args.emulated, screen="%dx%dx24" % (width, height))
    try:
        bed.start()
        if args.dpi:
            bed.set_dpi(args.dpi)
        if args.dpi and args.dpi != NATIVE_DPI:
            report.line("the screen: %d DPI (%d%% scaling), %d x %d"
                        % (args.dpi, round(args.dpi * 100 / NATIVE_DPI), width, height))
        os.environ["DISPLAY"] = bed.env["DISPLAY"]  # for the screenshot's tools
        # Every Wine of Debian 12 and later knows the others; Windows 11 came later.
        if args.system == "win11" and not knows_system(bed, "win11"):
            raise Unusable("this Wine (%s) does not emulate win11; try --system win10, or a "
                           "newer Wine" % wine_version())
        stand_ins = [rel for rel in (args.setup_exe, args.dcom) if rel]
        bed.map_drive(view)
        bed.reg_set(r"HKLM\Software\Wine\Drives", "d:", "cdrom")
        exe = os.path.basename(args.launcher)
        bed.reg_set(r"HKCU\Software\Wine\AppDefaults\%s" % exe, "Version", args.system)
        if args.oleaut32:
            # Wine answers version queries from its builtin copy unless told otherwise.
            winerunner.replace_file(bed.program(OLEAUT32[args.oleaut32]),
                        os.path.join(bed.system32(), "oleaut32.dll"))
            bed.reg_set(r"HKCU\Software\Wine\AppDefaults\%s\DllOverrides" % exe, "oleaut32",
                        "native,builtin")
            report.line("the system's automation library: a stand-in of version %s"
                        % args.oleaut32)
        for rel in stand_ins:
            report.line("stood in by a recorder: %s" % windows_path(rel))
        installed = install_package(bed, args, report) if args.installed else None
        bed.stub_restart()
        before = folder_state(os.path.dirname(bed.system32()), bed.system32())
        programs = recorders(args, view, installed)
        disc_before = view_state(view, set())

        run = Run(bed, args, report)
        wait = args.timeout or WAIT
        session = bed.session(timeout=MAX_MOVES * wait + 2 * USER_WAIT, kill=(exe,))
        try:
            run.start(session)
            run.follow(session)
        finally:
            session.close()
        if args.click and not run.clicked:
            report.fail("no front window to click %s in" % BUTTON_LABELS[args.click])
        report_programs(bed, programs, report)
        report_disc_writes(view, disc_before, programs, report)
        report_system(bed, before, report)
        report_rerun(bed, report)
    finally:
        bed.stop()


