#!/usr/bin/env python3
"""try's parts below Wine: the request bxdisc hands over, the follow loop
against the driver's recorded transcripts, the restart's renames, and the
matrix's choices, verdict and interruption.

    python3 tests/kit/test_try_parts.py
"""
from __future__ import annotations

import contextlib
import io
import json
import os
import shutil
import sys
import tempfile
import threading
import unittest
from collections.abc import Iterable
from pathlib import Path
from typing import Any
from unittest import mock

sys.dont_write_bytecode = True
from bxdisc_try import backdrop, follow, inner_run, launcher_run, matrix, outcome, restart, results_folder  # noqa: E402
from bxdisc_try import request as requests  # noqa: E402
from bxdisc_try import schema  # noqa: E402
from bxdisc_try.report import Report  # noqa: E402
from bxdisc_try.run_result import RunResult  # noqa: E402
from testlib import LAUNCHER_IDS as IDS, FakeRunnerBase, FakeScreen, changed, request_of  # noqa: E402
from winerunner import REG, Outcome  # noqa: E402

TRANSCRIPTS = Path(__file__).resolve().parent / "transcripts"
class RequestTest(unittest.TestCase):
    def test_bxdisc_request_loads_and_a_stray_one_is_refused(self) -> None:
        r = request_of(system="win98", show=True, timeout=9, matrix=["win98", "win95"], jobs=3, shard="2/3")
        self.assertEqual(("win98", True, False, 9, ("win98", "win95"), 3, (2, 3)),
                         (r.options.system, r.options.show, r.options.installed, r.options.timeout, r.options.matrix,
                          r.options.jobs, r.options.shard))
        self.assertEqual(r, requests.load(requests.dump(r)))
        plain = request_of()
        self.assertEqual(("win10", None, None, False),
                         (plain.options.system, plain.options.tail, plain.options.matrix, plain.options.no_sandbox))
        refused: list[dict[str, Any]] = [{"no_sandox": True}, {"timeout": "9"}, {"timeout": True}, {"system": "win12"},
                   {"matrix": ["win98", "dos"]}, {"click": "close"}, {"shard": "0/3"}, {"shard": "4/3"},
                   {"shard": "1/11"}, {"shard": "3"}, {"shard": "1/\u0663"}]
        for options in refused:
            with self.subTest(options=options), self.assertRaises(requests.RequestError):
                request_of(**options)
        for text in ("", "[]", '{"format": 2}', json.dumps({"format": 1, "disc": "/d", "launcher": "s",
                                                             "buttons": {"run": 1}})):
            with self.subTest(text=text), self.assertRaises(requests.RequestError):
                requests.load(text)

    def test_a_name_in_any_bytes_comes_back_as_those_bytes(self) -> None:
        document = {"format": 1, "disc": "/d/caf\udce9", "launcher": "setup.exe", "buttons": IDS,
                    "backdrop": {"width": 4, "height": 2, "samples": [[3, 1, 0x102030]]}}
        r = requests.load(json.dumps(document))
        self.assertEqual(b"/d/caf\xe9", os.fsencode(r.disc.folder))
        self.assertEqual(((3, 1, (0x10, 0x20, 0x30)),), r.disc.backdrop.samples if r.disc.backdrop else None)
        document["backdrop"] = {"width": 4, "height": 2, "samples": [[4, 1, 0]]}
        with self.assertRaises(requests.RequestError):
            requests.load(json.dumps(document))


