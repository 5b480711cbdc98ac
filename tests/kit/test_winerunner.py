#!/usr/bin/env python3
"""The Wine runner's parts that need no Wine: the X servers' display
numbers, the driver's command line, the probe of an emulated system and the
driver's report.

    python3 tests/kit/test_winerunner.py
"""
import functools
import itertools
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path
from unittest import mock

sys.dont_write_bytecode = True
import winerunner  # noqa: E402
from testlib import WITH_CHILD, ended  # noqa: E402
from winerunner import executor, registry, screen  # noqa: E402


def ran(mocked: mock.Mock) -> executor.Command:
    """The command a mocked executor.run or executor.start was last given."""
    return mocked.call_args.args[0]


class ExecutorTest(unittest.TestCase):
    def test_the_outcome_says_how_it_ended(self):
        capture, discard = executor.Output.CAPTURE, executor.Output.DISCARD
        rows = [  # (script, limit, output, (exit status, timed out, stdout, stderr), raised when checked)
            ("echo out; echo err >&2; exit 3", 60, capture, (3, False, b"out\n", b"err\n"),
             subprocess.CalledProcessError),
            ("echo out", None, discard, (0, False, b"", b""), None),
            ("echo out; exec sleep 60", 1, capture, (-9, True, b"", b""), subprocess.TimeoutExpired),
        ]
        for script, limit, output, ending, raised in rows:
            with self.subTest(script=script):
                outcome = executor.run(executor.Command(["sh", "-c", script], timeout=limit, output=output))
                self.assertEqual(ending, (outcome.returncode, outcome.timed_out, outcome.stdout, outcome.stderr))
                if raised:
                    with self.assertRaises(raised):
                        outcome.checked()
                else:
                    self.assertIs(outcome, outcome.checked())
                # Without the status, only the limit is an error.
                if outcome.timed_out:
                    self.assertRaises(subprocess.TimeoutExpired, outcome.checked, status=False)
                else:
                    self.assertIs(outcome, outcome.checked(status=False))
        with tempfile.TemporaryFile() as f:
            executor.run(executor.Command(["sh", "-c", "echo out; echo err >&2"], output=f))
            f.seek(0)
            self.assertEqual(b"out\nerr\n", f.read())

    def test_the_limit_or_an_interruption_kills_the_whole_group(self):
        for how in ("limit", "interruption"):
            with self.subTest(how), tempfile.TemporaryDirectory() as tmp:
                child = os.path.join(tmp, "child")
                command = executor.Command(["sh", "-c", WITH_CHILD, child], timeout=3 if how == "limit" else None)
                shells = []
                popen = subprocess.Popen
                with mock.patch.object(subprocess, "Popen",
                                       side_effect=lambda *a, **k: shells.append(popen(*a, **k)) or shells[-1]):
                    if how == "limit":
                        self.assertTrue(executor.run(command).timed_out)
                    else:
                        def interrupt(spent: float) -> None:
                            if os.path.exists(child):
                                raise KeyboardInterrupt
                        with self.assertRaises(KeyboardInterrupt):
                            executor.run(command, tick=interrupt, every=0.05)
                with open(child) as f:
                    grandchild = int(f.read())
                self.assertIsNotNone(shells[0].returncode)  # reaped
                self.assertTrue(ended(grandchild))

    def test_a_started_program_is_asked_to_end_then_killed(self):
        for ask, grace, ending in ((signal.SIGTERM, 60, -signal.SIGTERM), (None, 0.5, -signal.SIGKILL)):
            with self.subTest(ask=ask), executor.start(executor.Command(["sleep", "60"])) as running:
                self.assertEqual(ending, running.end(grace, ask=ask))

# Fake X servers: each gets -displayfd N first, as start_x_server passes it.
FAKE_X = """#!%s
import os, sys, time
assert sys.argv[1] == "-displayfd"
fd = int(sys.argv[2])
%s
"""
SERVERS = [  # (name, body, display or None for XServerFailed)
    ("answers", 'os.write(fd, b"7\\n"); time.sleep(60)', ":7"),
    ("answers in pieces", 'os.write(fd, b"1"); time.sleep(0.2); os.write(fd, b"2\\n"); time.sleep(60)',
     ":12"),
    ("answers and ends the line with its end", 'os.write(fd, b"3")', ":3"),
    ("ends without a word", "sys.exit(1)", None),
    ("writes no number", 'os.write(fd, b"oops\\n"); time.sleep(60)', None),
    ("hangs", "time.sleep(60)", None),
]


