#!/usr/bin/env python3
"""bxdisc try --whole without Wine: the wizard's rules for a setup program's
dialogs, the family followed to its end, and the four phases with each
failure's line, against a session that answers as the UI driver does.

    python3 tests/kit/test_try_whole.py
"""
from __future__ import annotations

import io
import os
import tempfile
import json
import shutil
import unittest
from unittest import mock
from collections.abc import Callable, Iterable, Sequence
from pathlib import Path
from typing import Any

from bxdisc_try import family, launcher_run, matrix, outer_run, wizard
from bxdisc_try import request as requests
from bxdisc_try.frames import Frames
from bxdisc_try.report import Report
from bxdisc_try.run_result import Frame, RunResult
from bxdisc_try.whole import WholeRun, log_tail, subkeys
from testlib import FakeRunnerBase, FakeScreen, changed, request_of
from winerunner import Outcome
from winerunner.driver import one_line

Record = dict[str, Any]
INSTALL, CANCEL, DEFPUSH, PUSH = 1, 2, 0x50010001, 0x50010000


def button(id: int, text: str, style: int = PUSH, enabled: bool = True) -> Record:
    return {"id": id, "class": "Button", "text": text, "visible": True, "enabled": enabled, "style": style}


def static(text: str) -> Record:
    return {"id": 0xFFFF, "class": "Static", "text": text, "visible": True, "enabled": True, "style": 0}


def edit(text: str = "", style: int = 0) -> Record:
    return {"id": 7, "class": "Edit", "text": text, "visible": True, "enabled": True, "style": style}


def window(hwnd: int, title: str, image: str, box: bool = False, **more: Any) -> Record:
    return {"step": "follow-family", "ok": True, "ended": False, "moved": True, "hwnd": hwnd, "pid": hwnd,
            "image": image, "class": "#32770", "title": title, "rect": [10, 20, 410, 320], "client": [394, 274],
            "origin": [13, 42], "box": box, "exits": [], "running": [], **more}


def ended(*exits: tuple[str, int | None]) -> Record:
    return {"step": "follow-family", "ok": True, "ended": True, "moved": True,
            "exits": [{"pid": 0, "image": image, "code": code} for image, code in exits], "running": []}


def stuck(*windows: Record, running: Sequence[str] = ()) -> Record:
    return {"step": "follow-family", "ok": True, "ended": False, "moved": False, "windows": list(windows),
            "exits": [], "running": [{"pid": 0, "image": i} for i in running]}


def children(default: int, *kids: Record) -> Record:
    return {"step": "children", "ok": True, "default": default, "children": list(kids)}


FRONT = window(1, "Brindle Demo", "setup.exe")
LAUNCHER_INSTALL = children(0, button(102, "btn"), button(103, "btn"))
LAUNCHER_RUN = children(0, button(100, "btn"), button(101, "btn"), button(103, "btn"))
WELCOME = window(2, "Brindle Demo Setup", "DemoSetup.exe")
WELCOME_KIDS = children(INSTALL, static("Welcome to Brindle Demo."), button(INSTALL, "&Install", DEFPUSH),
                        button(CANCEL, "Cancel"))
PROGRESS = window(3, "Brindle Demo", "DemoSetup.exe")
PROGRESS_KIDS = children(0, static("Copying new files"), button(CANCEL, "Cancel"))
FOLDER = window(4, "Brindle Demo Setup", "DemoSetup.exe")
FOLDER_KIDS = children(INSTALL, static("Choose a folder"), button(INSTALL, "&Next", DEFPUSH), button(CANCEL, "Cancel"))
FINISH = window(5, "Brindle Demo Setup", "DemoSetup.exe")
FINISH_KIDS = children(INSTALL, static("Brindle Demo is installed."), button(INSTALL, "Finish", DEFPUSH))
PRODUCT = window(6, "Brindle Demo - 1.0", "BrindleDemo.exe")


