#!/usr/bin/env python3
"""bxdisc try: a disc's launcher run on emulated Windows, with a plain report
of what it did.

bxdisc (kit/try/RunnerCommand.cpp) reads the disc with the launcher's own
code and starts this script with what it found and try's options, each
--name=value (--name for a flag). The run is the Wine runner's
(winerunner/, in bxdisc's data folder beside this script's folder), the
same that the tests under Wine run on, with its UI driver and its
recording stub:

- a throwaway 32-bit prefix and, unless --show, a private Xvfb;
- the disc as D:, a view of the author's folder (real folders, copies of
  its files, links to the biggest) in which recorders stand in for the
  setup program and the Distributed COM installer; nothing is ever written
  through a link, so the author's folder is only read;
- with --installed, the disc's package installed by msiexec, its program
  (found by the launcher's own package query) stood in by a recorder;
- the restart stood in by a recorder in place of Wine's wineboot.

Exit status: 0 the launcher ended as the disc intends; 1 it showed an error
message, hung, or the clicked button was not there; 2 the disc or Wine cannot
be used. Everything it made goes when it ends, interrupted or not.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from screen import find_backdrop, read_samples

# bxdisc's data folder holds this script's folder beside the Wine runner's.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "winerunner"))
try:
    import winerunner
except ImportError:
    winerunner = None

DONE, MESSAGE, UNUSABLE = 0, 1, 2
WINE_PACKAGES = ("Debian's wine and wine32:i386 (dpkg --add-architecture i386, then "
                 "apt-get install wine wine32:i386)")
BUTTONS = ("run", "again", "install", "exit")
BUTTON_LABELS = {"run": "Run", "again": "Setup again", "install": "Install", "exit": "Exit"}
BOX_BUTTONS = {1: "OK", 2: "Cancel", 3: "Abort", 4: "Retry", 5: "Ignore", 6: "Yes", 7: "No"}
RUN_ONCE = r"HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce"
WAIT = 30          # seconds for the launcher's next move, natively
USER_WAIT = 600    # seconds for a user at the window (--show)
MAX_MOVES = 20     # windows in one run: more is a launcher going round
COPY_LIMIT = 4 << 20  # bytes: bigger files of the disc are linked into its view
MAX_VIEW_ENTRIES = 100000  # a CD holds far fewer; links could make a folder appear endlessly
# Version-only stand-ins for the system's automation library (--oleaut32).
OLEAUT32 = {"4.0": "verdll400.dll", "3.50": "verdll350.dll"}
# What bxdisc hands on: values, and the flags among them.
FLAGS = ("show", "installed")


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


# ---- the disc as D: -------------------------------------------------------------

def make_view(disc, view, standins, recorder):
    """The author's folder as the launcher's D:, with recorders in place of
    standins (paths relative to the disc). Every folder of the view is its
    own, linked folders included, so that nothing placed in it reaches the
    author's files through a link; files are copied, and only big ones
    (installer payloads) linked, to spare the copying."""
    entries = [0]

    def copy_folder(source, target, ancestors):
        real = os.path.realpath(source)
        if real in ancestors:
            return  # a link back up: a disc of its own is no endless one
        os.makedirs(target, exist_ok=True)
        for name in sorted(os.listdir(source)):
            entries[0] += 1
            if entries[0] > MAX_VIEW_ENTRIES:
                raise Unusable("the disc folder holds more than %d files and folders, "
                               "its links followed" % MAX_VIEW_ENTRIES)
            here, there = os.path.join(source, name), os.path.join(target, name)
            if os.path.isdir(here):
                copy_folder(here, there, ancestors | {real})
            elif not os.path.isfile(here):
                continue  # a dangling link, a socket: nothing a disc holds
            elif os.path.getsize(here) <= COPY_LIMIT:
                shutil.copy2(here, there)
            else:
                os.symlink(os.path.realpath(here), there)

    copy_folder(disc, view, frozenset())
    for rel in standins:
        path = os.path.join(view, rel)
        base = os.path.splitext(path)[0]
        for own in (path, winerunner.recorder_log(path), base + ".hold"):
            if os.path.lexists(own):
                os.unlink(own)  # a link goes, never what it leads to
        shutil.copy(recorder, path)


def view_state(view, logs):
    """Name -> (size, mtime) of every file of the view but the recorders'
    logs; a linked file by what it links to."""
    state = {}
    for d, _, names in os.walk(view):
        for n in names:
            path = os.path.join(d, n)
            if path not in logs and os.path.exists(path):
                st = os.stat(path)
                state[path] = (st.st_size, st.st_mtime_ns)
    return state


def file_state(path):
    st = os.lstat(path)
    return st.st_size, st.st_mtime_ns


def lies_within(folder, path):
    """Whether path, its links followed, is a file of the folder: what a
    package names may lead anywhere through a link or ".."."""
    return os.path.realpath(path).startswith(os.path.realpath(folder) + os.sep)


def windows_path(rel):
    return "D:\\" + rel.replace("/", "\\")


# ---- the prefix ------------------------------------------------------------------

def check_platform(show, screenshot):
    if not shutil.which("wine") or not os.path.exists("/usr/lib/wine/wine"):
        raise Unusable("32-bit Wine is not installed; install " + WINE_PACKAGES)
    try:
        subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True, timeout=120,
                       check=True)
    except (OSError, subprocess.SubprocessError):
        raise Unusable("Wine's 32-bit programs do not run on this machine: its kernel runs no "
                       "32-bit programs and no emulator is registered for them (qemu-user 9 or "
                       "later, from bookworm-backports, registered for i386 through binfmt_misc)")
    if show and not os.environ.get("DISPLAY"):
        raise Unusable("--show needs an X display in $DISPLAY")
    needed = [] if show else [("Xvfb", "xvfb")]
    needed += [("import", "imagemagick"), ("xdotool", "xdotool")] if screenshot else []
    missing = [(p, package) for p, package in needed if not shutil.which(p)]
    if missing:
        raise Unusable("%s not installed; install with apt-get install %s"
                       % (", ".join(p for p, _ in missing), " ".join(k for _, k in missing)))


def check_runner(programs, oleaut32):
    needed = ["uidriver.exe", "recstub.exe", "msiquery.exe"] + ([OLEAUT32[oleaut32]]
                                                                 if oleaut32 else [])
    missing = [t for t in needed if not os.path.exists(os.path.join(programs, t))]
    if missing:
        raise Unusable(
            "the Wine runner's programs (%s) are not in %s; build them with the cross build "
            "(cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake, then ninja), or name a "
            "folder that holds try/ and winerunner/ in $BXDISC_DATA"
            % (", ".join(missing), programs))


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
                       % (winerunner.to_windows(bed.program("msiquery.exe")), winerunner.to_windows(query),
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
    shutil.copy(bed.program("recstub.exe"), path)
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
        session.step("cmd " + cmd)
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
        try:
            subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d"
                            % (right - left, bottom - top, left, top), "+repage", out],
                           env=self.bed.env, check=True, timeout=60, capture_output=True)
            self.report.line("screenshot: %s" % out, 1)
        except (OSError, subprocess.SubprocessError):
            self.report.line("screenshot: could not be taken", 1)


def recorders(args, view, installed):
    """(Windows name, Linux path) of each recorder."""
    found = [(windows_path(rel), os.path.join(view, rel))
             for rel in (args.dcom, args.setup_exe) if rel]
    return found + ([installed] if installed else [])


def report_programs(bed, stand_ins, report):
    """Each recorder's runs, once the launcher is done with them."""
    time.sleep(bed.scaled(1))  # the launcher does not wait for the setup program
    runs = [(name, run) for name, path in stand_ins for run in winerunner.recorded_runs(path)]
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