class XServerTest(unittest.TestCase):
    def test_the_display_number_or_the_server_ended(self):
        for name, body, display in SERVERS:
            with self.subTest(name), tempfile.TemporaryDirectory() as tmp:
                server = os.path.join(tmp, "fakex")
                with open(server, "w") as f:
                    f.write(FAKE_X % (sys.executable, body))
                os.chmod(server, 0o755)
                # The server as started: on a busy machine a hanging one may be
                # ended before it has run a line of its own.
                servers: list[subprocess.Popen[bytes]] = []
                popen = subprocess.Popen
                with mock.patch.object(subprocess, "Popen",
                                       side_effect=lambda *a, **k: servers.append(popen(*a, **k)) or servers[-1]):
                    started = time.monotonic()
                    if display:
                        process, found = winerunner.start_x_server([server, "-screen", "0"], timeout=60)
                        self.assertEqual(display, found)
                        winerunner.stop_x_server(process)
                        continue
                    with self.assertRaises(winerunner.XServerFailed):
                        winerunner.start_x_server([server], timeout=2)
                self.assertLess(time.monotonic() - started, 8)
                self.assertIsNotNone(servers[0].returncode)
                with self.assertRaises(ProcessLookupError):  # ended and reaped
                    os.kill(servers[0].pid, 0)

    def test_a_missing_server_is_an_os_error(self):
        with self.assertRaises(OSError):
            winerunner.start_x_server(["/nonexistent/Xvfb"])


class DriverCommandTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.work = tmp.name
        self.runner = winerunner.WineRunner("/opt/runner", self.work, say=lambda line: None)

    def test_the_command_line(self):
        out = os.path.join(self.work, "d1.jsonl")
        z_out = "Z:" + out.replace("/", "\\")
        rows = [  # (slowness, work drive, timeout, kill, script, expected tail after -o)
            (1.0, None, 30, ("setup.exe",), "-",
             [z_out, "-x", "1.00", "-t", "30000", "-k", "setup.exe", "-f", "-"]),
            (4.567, None, 2.5, (), "C:\\s.txt", [z_out, "-x", "4.57", "-t", "2500", "-f", "C:\\s.txt"]),
            (2.0, "W:", 600, ["setup.exe", "msiquery.exe"], "W:\\d1.txt",
             ["W:\\d1.jsonl", "-x", "2.00", "-t", "600000", "-k", "setup.exe", "-k", "msiquery.exe",
              "-f", "W:\\d1.txt"]),
        ]
        for slowness, drive, timeout, kill, script, tail in rows:
            with self.subTest(slowness=slowness, drive=drive):
                self.runner.slowness, self.runner.work_drive = slowness, drive
                self.assertEqual(["wine", "/opt/runner/uidriver.exe", "-o"] + tail,
                                 self.runner.driver_command(out, timeout, kill, script))

    def test_drive_and_session_run_that_line(self):
        self.runner.slowness = 3.0
        with mock.patch.object(executor, "run") as run:
            self.runner.drive(["echo hi"], timeout=10, kill=("a.exe",))
        script = os.path.join(self.work, "drive0001.txt")
        self.assertEqual(self.runner.driver_command(os.path.join(self.work, "drive0001.jsonl"), 10,
                                                    ["a.exe"], self.runner.to_windows(script)),
                         list(ran(run).argv))
        self.assertEqual(60, ran(run).timeout)  # (10 + 10) stretched
        with open(script, "rb") as f:
            self.assertEqual(b"echo hi\r\n", f.read())
        with mock.patch.object(executor, "start") as start:
            self.runner.session(20, kill=("b.exe",))
        self.assertEqual(self.runner.driver_command(os.path.join(self.work, "drive0002.jsonl"), 20,
                                                    ["b.exe"], "-"),
                         list(ran(start).argv))

    def test_a_session_hands_each_step_over_as_it_comes(self):
        # A stand-in driver: each line it reads becomes a record, "echo TEXT" an echo.
        driver = (r'while IFS= read -r line; do line=${line%"$(printf "\r")"}; case $line in '
                  r'"echo "*) echo "{\"step\": \"echo\", \"text\": \"${line#echo }\"}";; '
                  r'*) echo "{\"step\": \"$line\", \"ok\": true}";; esac >>"$0"; done')
        out = os.path.join(self.work, "session.jsonl")
        session = winerunner.Session(["sh", "-c", driver, out], None, Path(out), 0.5, 60)
        self.assertEqual([[{"step": "start", "ok": True}], [{"step": "children", "ok": True}]],
                         [session.step(line, wait=1) for line in ("start", "children")])
        session.close()
        self.assertIsNotNone(session.process.poll())