class SchemaTest(unittest.TestCase):
    def test_a_table_the_two_sides_would_read_apart_is_refused(self) -> None:
        tables = {name: json.loads(Path(schema.__file__).with_name(name).read_text())
                  for name in ("schema.json", "exit_statuses.json")}
        rows: list[tuple[str, str, Any]] = [
            ("schema.json", "a default that is no system", lambda d: d["systems"].update(default="win31")),
            ("schema.json", "a newer system that is none", lambda d: d["systems"].update(newer=["win12"])),
            ("schema.json", "a system twice", lambda d: d["systems"]["names"].append("win95")),
            ("schema.json", "choices that are a word", lambda d: d["choices"].update(answer="yes")),
            ("schema.json", "no choices", lambda d: d["choices"].update(answer=[])),
            ("schema.json", "a button twice", lambda d: d["buttons"].append(d["buttons"][0])),
            ("schema.json", "a default out of its range", lambda d: d["numbers"]["dpi"].update(default=95)),
            ("schema.json", "an empty range", lambda d: d["numbers"]["jobs"].update(least=2, most=1)),
            ("schema.json", "a bound that is no number", lambda d: d["numbers"]["timeout"].update(most="3600")),
            ("exit_statuses.json", "a number twice", lambda d: d["statuses"][1].update(status=0)),
            ("exit_statuses.json", "a name twice", lambda d: d["statuses"][1].update(name="clean")),
            ("exit_statuses.json", "a name no enum takes", lambda d: d["statuses"][1].update(name="Find ings"))]
        for name, fault, spoil in rows:
            with self.subTest(fault=fault), self.assertRaises(schema.SchemaError):
                document = json.loads(json.dumps(tables[name]))
                spoil(document)
                parse = schema.parse_schema if name == "schema.json" else schema.parse_exit_statuses
                parse(json.dumps(document))

    def test_every_version_of_the_automation_library_has_its_stand_in(self) -> None:
        self.assertEqual(sorted(schema.SCHEMA.choices["oleaut32"]), sorted(launcher_run.OLEAUT32))


class Transcript:
    """A session that answers each step with what the driver recorded for
    it in a real run: the records between one of the session's syncs and
    the next. With cut, the driver answers nothing after that many steps."""

    def __init__(self, name: str, cut: int | None = None) -> None:
        self.answers: list[list[dict[str, Any]]] = [[]]
        with open(TRANSCRIPTS / name, encoding="ascii") as f:
            for record in map(json.loads, f):
                if record["step"] == "echo":
                    self.answers.append([])
                else:
                    self.answers[-1].append(record)
        self.answers = self.answers[:cut]
        self.sent: list[str] = []

    def step(self, line: str, wait: float = 5.0) -> list[dict[str, Any]]:
        self.sent.append(line)
        return self.answers.pop(0) if self.answers else []

    def close(self) -> None:
        pass


Screen = FakeScreen


def followed(transcript: str, cut: int | None = None, **options: Any) -> tuple[Transcript, Report, list[str]]:
    session, out = Transcript(transcript, cut), io.StringIO()
    report = Report(out)
    follower = follow.Follower(Screen(), request_of(**options), report)
    follower.start(session, "D:\\setup.exe /autorun")
    follower.follow(session)
    return session, report, out.getvalue().splitlines()


BOX = ('message box "Setup": "Installation is in progress...\\nIt is now necessary to reboot the computer.'
       '\\nReboot now?" [Yes, No]')
FRONT = 'front window "Brindle Demo", 540 x 340: buttons Install, Exit'