class Driver:
    """A session that answers as the driver does: follow-family and
    children from their queues, find-title and wait-exit as given, the
    other steps done. Records the steps sent; effect runs as it closes."""

    def __init__(self, moves: Iterable[Record] = (), kids: Iterable[Record] = (),
                 effect: Callable[[], None] | None = None, **answers: Record) -> None:
        self.moves, self.kids, self.effect, self.answers = list(moves), list(kids), effect, answers
        self.sent: list[str] = []

    def step(self, line: str, wait: float = 5.0) -> list[Record]:
        self.sent.append(one_line(line))  # as the real session refuses
        name = line.split()[0]
        if name == "follow-family":
            return [self.moves.pop(0)] if self.moves else [{"step": "follow-family", "ok": False}]
        if name == "children":
            return [self.kids.pop(0)]
        if name in ("cmd", "dir", "echo"):
            return []
        return [self.answers.get(name.replace("-", "_"), {"step": name, "ok": True})]

    def close(self) -> None:
        if self.effect:
            self.effect()
            self.effect = None


Screen = FakeScreen


class WizardTest(unittest.TestCase):
    def test_each_dialog_gets_its_move(self) -> None:
        box = {"box": True}
        rows: list[tuple[str, Record, list[Record], int, str | None, wizard.Move]] = [
            # what, the window, its children, the default button's id, --answer, the move
            ("the default button", {}, WELCOME_KIDS["children"], INSTALL, None, wizard.Move("press", INSTALL, "Install")),
            ("only Cancel: progress", {}, PROGRESS_KIDS["children"], 0, None, wizard.Move("wait")),
            ("no button at all", {}, [static("Please wait")], 0, None, wizard.Move("wait")),
            ("a check box is no button to press", {}, [button(9, "Launch", 0x50010003), button(CANCEL, "Cancel")],
             0, None, wizard.Move("wait")),
            ("a disabled default", {}, [button(INSTALL, "&Next", DEFPUSH, enabled=False), button(CANCEL, "Cancel")],
             INSTALL, None, wizard.Move("fail", reason="it asks for something try cannot give: its Next button "
                                                       "is disabled")),
            ("an empty field", {}, [edit(), button(INSTALL, "OK", DEFPUSH)], INSTALL, None,
             wizard.Move("fail", reason="it asks for something try cannot give: a field left empty")),
            ("a filled or read-only field", {}, [edit("C:\\Brindle"), edit(style=wizard.ES_READONLY),
                                                 button(INSTALL, "OK", DEFPUSH)], INSTALL, None,
             wizard.Move("press", INSTALL, "OK")),
            ("Cancel the default", {}, [button(INSTALL, "Retry"), button(CANCEL, "Cancel", DEFPUSH)], CANCEL, None,
             wizard.Move("fail", reason="its default button is Cancel")),
            ("no default", {}, [button(8, "Back"), button(9, "Next")], 0, None,
             wizard.Move("fail", reason="it has no default button to press")),
            ("yes and no buttons, --answer no", {}, [button(6, "&Yes", DEFPUSH), button(7, "&No")], 6, "no",
             wizard.Move("press", 7, "No")),
            ("a question box", {**box, "buttons": [6, 7]}, [], 0, None, wizard.Move("answer", 6, "Yes")),
            ("a question box, --answer no", {**box, "buttons": [6, 7]}, [], 0, "no", wizard.Move("answer", 7, "No")),
            ("an error box", {**box, "buttons": [1]}, [], 0, "no", wizard.Move("answer", 1, "OK")),
            ("a box of Retry and Cancel", {**box, "buttons": [4, 2]}, [], 0, None, wizard.Move("answer", 4, "Retry")),
            ("a box of Cancel alone", {**box, "buttons": [2]}, [], 0, None, wizard.Move("wait")),
        ]
        for what, shown, kids, default, answer, move in rows:
            with self.subTest(what):
                self.assertEqual(move, wizard.decide(shown, kids, default, answer))

    def test_the_setup_program_s_exit_code(self) -> None:
        rows = [(0, None), (3010, None), (1641, None), (1602, "ended with exit code 1602"),
                (0xC0000005, "crashed (exception 0xC0000005)"), (-1073741819, "crashed (exception 0xC0000005)")]
        for code, problem in rows:
            with self.subTest(code=code):
                self.assertEqual(problem, family.exit_problem(code))
        self.assertEqual(["0", "1603", "0xC0000135", "unknown"], [family.code_text(c) for c in (0, 1603, -1073741515,
                                                                                                 None)])