class ProbeTest(unittest.TestCase):
    def test_a_system_is_known_by_the_version_wine_reports_for_it(self):
        rows = [("win11", b"\r\nMicrosoft Windows [Version 10.0.19045]\r\n", False),
                ("win11", b"\r\nMicrosoft Windows [Version 10.0.22000]\r\n", True),
                ("win11", b"\r\nMicrosoft Windows [Version 10.0.22631]\r\n", True),
                ("win11", b"", False),
                ("win10", None, True),  # not in LEAST_VERSION: not even asked
                ("win98", None, True)]
        for system, out, known in rows:
            with self.subTest(system=system, out=out), tempfile.TemporaryDirectory() as tmp:
                runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
                done = subprocess.CompletedProcess(["wine"], 0, stdout=out, stderr=b"")
                with mock.patch.object(runner, "wine", return_value=done) as wine, \
                        mock.patch.object(runner, "reg_set") as reg_set, \
                        mock.patch.object(runner, "reg_delete") as reg_delete:
                    self.assertEqual(known, runner.knows_system(system))
                asked = out is not None
                self.assertEqual(asked, wine.called)
                if asked:
                    wine.assert_called_once_with("cmd", "/c", "ver", check=False)
                    key = r"HKCU\Software\Wine\AppDefaults\cmd.exe"
                    reg_set.assert_called_once_with(key, "Version", system)
                    reg_delete.assert_called_once_with(key)

    def test_32_bit_wine_runs_where_its_loader_does(self):
        for loader, runs in (("/bin/true", True), ("/bin/false", False), ("/nonexistent/wine", False)):
            with self.subTest(loader), mock.patch.object(winerunner.host, "WINE32", loader):
                self.assertEqual(runs, winerunner.runs_32bit())

    def test_a_wine_program_waits_stretched(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
            runner.slowness = 3.0
            with mock.patch.object(executor, "run") as run:
                runner.wine("reg", "query", "HKCU", timeout=10, check=False)
            self.assertEqual(["wine", "reg", "query", "HKCU"], list(ran(run).argv))
            self.assertEqual((30, False), (ran(run).timeout, run.return_value.checked.call_args.kwargs["status"]))


class ScreenTest(unittest.TestCase):
    def test_the_screen_size_and_a_saved_rectangle(self):
        with tempfile.TemporaryDirectory() as tmp:
            for screen, size in (("1024x768x24", (1024, 768)), ("800x600x8", (800, 600))):
                runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None, screen=screen)
                self.assertEqual(size, runner.screen_size)
            with mock.patch.object(executor, "run") as run:
                runner.save_png(10, 20, 300, 200, "/x/shot.png")
            self.assertEqual(["import", "-window", "root", "-crop", "300x200+10+20", "+repage",
                              "png:/x/shot.png"], list(ran(run).argv))


    def test_a_grab_counts_once_it_is_ready_and_steady(self):
        rows = [("settles", [b"a", b"b", b"b"], lambda shot: True, b"b"),
                ("steady but not ready", [b"x", b"x", b"p", b"p"], lambda shot: shot == b"p", b"p"),
                ("never settles", itertools.cycle([b"a", b"b"]), lambda shot: True, None)]
        for name, shots, ready, found in rows:
            with self.subTest(name):
                grabs = iter(shots)
                steady = functools.partial(screen.grab_steady, lambda x, y, w, h: next(grabs), 0.5, 0, 0, 2, 2, ready)
                if found:
                    self.assertEqual(found, steady())
                else:
                    self.assertRaisesRegex(RuntimeError, "2x2\\+0\\+0 did not settle", steady)