class FollowTest(unittest.TestCase):
    def test_recorded_runs_are_followed_and_reported(self) -> None:
        with tempfile.TemporaryDirectory() as tmp:
            shot = os.path.join(tmp, "shot.png")
            rows: list[tuple[str, int | None, dict[str, Any], list[str], list[str], int]] = [
                # transcript, records cut after, options, steps after the start, lines that show, status
                ("win98-install-restart.jsonl", None, {"click": "install", "screenshot": shot},
                 ["follow 30000", "children", "press 102", "follow 30000", "answer 6", "follow 30000"],
                 [FRONT, "  screenshot: " + shot, "  clicked Install", BOX, "  answered Yes",
                  "the launcher ended, exit code 0"], 0),
                ("win98-install-restart.jsonl", None, {"click": "install", "answer": "no"},
                 ["follow 30000", "children", "press 102", "follow 30000", "answer 7", "follow 30000"],
                 [BOX, "  answered No"], 0),
                ("win98-rerun.jsonl", None, {"click": "install"}, ["follow 30000"],
                 ["the launcher ended, exit code 0"], 0),
                ("win7-front-window-closed.jsonl", None, {},
                 ["follow 30000", "children", "close", "follow 30000"], [FRONT, "  closed by try (no --click)"], 0),
                ("win7-front-window-closed.jsonl", None, {"click": "run"},
                 ["follow 30000", "children", "close", "follow 30000"],
                 ["  no Run button to click; closed by try"], 1),
                ("win7-front-window-closed.jsonl", None, {"show": True},
                 ["follow 30000", "children", "wait-gone 600000", "follow 30000"],
                 ["  waiting for you at the window (at most 600 s)"], 0),
                ("win7-front-window-closed.jsonl", 3, {"timeout": 7}, ["follow 7000"],
                 ["the launcher hangs: no window and no end within 7 s (stretched 1.0 times); ended by try"], 1),
            ]
            for name, cut, options, steps, lines, status in rows:
                with self.subTest(transcript=name, options=options):
                    session, report, said = followed(name, cut, **options)
                    self.assertEqual(["cmd D:\\setup.exe /autorun", "dir D:\\", "start"] + steps, session.sent)
                    for line in lines:
                        self.assertIn(line, said)
                    self.assertEqual(status, report.status)
            # The client area: the front window's size, where the driver saw it.
            self.assertEqual("245 236 540 340", Path(shot).read_text())

    def test_the_launcher_gets_its_timeout_or_thirty_seconds(self) -> None:
        for timeout, line in ((None, "follow 30000"), (5, "follow 5000")):
            asked: list[str] = []

            def step(text: str, wait: float = 5.0) -> list[dict[str, Any]]:
                asked.append(text)
                return [{"step": "follow", "ok": True, "ended": True, "code": 0}]
            follower = follow.Follower(Screen(), request_of(**({"timeout": timeout} if timeout else {})),
                                       Report(io.StringIO()))
            self.assertTrue(follower.follow(mock.Mock(step=step)))
            self.assertEqual([line], asked)

    def test_a_command_line_too_long_for_the_driver_says_so(self) -> None:
        def step(text: str, wait: float = 5.0) -> list[dict[str, Any]]:
            return [{"step": "cmd", "max": 4095, "error": "too long", "ok": False}, {"step": "done", "ok": False}]
        follower = follow.Follower(Screen(), request_of(), Report(io.StringIO()))
        cmd = follow.command_line(changed(request_of(), tail=("x" * 5000,)))
        with self.assertRaises(outcome.Unusable) as refused:
            follower.start(mock.Mock(step=step), cmd)
        self.assertEqual("the launcher's command line is 5013 characters, and Wine's driver takes 4095 at most",
                         str(refused.exception))

    def test_the_command_line_quotes_what_needs_it(self) -> None:
        rows = [(None, "setup.exe", "D:\\setup.exe /autorun"),
                (("/a", "x y", ""), "Sub Dir/setup.exe", '"D:\\Sub Dir\\setup.exe" /a "x y" ""'),
                (('say "hi"',), "setup.exe", 'D:\\setup.exe say "hi"')]
        for tail, launcher, line in rows:
            with self.subTest(line=line):
                self.assertEqual(line, follow.command_line(changed(request_of(), tail=tail, launcher=launcher)))


class ScreenshotTest(unittest.TestCase):
    def test_the_screenshot_waits_for_the_backdrop_and_no_longer(self) -> None:
        window = {"rect": [0, 0, 4, 4], "client": [4, 4]}
        black = requests.Backdrop(1, 1, ((0, 0, (0, 0, 0)),))  # as the screen shows it at once
        with tempfile.TemporaryDirectory() as tmp:
            request = changed(request_of(screenshot=os.path.join(tmp, "s.png")), backdrop=black)
            follower = follow.Follower(Screen(), request, Report(io.StringIO()))
            with mock.patch.object(follow.time, "sleep") as slept:
                follower.screenshot(window)
            slept.assert_not_called()
            self.assertEqual("0 0 4 4", Path(tmp, "s.png").read_text())


class MatrixSystemsTest(unittest.TestCase):
    def test_a_system_this_wine_does_not_emulate_is_refused_before_any_run(self) -> None:
        base = mock.Mock(**{"known_systems.return_value": list(matrix.EVERY_WINE)})
        ran: list[str] = []

        def run_disc(request: requests.Request, *args: Any, **kwargs: Any) -> int:
            ran.append(request.plan.system)
            return 0
        with mock.patch.object(matrix.outer_run, "check_platform"), \
                mock.patch.object(matrix.outer_run, "base_prefix", return_value=base), \
                mock.patch.object(matrix.outer_run, "run_disc", run_disc), contextlib.redirect_stdout(io.StringIO()):
            with self.assertRaises(outcome.Unusable) as refused:
                matrix.run_matrix(request_of(matrix=["win10", "win11"]), lambda line: None)
            self.assertEqual([], ran)
            self.assertIn("does not emulate win11", str(refused.exception))
            # A fresh prefix for each run: each finds out for itself.
            self.assertEqual(0, matrix.run_matrix(request_of(matrix=["win11"], fresh=True), lambda line: None))
            self.assertEqual(["win11"], ran)