def followed(moves: list[Record], kids: list[Record], pictures: bool = True,
             **options: Any) -> tuple[Driver, Report, list[str], family.FamilyFollower]:
    tmp = tempfile.TemporaryDirectory()
    session, out = Driver(moves, kids), io.StringIO()
    report = Report(out)
    report.phase = "install"
    request = changed(request_of(click="install", **options), setup_exe="DemoSetup.exe")
    follower = family.FamilyFollower(Screen(), request, report, Frames(Screen(), Path(tmp.name), pictures, report),
                                     "install")
    follower.start(session, "D:\\setup.exe /autorun")
    follower.follow(session)
    tmp.cleanup()
    return session, report, out.getvalue().splitlines(), follower


class FamilyTest(unittest.TestCase):
    def test_a_wizard_is_driven_to_its_end(self) -> None:
        session, report, lines, follower = followed(
            [FRONT, WELCOME, PROGRESS, FINISH, ended(("setup.exe", 0), ("DemoSetup.exe", 0))],
            [LAUNCHER_INSTALL, WELCOME_KIDS, PROGRESS_KIDS, FINISH_KIDS])
        self.assertEqual(["follow-family", "children", "press 102", "follow-family", "children", "click 1",
                          "follow-family", "children", "follow-family", "children", "click 1", "follow-family"],
                         [s if s.split()[0] not in ("follow-family",) else "follow-family" for s in session.sent[3:]])
        self.assertEqual((0, 0), (report.status, follower.code_of("demosetup.exe")))
        self.assertEqual(["DemoSetup.exe, exit code 0"], report.programs)
        for line in ('dialog DemoSetup.exe: "Brindle Demo Setup" ("Welcome to Brindle Demo.") [Install*, Cancel]',
                     "  pressed Install", "  waited for it to go (no button but Cancel)", "  pressed Finish",
                     "ended: DemoSetup.exe, exit code 0"):
            self.assertIn(line, lines)
        self.assertEqual([("the front window", "install"), ("Brindle Demo Setup", "install"),
                          ("Brindle Demo", "install"), ("Brindle Demo Setup", "install")],
                         [(f.caption, f.phase) for f in report.frames])

    def test_what_stops_a_setup_is_named_and_its_family_ended(self) -> None:
        looping = [WELCOME] * (wizard.MAX_STEPS + 1)
        rows: list[tuple[str, list[Record], list[Record], str, list[str]]] = [
            ("stays after its button", [FRONT, WELCOME, FOLDER, stuck(FOLDER)],
             [LAUNCHER_INSTALL, WELCOME_KIDS, FOLDER_KIDS],
             'Install: the dialog "Brindle Demo Setup" ("Choose a folder") stayed after Next was pressed',
             ['the dialog "Brindle Demo Setup" ("Choose a folder") stayed after Next was pressed for 30 s; '
              "ended by try"]),
            ("progress that never ends", [FRONT, PROGRESS, stuck(PROGRESS)], [LAUNCHER_INSTALL, PROGRESS_KIDS],
             'Install: the dialog "Brindle Demo" ("Copying new files") stayed open', []),
            ("hangs with no window", [FRONT, stuck(running=["DemoSetup.exe"])], [LAUNCHER_INSTALL],
             "Install: the setup hung with no window (DemoSetup.exe)",
             ["no window and no end within 30 s (still running: DemoSetup.exe); ended by try"]),
            ("asks for a serial number", [FRONT, FOLDER], [LAUNCHER_INSTALL, children(
                INSTALL, static("Serial number:"), edit(), button(INSTALL, "Next", DEFPUSH))],
             'Install: the dialog "Brindle Demo Setup" ("Serial number:"): it asks for something try cannot '
             "give: a field left empty", ["  not answered: it asks for something try cannot give: a field left empty"]),
            ("does not respond", [FRONT, WELCOME], [LAUNCHER_INSTALL, {"step": "children", "ok": False,
                                                                     "error": "not responding"}],
             'Install: the dialog "Brindle Demo Setup" cannot be read (not responding)', []),
            ("goes round", [FRONT] + looping, [LAUNCHER_INSTALL] + [WELCOME_KIDS] * len(looping),
             "Install: the setup did not end within 30 dialogs and 600 s", []),
        ]
        for what, moves, kids, verdict, said in rows:
            with self.subTest(what):
                session, report, lines, _ = followed(moves, kids, pictures=False)
                self.assertEqual((1, verdict), (report.status, report.verdict))
                self.assertEqual("kill-family", session.sent[-1])
                for line in said:
                    self.assertIn(line, lines)

    def test_a_stuck_dialog_is_pictured(self) -> None:
        _, report, _, _ = followed([FRONT, WELCOME, FOLDER, stuck(FOLDER)],
                                   [LAUNCHER_INSTALL, WELCOME_KIDS, FOLDER_KIDS])
        self.assertEqual(["the front window", "Brindle Demo Setup", "Brindle Demo Setup", "Brindle Demo Setup"],
                         [f.caption for f in report.frames])


UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
PRODUCT_CODE = "{8A7E1F3C-0000-4000-8000-0000BD0DE300}"
PRODUCT_FILE = "Program Files/Brindle Demo/BrindleDemo.exe"


class FakeRunner(FakeRunnerBase):
    """The Wine runner for the phases: each session is the next Driver,
    the uninstall entries a set that the sessions' effects change."""

    def __init__(self, root: str, sessions: list[Driver]) -> None:
        super().__init__(os.path.join(root, "prefix"))
        self.sessions = sessions
        self.entries: dict[str, str] = {}

    def install(self) -> None:
        path = Path(self.prefix, "drive_c", PRODUCT_FILE)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(b"MZ")
        Path(self.prefix, "drive_c", "windows", "temp").mkdir(exist_ok=True)
        Path(self.prefix, "drive_c", "windows", "temp", "churn.tmp").write_bytes(b"")
        self.entries[PRODUCT_CODE] = "MsiExec.exe /X" + PRODUCT_CODE

    def uninstall(self) -> None:
        Path(self.prefix, "drive_c", PRODUCT_FILE).unlink()
        del self.entries[PRODUCT_CODE]

    def wine(self, *args: str, check: bool = True) -> Outcome:
        key = args[2]
        if key.endswith("Uninstall"):
            text = "".join("%s\\%s\r\n" % (UNINSTALL_KEY, name) for name in self.entries)
        else:
            name = key.rsplit("\\", 1)[1]
            text = "    UninstallString    REG_SZ    %s\r\n" % self.entries[name] if name in self.entries else ""
        # reg's status, as Wine's: 1 for a key that is not there, which a prefix may lack.
        done = Outcome(("wine", *args), 0 if text else 1, stdout=text.encode())
        return done.checked(status=check)

    def session(self, timeout: float, kill: Iterable[str] = ()) -> Driver:
        return self.sessions.pop(0)