class LifetimeTest(unittest.TestCase):
    def test_wine_runs_without_tmpdir_and_its_server_folder_goes_with_the_run(self):
        # Stand-ins: a server that aborts with TMPDIR set, as Debian 13's does, and leaves its
        # folder in /tmp, named by the prefix's device and inode.
        server = ('[ -z "${TMPDIR+set}" ] || exit 1\n[ "$1" = -p ] || exit 0\n'
                  'set -- $(stat -c "%d %i" "$WINEPREFIX")\nd=$(mktemp -d /tmp/wine-XXXXXX)\n'
                  'mkdir "$d/server-$(printf %x-%x "$1" "$2")"\necho "$d" >"$WINEPREFIX/../server-parent"')
        with tempfile.TemporaryDirectory() as tmp:
            stand_ins, work, host_tmp = (os.path.join(tmp, n) for n in ("bin", "work", "tmp"))
            for name, body in (("wine", "exit 0"), ("wineboot", 'mkdir -p "$WINEPREFIX"'), ("wineserver", server)):
                os.makedirs(stand_ins, exist_ok=True)
                with open(os.path.join(stand_ins, name), "w") as f:
                    f.write("#!/bin/sh\n%s\n" % body)
                os.chmod(os.path.join(stand_ins, name), 0o755)
            os.mkdir(host_tmp)
            runner = winerunner.WineRunner(work_dir=work, display=":99", slowness=1, say=lambda line: None)
            runner.stop()  # as after a start that failed early: nothing to remove yet
            with mock.patch.dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"], TMPDIR=host_tmp):
                runner.start()
                with open(os.path.join(work, "server-parent")) as f:
                    parent = f.read().strip()
                self.addCleanup(shutil.rmtree, parent, True)
                runner.stop()
            self.assertEqual((False, [], ["server-parent"]),
                             (os.path.exists(parent), os.listdir(host_tmp), os.listdir(work)))

    def test_the_slowness_is_the_start_after_the_warm_up_one_within_bounds(self):
        rows = [((12.0, 0.4), 5.0),  # the warm-up (a new server's whole session) counts for nothing
                ((3.0, 0.02), 1.0), ((3.0, 9.0), winerunner.MAX_SLOWNESS)]
        for starts, slowness in rows:
            with self.subTest(starts=starts), tempfile.TemporaryDirectory() as tmp:
                runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
                clock = [0.0, starts[0], 100.0, 100.0 + starts[1]]  # before and after each start
                with mock.patch.object(runner, "run") as run, mock.patch.object(time, "monotonic",
                                                                               side_effect=clock):
                    self.assertAlmostEqual(slowness, runner._measure_slowness())
                self.assertEqual(2 * [[runner.program("uidriver.exe"), "echo"]],
                                 [c.args[0][1:] for c in run.call_args_list])

    def test_a_restart_ends_the_server_however_and_needs_a_new_one(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
            for failing, raised in (("-k", None), ("-w", None), ("-p", subprocess.CalledProcessError)):
                with self.subTest(failing=failing), mock.patch.object(
                        executor, "run", side_effect=lambda command, **kw: executor.Outcome(
                            tuple(command.argv), int(command.argv[1] == failing))) as run:
                    if raised:
                        self.assertRaises(raised, runner.restart_server)
                    else:
                        runner.restart_server()
                    self.assertEqual(["-k", "-w", "-p"], [c.args[0].argv[1] for c in run.call_args_list])

    def test_a_drive_mapped_again_leads_to_its_new_folder(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, prefix=tmp)
            os.mkdir(os.path.join(tmp, "dosdevices"))
            for disc in ("disc1", "disc2"):
                runner.map_drive(os.path.join(tmp, disc))
            self.assertEqual(os.path.join(tmp, "disc2"), os.readlink(os.path.join(tmp, "dosdevices", "d:")))

    def test_only_the_prefix_s_own_server_folder_is_removed(self):
        with tempfile.TemporaryDirectory() as tmp:
            for folder in (".wine-0/server-a-b", "wine-x/server-a-b", "wine-x/server-c-d", "wine-y/server-c-d",
                           "other/server-a-b"):
                os.makedirs(os.path.join(tmp, folder))
            winerunner.remove_server_folder((10, 11), tmp)
            self.assertEqual(["other/server-a-b", "wine-x/server-c-d", "wine-y/server-c-d"],
                             sorted(os.path.relpath(d, tmp) for d, subs, _ in os.walk(tmp) if not subs))


class RegistryTest(unittest.TestCase):
    def test_reg_exe_s_command_lines(self):
        reg = ["wine", r"C:\windows\system32\reg.exe"]  # by its path: no start.exe in between
        rows = [(registry.set_command("HKCU\\X", "V", "1", "REG_DWORD"),
                 ["add", "HKCU\\X", "/v", "V", "/t", "REG_DWORD", "/d", "1", "/f"]),
                (registry.delete_command("HKCU\\X", "V"), ["delete", "HKCU\\X", "/v", "V", "/f"]),
                (registry.delete_command("HKCU\\X", ""), ["delete", "HKCU\\X", "/v", "", "/f"]),
                (registry.delete_command("HKCU\\X"), ["delete", "HKCU\\X", "/f"]),
                (registry.import_command("W:\\v.reg"), ["import", "W:\\v.reg"])]
        for command, args in rows:
            self.assertEqual(reg + args, command)

    def test_the_session_s_values_are_in_the_prefix_s_files_as_its_server_starts(self):
        self.assertEqual('\n[Software\\\\A b] 0\n"Managed"="N"\n"q"="a\\\\\\"b"\n'
                         '\n[System\\\\S] 0\n"Start"=dword:0000000c\n',
                         winerunner.registry.hive_text([("Software\\A b", "Managed", "N"),
                                                        ("System\\S", "Start", 12),
                                                        ("Software\\A b", "q", 'a\\"b')]))
        # A stand-in server keeps the files as it finds them when it starts.
        server = '[ "$1" = -p ] || exit 1\ncp "$WINEPREFIX"/*.reg "$WINEPREFIX/../seen"'
        with tempfile.TemporaryDirectory() as tmp:
            stand_ins, prefix, seen = (Path(tmp, n) for n in ("bin", "prefix", "seen"))
            for folder in (stand_ins, prefix, seen):
                folder.mkdir()
            for name, body in (("wine", "exit 0"), ("wineserver", server)):
                (stand_ins / name).write_text("#!/bin/sh\n%s\n" % body)
                (stand_ins / name).chmod(0o755)
            for hive in ("system.reg", "user.reg"):
                (prefix / hive).write_text("WINE REGISTRY Version 2\n")
            runner = winerunner.WineRunner(work_dir=tmp, prefix=str(prefix), display=":99", slowness=1,
                                           say=lambda line: None)
            with mock.patch.dict(os.environ, PATH=str(stand_ins) + os.pathsep + os.environ["PATH"]):
                runner.start()
            for hive, values in winerunner.runner.SESSION_VALUES.items():
                self.assertEqual("WINE REGISTRY Version 2\n" + winerunner.registry.hive_text(values),
                                 (seen / hive).read_text())
            self.assertIn("winebus.sys", runner.env["WINEDLLOVERRIDES"])

    def test_values_set_with_one_start_and_restarts_told_from_a_new_session(self):
        self.assertEqual('REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"d:"="cdrom"\n'
                         '"e:"="a\\"b\\\\c"\n\n[HKEY_CURRENT_USER\\Software\\X]\n"Version"="win98"\n\n',
                         winerunner.reg_file([(r"HKLM\Software\Wine\Drives", "d:", "cdrom"),
                                              (r"HKCU\Software\X", "Version", "win98"),
                                              (r"HKLM\Software\Wine\Drives", "e:", 'a"b\\c')]))
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(tmp, tmp, prefix=tmp)
            with mock.patch.object(executor, "run") as run:
                runner.reg_import([("HKCU\\X", "Version", "win98")])
            path = os.path.join(tmp, "values0001.reg")
            self.assertEqual(["wine", winerunner.REG, "import", runner.to_windows(path)], list(ran(run).argv))
            with open(path, "rb") as f:
                self.assertEqual(b'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n"Version"="win98"\r\n\r\n', f.read())
            system32 = os.path.join(tmp, "drive_c", "windows", "system32")
            os.makedirs(system32)
            # The stand-in takes wineboot.exe's place, which Wine loads as native from then on.
            for name, data in (("recstub.exe", b"stub"), ("drive_c/windows/system32/wineboot.exe", b"wine's")):
                with open(os.path.join(tmp, name), "wb") as f:
                    f.write(data)
            with mock.patch.object(runner, "reg_import") as reg_import:
                self.assertEqual(b"wine's", runner.stub_restart([("HKCU\\X", "Version", "win98")]))
            reg_import.assert_called_once_with([(r"HKCU\Software\Wine\DllOverrides", "wineboot.exe", "native"),
                                                ("HKCU\\X", "Version", "win98")])
            with open(os.path.join(system32, "wineboot.exe"), "rb") as f:
                self.assertEqual(b"stub", f.read())
            os.remove(os.path.join(system32, "wineboot.exe"))
            with open(os.path.join(system32, "wineboot.log"), "w") as f:
                for cmdline in ("C:\\windows\\system32\\wineboot.exe --init",
                                "C:\\windows\\system32\\wineboot.exe --end-session --restart"):
                    f.write(json.dumps({"cmdline": cmdline, "cwd": "C:\\", "argv": []}) + "\n")
            self.assertEqual(["C:\\windows\\system32\\wineboot.exe --end-session --restart"],
                             runner.restart_requests())


class RecorderTest(unittest.TestCase):
    def test_a_run_counts_once_its_line_is_whole(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, prefix=tmp)
            program = os.path.join(tmp, "Writer.exe")
            whole = json.dumps({"cmdline": "Writer.exe", "cwd": "C:\\", "argv": []}) + "\n"
            with open(winerunner.recorder_log(program), "w") as f:
                f.write(whole + whole[:9])
            self.assertEqual(["Writer.exe"], [r["cmdline"] for r in runner.wait_runs(program)])
            self.assertEqual(1, len(runner.wait_runs(program, count=2, timeout=0.1)))
            def finish_the_line() -> None:
                with open(winerunner.recorder_log(program), "a") as f:
                    f.write(whole[9:])
            rest = threading.Timer(0.2, finish_the_line)
            rest.start()
            self.assertEqual(2, len(runner.wait_runs(program, count=2, timeout=30)))
            rest.join()


    def test_a_stand_in_replaces_a_link_and_leaves_what_it_led_to(self):
        with tempfile.TemporaryDirectory() as tmp:
            stand_in, wines, target = (os.path.join(tmp, n) for n in ("recstub.exe", "wines.exe", "target.exe"))
            for path, data in ((stand_in, b"stub"), (wines, b"wine's")):
                with open(path, "wb") as f:
                    f.write(data)
            for led_to in (wines, os.path.join(tmp, "gone.exe")):
                with self.subTest(led_to=led_to):
                    os.symlink(led_to, target)
                    winerunner.replace_file(stand_in, target)
                    self.assertFalse(os.path.islink(target))
                    with open(target, "rb") as f:
                        self.assertEqual(b"stub", f.read())
                    os.remove(target)
            with open(wines, "rb") as f:
                self.assertEqual(b"wine's", f.read())
            self.assertFalse(os.path.exists(os.path.join(tmp, "gone.exe")))


class DriverReportTest(unittest.TestCase):
    def test_ok_is_a_script_done_well(self):
        start = {"step": "start", "ok": True, "pid": 8}
        rows = [([], False),
                ([start], False),
                ([start, {"step": "done", "ok": True}], True),
                ([start, {"step": "done", "ok": False}], False),
                ([{"step": "done", "ok": True}, {"step": "watchdog", "ok": False}], False)]
        for records, ok in rows:
            with self.subTest(records=records):
                self.assertEqual(ok, winerunner.DriverReport(records).ok)

    def test_first_finds_a_step_or_says_what_came(self):
        report = winerunner.DriverReport([{"step": "start", "ok": True, "pid": 8}])
        self.assertEqual(8, report.first("start")["pid"])
        with self.assertRaisesRegex(AssertionError, '"pid": 8'):
            report.first("follow")


if __name__ == "__main__":
    unittest.main(verbosity=1)