class BackdropTest(unittest.TestCase):
    def test_the_backdrop_is_found_at_the_last_place_the_frame_leaves(self) -> None:
        width, height = 6, 4
        rgb = bytearray(3 * width * height)
        # The first within the tolerance the X server's depth calls for.
        for x, y, colour in ((4, 2, bytes((255 - backdrop.TOLERANCE, 0, 0))), (5, 3, b"\0\0\xff")):
            rgb[3 * (y * width + x):3 * (y * width + x) + 3] = colour

        def grab(x: int, y: int, w: int, h: int) -> bytes:
            return b"".join(bytes(rgb[3 * ((y + r) * width + x):3 * ((y + r) * width + x + w)]) for r in range(h))
        samples = requests.Backdrop(2, 2, ((0, 0, (255, 0, 0)), (1, 1, (0, 0, 255))))
        self.assertEqual((4, 2), backdrop.find_backdrop(grab, (1, 0, 5, 4), samples))
        self.assertEqual((4, 2), backdrop.find_backdrop(grab, (0, 0, 6, 4), samples))
        self.assertIsNone(backdrop.find_backdrop(grab, (0, 0, 5, 3), samples))
        self.assertIsNone(backdrop.find_backdrop(grab, (0, 0, 1, 1), samples))


class FakeRunner(FakeRunnerBase):
    """The Wine runner as a recorded run of the demo disc on Windows 98 left
    it: each session replays the driver's transcript and leaves what the
    launcher left, its recorders' logs, wininit.ini and the restart asked for."""

    def __init__(self, prefix: str, view: str, sessions: list[tuple[str, list[str], bool]]) -> None:
        super().__init__(prefix)
        self.view, self.sessions = view, sessions
        self.wined: list[tuple[tuple[str, ...], bool]] = []

    def wine(self, *args: str, check: bool = True) -> Outcome:
        self.wined.append((args, check))
        return Outcome(("wine", *args), 0, stdout=b"    BX_SETUP_RERUN    REG_SZ    D:\\setup.exe\r\n")

    def session(self, timeout: float, kill: Iterable[str] = ()) -> Transcript:
        transcript, started, restart = self.sessions.pop(0)
        for cmdline in started:
            program = cmdline.split('"')[1].split("\\")[-1]
            with open(os.path.join(self.view, os.path.splitext(program)[0] + ".log"), "a") as f:
                f.write(json.dumps({"cmdline": cmdline, "cwd": "D:\\", "argv": []}) + "\n")
        if restart:
            self.asked.append("C:\\windows\\system32\\wineboot.exe --end-session")
            Path(self.system32(), "_BX1.tmp").write_bytes(b"3.50")
            Path(self.system32(), "..", "wininit.ini").write_text(
                "[rename]\r\nNUL=C:\\windows\\system32\\OLEAUT32.DLL\r\n"
                "C:\\windows\\system32\\OLEAUT32.DLL=C:\\windows\\system32\\_BX1.tmp\r\n")
        return Transcript(transcript)