def installing(runner_effect: Callable[[], None]) -> Driver:
    return Driver([FRONT, WELCOME, PROGRESS, FINISH, ended(("setup.exe", 0), ("DemoSetup.exe", 0),
                                                          ("Unopened.exe", None))],
                  [LAUNCHER_INSTALL, WELCOME_KIDS, PROGRESS_KIDS, FINISH_KIDS], runner_effect)


def running_product() -> Driver:
    return Driver([window(1, "Brindle Demo", "setup.exe"), PRODUCT], [LAUNCHER_RUN])


def started_again() -> Driver:
    return Driver([ended(("setup.exe", 0))],
                  find_title={"step": "find-title", "ok": True, "title": "Brindle Demo - 1.0", "zvisible": 0})


def msiexec(code: int, effect: Callable[[], None] | None = None) -> Driver:
    return Driver(effect=effect, wait_exit={"step": "wait-exit", "ok": True, "code": code})


def offering_install() -> Driver:
    return Driver([FRONT, ended(("setup.exe", 0))], [LAUNCHER_INSTALL])


class WholeTest(unittest.TestCase):
    def whole(self, sessions: Callable[[FakeRunner], list[Driver]], **disc: Any) -> tuple[Report, list[str],
                                                                                          FakeRunner]:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        view = os.path.join(tmp.name, "disc")
        os.makedirs(view)
        runner = FakeRunner(tmp.name, [])
        runner.sessions = sessions(runner)
        out = io.StringIO()
        report = Report(out)
        fields = {"setup_exe": "DemoSetup.exe", "package": "BrindleDemo.msi", "look_for_title": "Brindle Demo -",
                  **disc}
        request = changed(request_of(system="win98", whole=True), **fields)
        WholeRun(runner, request, view, report).run()
        return report, out.getvalue().splitlines(), runner

    def test_the_whole_life_passes_its_four_phases(self) -> None:
        report, lines, runner = self.whole(lambda r: [installing(r.install), running_product(), started_again(),
                                                      msiexec(0, r.uninstall), offering_install()])
        self.assertEqual((0, None, "uninstall", "Install"), (report.status, report.verdict, report.phase,
                                                             report.clicked))
        self.assertIn(("HKCU\\Software\\Wine", "Version", "win98"), runner.registry)
        for line in ("-- Install: the automatic start, Install clicked, the setup program",
                     "the product's window: \"Brindle Demo - 1.0\" (BrindleDemo.exe)",
                     "the product's window \"Brindle Demo - 1.0\" brought forward; the launcher showed no window "
                     "of its own",
                     "uninstall entry %s: MsiExec.exe /X%s" % (PRODUCT_CODE, PRODUCT_CODE),
                     "msiexec /x %s /qn /l*v C:\\bxdisc-msiexec.log: done" % PRODUCT_CODE,
                     "the whole life: installed, started, started again and uninstalled"):
            self.assertIn(line, lines)
        self.assertNotIn("stood in by a recorder: D:\\DemoSetup.exe", lines)

    def test_each_phase_s_failure_is_named(self) -> None:
        def leaves_file(r: FakeRunner) -> Callable[[], None]:
            return lambda: r.entries.clear()

        def never_installs(r: FakeRunner) -> None:
            r.entries[PRODUCT_CODE] = "MsiExec.exe /X" + PRODUCT_CODE
        rows: list[tuple[str, Callable[[FakeRunner], list[Driver]], dict[str, Any], str]] = [
            ("the package refuses the system", lambda r: [
                Driver([FRONT, WELCOME, window(7, "Brindle Demo", "DemoSetup.exe", box=True, buttons=[1],
                                               text="Brindle Demo needs Windows 2000 or later."),
                        window(8, "Brindle Demo Setup", "DemoSetup.exe", box=True, buttons=[1],
                               text="Brindle Demo was not installed.\n\nThe installer ended with error 1603."),
                        ended(("DemoSetup.exe", 1603))], [LAUNCHER_INSTALL, WELCOME_KIDS]),
                msiexec(1603)], {},
             'Install: the setup program DemoSetup.exe ended with exit code 1603 after the messages "Brindle Demo '
             'needs Windows 2000 or later.", "Brindle Demo was not installed.\\n\\nThe installer ended with '
             'error 1603."; msiexec /i D:\\BrindleDemo.msi: exit code 1603'),
            ("the setup crashes after one message", lambda r: [
                Driver([FRONT, window(7, "Oops", "DemoSetup.exe", box=True, buttons=[1], text="Disk full"),
                        ended(("DemoSetup.exe", 0xC0000005))], [LAUNCHER_INSTALL]), msiexec(0)], {},
             'Install: the setup program DemoSetup.exe crashed (exception 0xC0000005) after the message "Disk full"'),
            ("its code unknown, the product not installed", lambda r: [
                installing(lambda: never_installs(r)), Driver([FRONT, ended(("setup.exe", 0))], [LAUNCHER_INSTALL]),
                msiexec(1603)], {"setup_exe": "Setup/Unopened.exe"},
             "Installed: the launcher does not offer Run and Setup again after the install (it offers Install, Exit)"),
            ("the setup never runs", lambda r: [Driver([FRONT, ended(("setup.exe", 0))], [LAUNCHER_INSTALL])], {},
             "Install: the setup program D:\\DemoSetup.exe never ran"),
            ("no Run after the install", lambda r: [installing(lambda: never_installs(r)), offering_install(),
                                                    msiexec(1603)], {},
             "Installed: the launcher does not offer Run and Setup again after the install (it offers Install, "
             "Exit)"),
            ("the product shows no window", lambda r: [
                installing(r.install), Driver([FRONT, stuck(running=["BrindleDemo.exe"])], [LAUNCHER_RUN])], {},
             "Installed: the installed program showed no window"),
            ("the front window while it runs", lambda r: [
                installing(r.install), running_product(), Driver([FRONT, ended(("setup.exe", 0))], [LAUNCHER_RUN])],
             {}, "Started again: the launcher showed its front window while the product runs"),
            ("its window left behind", lambda r: [
                installing(r.install), running_product(),
                Driver([ended(("setup.exe", 0))], find_title={"step": "find-title", "ok": True, "zvisible": 2})], {},
             "Started again: the launcher did not bring the product's window \"Brindle Demo - 1.0\" forward"),
            ("the package does not uninstall", lambda r: [installing(r.install), running_product(), started_again(),
                                                          msiexec(1605)], {},
             "Uninstalled: the package did not uninstall: msiexec /x %s: exit code 1605" % PRODUCT_CODE),
            ("its entry stays", lambda r: [installing(r.install), running_product(), started_again(), msiexec(0)],
             {}, "Uninstalled: its uninstall entry is still there: %s" % PRODUCT_CODE),
            ("files left", lambda r: [installing(r.install), running_product(), started_again(),
                                      msiexec(0, leaves_file(r))], {},
             "Uninstalled: the uninstall left 1 file it installed: C:\\Program Files\\Brindle Demo\\BrindleDemo.exe"),
            ("no uninstall entry", lambda r: [installing(lambda: None)], {"package": None},
             "Uninstalled: the install added no uninstall entry: nothing removes the product"),
            ("Run still offered", lambda r: [installing(r.install), running_product(), started_again(),
                                             msiexec(0, r.uninstall),
                                             Driver([FRONT, ended()], [children(0, button(100, "b"), button(102, "b"))])],
             {}, "Uninstalled: a new automatic start does not offer Install again (it offers Run, Install)"),
        ]
        for what, sessions, disc, verdict in rows:
            with self.subTest(what):
                report, lines, runner = self.whole(sessions, **disc)
                self.assertEqual((1, verdict), (report.status, report.verdict), "\n".join(lines))
                self.assertEqual([], runner.sessions, "every phase before the failure, none after")

    def test_an_uninstall_of_its_own_is_driven_like_a_setup(self) -> None:
        def install(r: FakeRunner) -> Callable[[], None]:
            def done() -> None:
                r.install()
                r.entries["Brindle"] = '"C:\\Program Files\\Brindle Demo\\uninst.exe" /remove'
                del r.entries[PRODUCT_CODE]
            return done

        def remove(r: FakeRunner) -> Callable[[], None]:
            def done() -> None:
                Path(r.prefix, "drive_c", PRODUCT_FILE).unlink()
                r.entries.clear()
            return done
        uninstaller = window(8, "Brindle Demo Uninstall", "uninst.exe")
        report, lines, runner = self.whole(lambda r: [
            installing(install(r)), running_product(), started_again(),
            Driver([uninstaller, ended(("uninst.exe", 0))],
                   [children(INSTALL, static("Remove Brindle Demo?"), button(INSTALL, "Remove", DEFPUSH))], remove(r)),
            offering_install()])
        self.assertEqual((0, "uninstall"), (report.status, report.phase), "\n".join(lines))
        self.assertIn('started: "C:\\Program Files\\Brindle Demo\\uninst.exe" /remove in D:\\', lines)
        self.assertIn("  pressed Remove", lines)

    def test_a_product_title_with_a_line_break_is_not_looked_for(self) -> None:
        product = window(6, "Brindle Demo - 1.0\r\nbeta", "BrindleDemo.exe")
        report, lines, _ = self.whole(lambda r: [
            installing(r.install), Driver([window(1, "Brindle Demo", "setup.exe"), product], [LAUNCHER_RUN]),
            Driver([ended(("setup.exe", 0))]), msiexec(0, r.uninstall), offering_install()])
        self.assertEqual((0, "uninstall"), (report.status, report.phase), "\n".join(lines))
        self.assertIn("the product's window title holds a line break: try cannot tell whether it came forward",
                      lines)

    def test_without_a_package_run_is_never_offered(self) -> None:
        report, lines, _ = self.whole(lambda r: [installing(r.install), msiexec(0, r.uninstall), offering_install()],
                                      package=None)
        self.assertEqual((0, "uninstall"), (report.status, report.phase))
        self.assertIn("no package (SetupMSI): the launcher never offers Run; Installed and Started again skipped",
                      lines)