def try_disc(args, report):
    check_platform(args.show, args.screenshot)
    if winerunner is None:
        raise Unusable("the Wine runner (winerunner.py) is not beside %s"
                       % os.path.dirname(os.path.abspath(__file__)))
    programs = os.path.dirname(os.path.abspath(winerunner.__file__))
    check_runner(programs, args.oleaut32)
    report.line("bxdisc try: %s on %s" % (args.disc, args.system))
    work = tempfile.mkdtemp(prefix="bxdisc-try-")
    bed = winerunner.WineRunner(programs, work,
                                display=os.environ["DISPLAY"] if args.show else None,
                                say=lambda line: print("bxdisc try: " + line, file=sys.stderr,
                                                       flush=True))
    try:
        bed.start()
        os.environ["DISPLAY"] = bed.env["DISPLAY"]  # for the screenshot's tools
        view = os.path.join(bed.work, "disc")
        stand_ins = [rel for rel in (args.setup_exe, args.dcom) if rel]
        make_view(args.disc, view, stand_ins, bed.program("recstub.exe"))
        bed.map_drive(view)
        bed.reg_set(r"HKLM\Software\Wine\Drives", "d:", "cdrom")
        exe = os.path.basename(args.launcher)
        bed.reg_set(r"HKCU\Software\Wine\AppDefaults\%s" % exe, "Version", args.system)
        if args.oleaut32:
            # Wine answers version queries from its builtin copy unless told otherwise.
            shutil.copy(bed.program(OLEAUT32[args.oleaut32]),
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
        shutil.rmtree(work, ignore_errors=True)


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
        for needed in ("disc", "launcher", "buttons"):
            if not getattr(self, needed, None):
                raise SystemExit("disc_try.py is bxdisc try's own: run bxdisc try")
        self.disc = os.path.abspath(self.disc)
        self.system = self.system or "winxp"
        self.timeout = int(self.timeout) if self.timeout else None

    def __getattr__(self, name):
        return False if name in FLAGS else None


def main(argv):
    args = Args(argv)
    report = Report()

    def interrupted(signum, frame):
        raise KeyboardInterrupt
    # Interruptible even when started with SIGINT ignored (a background job).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)
    try:
        try_disc(args, report)
    except Unusable as e:
        print("bxdisc try: %s" % e, file=sys.stderr)
        return UNUSABLE
    except KeyboardInterrupt:
        print("bxdisc try: interrupted; its prefix, display and processes are gone",
              file=sys.stderr)
        return 130
    except (subprocess.SubprocessError, OSError) as e:
        print("bxdisc try: Wine failed: %s" % e, file=sys.stderr)
        return UNUSABLE
    if report.status == DONE:
        report.line("result: the launcher did what the disc intends (exit status 0)")
    else:
        report.line("result: %s (exit status %d)" % (report.verdict, report.status))
    return report.status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