class LauncherRunTest(unittest.TestCase):
    def run_of(self, reruns_restart: bool) -> tuple[Report, list[str], FakeRunner]:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        view = os.path.join(tmp.name, "disc")
        os.makedirs(view)
        Path(view, "DemoSetup.exe").write_bytes(b"MZ")
        runner = FakeRunner(os.path.join(tmp.name, "prefix"), view, [
            ("win98-install-restart.jsonl", ['"D:\\DCOM95.EXE" /r:n /q:u /q:a', '"D:\\DemoSetup.exe"'], True),
            ("win98-rerun.jsonl", ['"D:\\DemoSetup.exe"'], reruns_restart)])
        Path(tmp.name, "verdll400.dll").write_bytes(b"4.0")
        runner.programs = tmp.name
        out = io.StringIO()
        report = Report(out)
        request = changed(request_of(system="win98", click="install", oleaut32="4.0"), setup_exe="DemoSetup.exe",
                          dcom="DCOM95.EXE")
        with mock.patch.object(launcher_run.time, "sleep"):
            launcher_run.LauncherRun(runner, request, view, report).run()
        return report, out.getvalue().splitlines(), runner

    def test_a_restart_done_in_its_stead_and_the_rerun_followed(self) -> None:
        report, lines, runner = self.run_of(reruns_restart=False)
        at = lines.index("the restart: every program ended, then what Windows does as it starts")
        self.assertEqual(["the system's automation library: a stand-in of version 4.0",
                          "stood in by a recorder: D:\\DemoSetup.exe", "stood in by a recorder: D:\\DCOM95.EXE",
                          "rerun registered: RunOnce BX_SETUP_RERUN = D:\\setup.exe",
                          "  C:\\windows\\system32\\OLEAUT32.DLL deleted",
                          "  C:\\windows\\system32\\OLEAUT32.DLL replaced by C:\\windows\\system32\\_BX1.tmp",
                          "  Distributed COM: taken as installed by its installer (a recorder stood in)",
                          "the rerun (RunOnce BX_SETUP_RERUN):", "started: D:\\setup.exe in D:\\",
                          "programs started: 1"],
                         lines[:3] + [lines[at - 2]] + lines[at + 1:at + 6] + [lines[-2]])
        # The stand-in put in place, deleted at the restart, and the staged copy in its place.
        self.assertEqual(["OLEAUT32.DLL"], [n for n in os.listdir(runner.system32()) if n.lower() == "oleaut32.dll"])
        self.assertEqual(b"3.50", Path(runner.system32(), "OLEAUT32.DLL").read_bytes())
        self.assertTrue(Path(runner.system32(), "..", "wininit.bak").is_file())
        self.assertEqual(["BX_SETUP_RERUN"], runner.deleted)
        self.assertEqual((0, True, True, 3), (report.status, report.restart, report.rerun, len(report.programs)))
        self.assertEqual(["C:\\windows\\system32\\_BX1.tmp (4 bytes)"], report.staged)

    def test_the_rerun_read_and_the_stood_in_installer_s_mark_written_with_reg_exe(self) -> None:
        _, _, runner = self.run_of(reruns_restart=False)
        # No RunOnce key is no error: the query only finds no rerun.
        self.assertEqual([((REG, "query", restart.RUN_ONCE), False),
                          ((REG, "add", restart.DCOM_VERSION, "/ve", "/d", restart.DCOM_INSTALLED, "/f"), True)],
                         runner.wined)

    def test_a_rerun_that_asks_for_the_restart_again_fails(self) -> None:
        report, lines, _ = self.run_of(reruns_restart=True)
        self.assertEqual((1, "the rerun asked for the restart again: a prerequisite did not take"),
                         (report.status, report.verdict))


class InnerRunTest(unittest.TestCase):
    def test_the_result_is_left_beside_the_request_whatever_the_end(self) -> None:
        def failing(request: requests.Request, work: str, say: Any, report: Report) -> None:
            report.fail("the launcher hung")

        def unusable(request: requests.Request, work: str, say: Any, report: Report) -> None:
            raise outcome.Unusable("no Wine")
        for run, status, verdict in ((failing, 1, "the launcher hung"), (unusable, 2, "no Wine")):
            with self.subTest(verdict=verdict), tempfile.TemporaryDirectory() as work:
                Path(work, "request.json").write_text(requests.dump(request_of(system="win2k")))
                with mock.patch.object(inner_run, "run_launcher", run), \
                        contextlib.redirect_stdout(io.StringIO()):
                    try:
                        self.assertEqual(status, inner_run.run_inside(work, lambda line: None))
                    except outcome.Unusable:
                        self.assertEqual(2, status)
                result = RunResult.from_json(json.loads(Path(work, "result.json").read_text()))
                self.assertEqual(("win2k", status, verdict, False), (result.system, result.status, result.verdict,
                                                                     result.restart))
                if status == 1:
                    self.assertEqual("result: the launcher hung (exit status 1)\n", result.report)

    def test_the_base_prefix_s_runner_stops_however_its_start_ends(self) -> None:
        with tempfile.TemporaryDirectory() as staging, \
                mock.patch.object(inner_run.winerunner, "WineRunner") as runner:
            runner.return_value.start.side_effect = OSError("no wineboot")
            with self.assertRaises(OSError):
                inner_run.make_base(staging, False, lambda line: None)
            runner.return_value.stop.assert_called_once_with()