class PartsTest(unittest.TestCase):
    def test_the_uninstall_keys_and_the_log_s_end(self) -> None:
        query = ("\r\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\r\n"
                 "    Ignored    REG_SZ    x\r\n\r\n"
                 "%s\\{A}\r\n%s\\Wine Gecko \r\n" % (UNINSTALL_KEY, UNINSTALL_KEY))
        self.assertEqual({"{A}", "Wine Gecko"}, subkeys(query))
        log = "\r\n".join("line %d" % n for n in range(10)) + "\r\n\r\n"
        for data in (log.encode("cp1252"), b"\xff\xfe" + log.encode("utf-16-le")):
            self.assertEqual(["line %d" % n for n in range(4, 10)], log_tail(data))


class Blind(FakeScreen):
    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None:
        raise OSError("import: unable to grab")


class PicturesTest(unittest.TestCase):
    def test_a_picture_that_cannot_be_taken_is_said_and_not_listed(self) -> None:
        for screen, listed, said in ((FakeScreen(), 1, "  picture 1"),
                                     (Blind(), 0, "  picture: could not be taken")):
            for how in ("window", "front window"):
                with self.subTest(screen=type(screen).__name__, how=how), tempfile.TemporaryDirectory() as tmp:
                    out = io.StringIO()
                    report = Report(out)
                    request = request_of(screenshot=os.path.join(tmp, "front.png"))
                    frames = Frames(screen, Path(tmp), True, report)
                    if how == "window":
                        frames.window(FRONT, "a dialog", "install")
                    else:
                        follower = family.FamilyFollower(screen, request, report, frames, "install")
                        follower.screenshot(FRONT)
                        follower.seen(FRONT, ("Install", "Exit"))
                    self.assertEqual(listed, len(report.frames))
                    self.assertEqual(listed, len([f for f in report.frames if Path(tmp, f.file).is_file()]))
                    self.assertIn(said, out.getvalue().splitlines())
                    if how == "front window":
                        self.assertEqual(listed == 1, report.screenshot is not None)
                        shot = request.plan.screenshot if listed else "could not be taken"
                        self.assertIn("  screenshot: %s" % shot, out.getvalue().splitlines())


class RequestTest(unittest.TestCase):
    def test_the_product_s_title_goes_with_the_request(self) -> None:
        for given, kept in (("Brindle Demo -", "Brindle Demo -"), ("", None), (None, None)):
            with self.subTest(given=given):
                document = json.loads(requests.dump(request_of(whole=True)))
                document["look_for_title"] = given
                loaded = requests.load(json.dumps(document))
                self.assertEqual((kept, True), (loaded.disc.look_for_title, loaded.options.whole))
                self.assertEqual(loaded, requests.load(requests.dump(loaded)))
        document["look_for_title"] = 5
        with self.assertRaises(requests.RequestError):
            requests.load(json.dumps(document))

    def test_whole_runs_the_whole_life_not_the_launcher_alone(self) -> None:
        for whole, ran in ((True, "WholeRun"), (False, "LauncherRun")):
            with self.subTest(whole=whole), mock.patch.object(launcher_run.winerunner, "WineRunner"), \
                    mock.patch("bxdisc_try.whole.WholeRun") as whole_run, \
                    mock.patch.object(launcher_run, "LauncherRun") as launcher:
                launcher_run.run_launcher(request_of(whole=whole), "/w", lambda line: None, Report(io.StringIO()))
                self.assertEqual(ran, "WholeRun" if whole_run.return_value.run.called else
                                 "LauncherRun" if launcher.return_value.run.called else "none")