class RestartTest(unittest.TestCase):
    def test_wininit_renames_in_order_and_only_in_the_prefix(self) -> None:
        text = ("[Settings]\r\nNUL=C:\\x\r\n[rename]\r\n; a comment\r\nNUL=C:\\windows\\old.dll\r\n"
                "C:\\windows\\system32\\OLEAUT32.DLL=C:\\windows\\system32\\OLEAUT32.NEW\r\n"
                "C:\\windows\\a.dll=D:\\a.dll\r\nD:\\b.dll=C:\\windows\\keep.dll\r\n"
                "C:\\windows\\gone.dll=C:\\windows\\none.dll\r\n")
        steps = restart.renames(text)
        self.assertEqual([restart.Rename(None, "C:\\windows\\old.dll"),
                          restart.Rename("C:\\windows\\system32\\OLEAUT32.DLL", "C:\\windows\\system32\\OLEAUT32.NEW"),
                          restart.Rename("C:\\windows\\a.dll", "D:\\a.dll"),
                          restart.Rename("D:\\b.dll", "C:\\windows\\keep.dll"),
                          restart.Rename("C:\\windows\\gone.dll", "C:\\windows\\none.dll")], steps)
        with tempfile.TemporaryDirectory() as tmp:
            drive = Path(tmp)
            (drive / "windows" / "system32").mkdir(parents=True)
            for name, data in (("windows/old.dll", b"old"), ("windows/system32/OLEAUT32.DLL", b"2.20"),
                               ("windows/system32/OLEAUT32.NEW", b"2.40"), ("windows/keep.dll", b"keep")):
                (drive / name).write_bytes(data)

            def to_linux(path: str) -> str | None:
                return str(drive / path[3:].replace("\\", "/")) if path.startswith("C:\\") else None
            done = restart.apply_renames(steps, to_linux)
            self.assertEqual(["C:\\windows\\old.dll deleted",
                              "C:\\windows\\system32\\OLEAUT32.DLL replaced by C:\\windows\\system32\\OLEAUT32.NEW",
                              "C:\\windows\\a.dll=D:\\a.dll: outside the system's drive; not done",
                              "D:\\b.dll=C:\\windows\\keep.dll: outside the system's drive; not done",
                              "C:\\windows\\gone.dll=C:\\windows\\none.dll: no such file; nothing done"], done)
            self.assertEqual(["OLEAUT32.DLL"], os.listdir(drive / "windows" / "system32"))
            self.assertEqual(b"2.40", (drive / "windows" / "system32" / "OLEAUT32.DLL").read_bytes())
            # A target outside the drive neither deletes nor moves its source.
            self.assertEqual(b"keep", (drive / "windows" / "keep.dll").read_bytes())

    def test_run_once_values_as_reg_query_lists_them(self) -> None:
        query = ("\r\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\r\n"
                 "    BX_SETUP_RERUN    REG_SZ    D:\\setup.exe\r\n"
                 "    Other one    REG_EXPAND_SZ    C:\\x.exe /q  \r\n\r\n")
        self.assertEqual([("BX_SETUP_RERUN", "D:\\setup.exe"), ("Other one", "C:\\x.exe /q")],
                         restart.run_once(query))
        self.assertEqual([], restart.run_once("ERROR: The system was unable to find the key\r\n"))


def result(system: str, status: int) -> RunResult:
    return RunResult(system=system, status=status, verdict="v", seconds=1.0)