class FramesOutTest(unittest.TestCase):
    """The frames a run inside left in its work folder, as the run outside hands them on."""

    def test_frames_go_beside_the_screenshot_or_the_matrix_s_result(self) -> None:
        tmp = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, tmp)
        (tmp / "disc").mkdir()
        (tmp / "disc" / "setup.exe").write_bytes(b"MZ")

        def inside(work: str, say: Any, out: Any = None) -> int:
            frames = [Frame("frame-01.png", "the front window", "install"),
                      Frame("elsewhere/frame-02.png", "x", "install")]
            for name in ("frame-01.png", "frame-02.png", "screenshot.png", "other.png"):
                Path(work, name).write_bytes(b"\x89PNG")
            Path(work, "result.json").write_text(json.dumps(
                RunResult("win10", 0, "v", 1.0, frames=tuple(frames)).to_json()))
            return 0
        request = changed(request_of(whole=True, no_sandbox=True, screenshot=str(tmp / "shot.png")),
                          folder=str(tmp / "disc"))
        with mock.patch("bxdisc_try.inner_run.run_inside", inside):
            self.assertEqual(0, outer_run.run_disc(request, lambda line: None, None))
            self.assertEqual(["disc", "shot-01.png", "shot-02.png", "shot.png"], sorted(os.listdir(tmp)))
            m = matrix.Matrix(changed(request, screenshot=None, matrix=(), html=str(tmp / "page")), lambda line: None)
            self.addCleanup(shutil.rmtree, m.keep, True)
            with mock.patch.object(matrix.outer_run, "check_platform"):
                result = m.run_one("win10", None)
        # Only a frame of the work folder, by its own name, comes out.
        self.assertEqual([os.path.join(m.keep, "win10", "frame-01.png")], [f.file for f in result.frames])


if __name__ == "__main__":
    unittest.main(verbosity=1)