class MatrixTest(unittest.TestCase):
    def test_the_systems_and_the_verdict(self) -> None:
        every = list(requests.SYSTEMS[:-1])
        self.assertEqual(every, matrix.chosen_systems(request_of(matrix=[]), lambda s: False))
        self.assertEqual(every + ["win11"], matrix.chosen_systems(request_of(matrix=[]), lambda s: True))
        self.assertEqual(["win95", "win10"], matrix.chosen_systems(request_of(matrix=["win10", "win95"]),
                                                                   lambda s: True))
        rows = [((0, 0), 0), ((0, 1, 2), 1), ((0, 2), 2), ((1, 130), 130), ((), 0)]
        for statuses, status in rows:
            with self.subTest(statuses=statuses):
                self.assertEqual(status, matrix.matrix_status([result("win95", s) for s in statuses]))

    def test_shards_cut_the_systems_in_order_the_earlier_ones_longer(self) -> None:
        nine, ten = list(requests.SYSTEMS[:9]), list(requests.SYSTEMS)
        rows = [(nine, 3, [nine[:3], nine[3:6], nine[6:]]), (ten, 3, [ten[:4], ten[4:7], ten[7:]]),
                (["win95", "win98"], 3, [["win95"], ["win98"], []]), (["win10"], 1, [["win10"]])]
        for systems, total, parts in rows:
            with self.subTest(systems=len(systems), total=total):
                self.assertEqual(parts, [matrix.shard_systems(systems, i, total) for i in range(1, total + 1)])

    def test_the_default_jobs_fill_the_cores_a_run_leaves_idle(self) -> None:
        rows = [  # cores, emulated, runs, jobs
            (2, False, 9, 4), (2, True, 9, 3), (1, False, 9, 2), (1, True, 9, 2),
            (8, False, 9, 9),  # no more than the runs
            (16, True, 40, 23), (2, False, 1, 1), (2, True, 0, 1)]
        for cores, emulated, runs, jobs in rows:
            with self.subTest(cores=cores, emulated=emulated, runs=runs):
                self.assertEqual(jobs, matrix.default_jobs(cores, emulated, runs))
        # Without -j, three cores run five native runs at once: each waits for all five.
        together = threading.Barrier(5, timeout=10)

        def run_disc(request: requests.Request, say: Any, base: Any, out: Any, started: Any, keep: str) -> int:
            together.wait()
            Path(keep, "result.json").write_text(json.dumps(result(request.plan.system, 0).to_json()))
            return 0
        m = matrix.Matrix(request_of(matrix=[]), lambda line: None)
        self.addCleanup(shutil.rmtree, m.keep, True)
        with mock.patch.object(matrix.outer_run, "run_disc", run_disc), \
                mock.patch.object(os, "cpu_count", return_value=3), contextlib.redirect_stdout(io.StringIO()):
            results = m.run(["win95", "win98", "winme", "win2k", "winxp"], None)
        self.assertEqual([0] * 5, [r.status for r in results])

    def test_a_shard_runs_its_part_and_keeps_it_for_the_merge(self) -> None:
        ran: list[str] = []

        def run_disc(request: requests.Request, say: Any, base: Any, out: Any, started: Any, keep: str) -> int:
            ran.append(request.plan.system)
            self.assertIsNotNone(request.plan.screenshot)  # the merged page shows it
            Path(keep, "result.json").write_text(json.dumps(result(request.plan.system, 0).to_json()))
            return 0
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        disc = Path(tmp.name, "disc")
        disc.mkdir()
        (disc / "setup.exe").write_bytes(b"MZ")
        parts: list[tuple[str, list[str]]] = [("2/3", ["win98"]), ("3/3", [])]
        for shard, part in parts:
            with self.subTest(shard=shard):
                ran.clear()
                kept = Path(tmp.name, shard.replace("/", "of"))
                request = changed(request_of(matrix=["win95", "win98"], fresh=True, shard=shard, results=str(kept),
                                             click="install"), folder=str(disc))
                out = io.StringIO()
                with mock.patch.object(matrix.outer_run, "run_disc", run_disc), \
                        mock.patch.object(matrix.outer_run, "check_platform"), contextlib.redirect_stdout(out):
                    self.assertEqual(0, matrix.run_matrix(request, lambda line: None))
                self.assertEqual(part, ran)
                if part:
                    self.assertIn("bxdisc try: %s on win98 (shard 2/3 of win95, win98)" % disc, out.getvalue())
                back = results_folder.read(kept, "")
                self.assertEqual((("win95", "win98"), tuple(part), ("--click", "install")),
                                 (back.manifest.matrix, back.manifest.systems, back.manifest.options))
                self.assertEqual(results_folder.disc_digest(str(disc)), back.manifest.digest)
                self.assertEqual(part, [r.system for r in back.results])
                if not part:
                    self.assertIn("no system (shard 3/3 of win95, win98), as there are more shards than "
                                  "systems; nothing to run", out.getvalue())
        # A folder with results in it is refused before anything runs.
        with mock.patch.object(matrix.outer_run, "check_platform") as checked, \
                self.assertRaisesRegex(outcome.Unusable, "is not empty"):
            matrix.run_matrix(request, lambda line: None)
        checked.assert_not_called()

    def test_the_disc_s_digest_is_its_names_and_bytes_wherever_it_lies(self) -> None:
        with tempfile.TemporaryDirectory() as tmp:
            discs = [Path(tmp, name) for name in ("a", "b")]
            for disc in discs:
                (disc / "Setup").mkdir(parents=True)
                (disc / "setup.exe").write_bytes(b"MZ")
            digest = results_folder.disc_digest(str(discs[0]))
            self.assertEqual(digest, results_folder.disc_digest(str(discs[1])))
            for change in (lambda d: (d / "setup.exe").write_bytes(b"MZ!"), lambda d: (d / "Setup" / "x").touch(),
                           lambda d: (d / "Setup").rename(d / "setup2")):
                change(discs[1])
                self.assertNotEqual(digest, results_folder.disc_digest(str(discs[1])))
                digest = results_folder.disc_digest(str(discs[1]))

    def test_a_run_that_fails_does_not_stop_the_others_and_an_interrupt_ends_all(self) -> None:
        def run_disc(request: requests.Request, say: Any, base: Any, out: Any, started: Any, keep: str) -> int:
            if request.plan.system == "win98":
                raise outcome.Unusable("the view is too big")
            if request.plan.system == "winme":
                raise OSError("No space left on device")
            Path(keep, "result.json").write_text(json.dumps(result(request.plan.system, 0).to_json()))
            return {"win2k": 1, "winxp": -9}.get(request.plan.system, 0)
        m = matrix.Matrix(request_of(matrix=[], jobs=2), lambda line: None)
        self.addCleanup(shutil.rmtree, m.keep, True)
        with mock.patch.object(matrix.outer_run, "run_disc", run_disc), contextlib.redirect_stdout(io.StringIO()):
            results = m.run(["win95", "win98", "winme", "win2k", "winxp"], None)
        self.assertEqual([("win95", 0, "v"), ("win98", 2, "the view is too big"),
                          ("winme", 2, "Wine failed: No space left on device"), ("win2k", 1, "exit status 1"),
                          ("winxp", 2, "the run ended with signal 9")],
                         [(r.system, r.status, r.verdict) for r in results])

        gate = threading.Event()
        live = mock.Mock(**{"poll.return_value": None, "kill.side_effect": lambda: gate.set()})

        def hanging(request: requests.Request, say: Any, base: Any, out: Any, started: Any, keep: str) -> int:
            started(live)
            gate.wait(10)
            return outcome.INTERRUPTED
        m = matrix.Matrix(request_of(matrix=[], jobs=1), lambda line: None)
        self.addCleanup(shutil.rmtree, m.keep, True)
        with mock.patch.object(matrix.outer_run, "run_disc", hanging), \
                mock.patch.object(matrix, "wait", side_effect=KeyboardInterrupt), \
                contextlib.redirect_stdout(io.StringIO()), self.assertRaises(KeyboardInterrupt):
            m.run(["win95", "win98"], None)
        live.kill.assert_called_once_with()
        self.assertTrue(m.stopping.is_set())

    def test_the_page_the_junit_file_and_the_status_once_all_have_ended(self) -> None:
        def run_disc(request: requests.Request, say: Any, base: Any, out: Any, started: Any, keep: str) -> int:
            status = 1 if request.plan.system == "win95" else 0
            Path(keep, "result.json").write_text(json.dumps(result(request.plan.system, status).to_json()))
            return status
        with tempfile.TemporaryDirectory() as tmp:
            request = request_of(matrix=["win95", "win10"], fresh=True, html=os.path.join(tmp, "page"),
                                 junit=os.path.join(tmp, "junit.xml"))
            out = io.StringIO()
            with mock.patch.object(matrix.outer_run, "run_disc", run_disc), \
                    mock.patch.object(matrix.outer_run, "check_platform") as checked, contextlib.redirect_stdout(out):
                self.assertEqual(1, matrix.run_matrix(request, lambda line: None))
            checked.assert_called_once_with(request)
            self.assertIn("bxdisc try: 1 of 2 systems did what the disc intends (exit status 1)",
                          out.getvalue().splitlines())
            self.assertTrue(Path(tmp, "page", "index.html").is_file())
            self.assertIn('failures="1"', Path(tmp, "junit.xml").read_text())


if __name__ == "__main__":
    unittest.main(verbosity=1)
