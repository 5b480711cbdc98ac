#!/usr/bin/env python3
"""try's runner without Wine: the disc's view, what a package may name,
the base prefix, the sandbox, and what the run outside hands to the runs
inside.

    python3 tests/kit/test_disc_try.py
"""
import contextlib
import io
import os
import pty
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from unittest import mock

sys.dont_write_bytecode = True
import bxdisc_try.__main__ as try_main  # noqa: E402
import winerunner  # noqa: E402
from bxdisc_try import base_prefix, disc_view, outer_run, sandbox  # noqa: E402
from bxdisc_try import request as requests  # noqa: E402
from testlib import WITH_CHILD, ended, request_of, snapshot  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ViewTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = tmp.name
        self.disc = os.path.join(self.tmp, "disc")
        self.view = os.path.join(self.tmp, "view")
        self.recorder = os.path.join(self.tmp, "recstub.exe")
        write(self.recorder, b"recorder")
        limit, disc_view.COPY_LIMIT = disc_view.COPY_LIMIT, 8
        self.addCleanup(setattr, disc_view, "COPY_LIMIT", limit)

    def test_nothing_is_written_through_a_link(self):
        payload = os.path.join(self.tmp, "payload")
        write(os.path.join(payload, "setup32.exe"), b"MZ")
        write(os.path.join(payload, "data.cab"), b"a big payload")
        write(os.path.join(payload, "DCOM95.EXE"), b"a big installer")
        write(os.path.join(self.disc, "setup.exe"), b"MZ")
        write(os.path.join(self.disc, "BIG.EXE"), b"a big program")
        os.symlink("../payload", os.path.join(self.disc, "Setup"))
        os.symlink("../payload/DCOM95.EXE", os.path.join(self.disc, "DCOM95.EXE"))
        os.symlink(".", os.path.join(self.disc, "loop"))
        before = [snapshot(payload), snapshot(self.disc)]
        stand_ins = ["Setup/setup32.exe", "BIG.EXE", "DCOM95.EXE"]
        disc_view.make_view(self.disc, self.view, stand_ins, self.recorder)

        self.assertEqual(before, [snapshot(payload), snapshot(self.disc)])
        self.assertFalse(os.path.islink(os.path.join(self.view, "Setup")))
        for stand_in in stand_ins:
            self.assertEqual(b"recorder", read(os.path.join(self.view, stand_in)))
        self.assertTrue(os.path.islink(os.path.join(self.view, "Setup", "data.cab")))
        self.assertEqual(b"MZ", read(os.path.join(self.view, "setup.exe")))


class PackageProgramTest(unittest.TestCase):
    def test_only_a_file_of_the_prefix_is_stood_in_for(self):
        with tempfile.TemporaryDirectory() as tmp:
            prefix, outside = os.path.join(tmp, "prefix"), os.path.join(tmp, "home")
            os.makedirs(os.path.join(prefix, "drive_c", "Program Files"))
            os.makedirs(outside)
            os.symlink(outside, os.path.join(prefix, "drive_c", "users"))
            os.symlink(prefix, os.path.join(tmp, "linked-prefix"))
            rows = [
                (prefix, "drive_c/Program Files/Brindle.exe", True),
                (os.path.join(tmp, "linked-prefix"), "drive_c/Program Files/Brindle.exe", True),
                (prefix, "drive_c/users/Desktop/Brindle.exe", False),
                (prefix, "drive_c/../../home/Brindle.exe", False),
                (prefix, "../prefix-other/Brindle.exe", False),
            ]
            for folder, rel, within in rows:
                with self.subTest(rel=rel):
                    self.assertEqual(within, disc_view.lies_within(folder, os.path.join(prefix, rel)))


class BasePrefixTest(unittest.TestCase):
    """The cache with a stand-in for Wine's making of a prefix."""

    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = tmp.name
        os.environ["XDG_CACHE_HOME"] = os.path.join(self.tmp, "cache")
        self.addCleanup(os.environ.pop, "XDG_CACHE_HOME")
        self.version = "wine-8.0"
        version, base_prefix.wine_version = base_prefix.wine_version, lambda: self.version
        self.addCleanup(setattr, base_prefix, "wine_version", version)
        self.made = 0
        self.said = []

    def make(self, staging):
        self.made += 1
        for name in base_prefix.KEY_FILES:
            write(os.path.join(staging, "prefix", name), b"x")

    def copy(self, make=None):
        target = os.path.join(self.tmp, "run%d" % self.made, "prefix")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        base_prefix.BasePrefix(make or self.make, self.said.append).copy_to(target)
        return target

    def test_made_once_and_again_when_wine_changes_or_it_is_damaged(self):
        def interrupted(staging):
            self.make(staging)
            raise KeyboardInterrupt
        steps = [  # (what happens first, made by then)
            (lambda: None, 1), (lambda: None, 1),
            (lambda: os.remove(os.path.join(base_prefix.cache_folder(), "prefix-wine-8.0",
                                            "prefix", "user.reg")), 2),
            (lambda: setattr(self, "version", "wine-9.0"), 3),
        ]
        for change, made in steps:
            change()
            target = self.copy()
            self.assertEqual(made, self.made)
            self.assertTrue(os.path.isfile(os.path.join(target, "system.reg")))
        self.assertIn("the base prefix for wine-8.0 from " + base_prefix.cache_folder() + "/prefix-wine-8.0",
                      self.said)
        self.version = "wine-10.0"
        with self.assertRaises(KeyboardInterrupt):
            self.copy(interrupted)
        # Half made, never taken: the next run makes it whole.
        self.assertEqual([], [n for n in os.listdir(base_prefix.cache_folder()) if n != "lock"])
        self.copy()
        self.assertEqual(5, self.made)


    def test_a_copy_shares_wine_s_own_files_where_there_are_any(self):
        wine = os.path.join(self.tmp, "wine")
        write(os.path.join(wine, "kernel32.dll"), b"x")
        write(os.path.join(wine, "oleaut32.dll"), b"wine's own")

        def make(staging):
            self.make(staging)
            write(os.path.join(staging, "prefix", base_prefix.SYSTEM32, "oleaut32.dll"), b"wine's own")
            write(os.path.join(staging, "systems.json"), b'["win95", "win10"]')
        for folders, linked in (((wine,), True), ((), False)):
            with self.subTest(folders=folders), mock.patch.object(base_prefix, "BUILTIN_FOLDERS", folders):
                self.version = "wine-%d" % len(folders)
                target = os.path.join(self.tmp, "share%d" % len(folders))
                base = base_prefix.BasePrefix(make, self.said.append)
                base.copy_to(target, share_builtins=True)
                copy = os.path.join(target, base_prefix.SYSTEM32, "oleaut32.dll")
                self.assertEqual(linked, os.path.islink(copy))
                self.assertEqual(b"wine's own", read(copy))
                self.assertEqual(["win95", "win10"], base.known_systems())


class SandboxTest(unittest.TestCase):
    def test_a_bwrap_that_cannot_make_namespaces_is_refused_with_the_remedy(self):
        with tempfile.TemporaryDirectory() as tmp:
            fake = os.path.join(tmp, "bwrap")
            write(fake, b"#!/bin/sh\necho 'bwrap: setting up uid map: Permission denied' >&2\nexit 1\n")
            os.chmod(fake, 0o755)
            path = os.environ["PATH"]
            os.environ["PATH"] = tmp + os.pathsep + path
            try:
                with self.assertRaises(sandbox.SandboxUnusable) as refused:
                    sandbox.check()
            finally:
                os.environ["PATH"] = path
        for part in ("setting up uid map: Permission denied", "unprivileged_userns_clone", "--no-sandbox"):
            self.assertIn(part, str(refused.exception))

    def test_only_the_work_folder_is_writable(self):
        # A home under /home goes with it; one elsewhere is hidden on its own.
        for home in ("/home/author", "/srv/author"):
            with self.subTest(home=home), mock.patch.dict(os.environ, {"HOME": home}), \
                    mock.patch("os.path.isdir", return_value=True):
                line = sandbox.command(["true"], "/w", readable=["/data"], sockets=["/tmp/.X11-unix/X5"])
            binds = [line[i + 1] for i, w in enumerate(line) if w == "--bind"]
            self.assertEqual(["/w", "/tmp/.X11-unix/X5"], binds)
            hidden = [line[i + 1] for i, w in enumerate(line) if w == "--tmpfs"]
            for place in ("/tmp", home):
                self.assertTrue(any(place == h or place.startswith(h + "/") for h in hidden), (place, hidden))
            self.assertIn("--unshare-all", line)
            self.assertIn(["--setenv", "TMPDIR", "/tmp"], [line[i:i + 3] for i in range(len(line))])

    def test_the_runner_starts_again_inside_from_where_it_was_imported(self):
        # A run inside that finds no request: the runner itself started, and said so, with
        # no PYTHONPATH but the one it is given.
        try:
            sandbox.check()
        except sandbox.SandboxUnusable as e:
            self.skipTest(str(e))
        with tempfile.TemporaryDirectory() as work, tempfile.TemporaryFile("w+") as out, \
                mock.patch.dict(os.environ, PYTHONPATH=""):
            self.assertEqual(2, outer_run.sandboxed(["inside", work], work, out=out))
            out.seek(0)
            said = out.read()
        self.assertIn("bxdisc try: Wine failed: [Errno 2] No such file or directory", said)
        self.assertIn("request.json", said)

    def test_a_program_inside_cannot_reach_the_authors_terminal(self):
        # Run from a terminal, as the author runs try: the program inside has no controlling terminal,
        # and TIOCSTI types only into one's own.
        try:
            sandbox.check()
        except sandbox.SandboxUnusable as e:
            self.skipTest(str(e))
        probe = "import os\ntry:\n    os.open('/dev/tty', os.O_RDWR)\n    print('terminal')\nexcept OSError:\n    print('none')\n"
        with tempfile.TemporaryDirectory() as work:
            line = sandbox.command([sys.executable, "-c", probe], work)
            pid, terminal = pty.fork()
            if pid == 0:
                try:
                    os.execvp(line[0], line)
                finally:
                    os._exit(127)
            said = b""
            with contextlib.suppress(OSError):  # EIO once the terminal's last program has ended
                while chunk := os.read(terminal, 1024):
                    said += chunk
            os.close(terminal)
            self.assertEqual(0, os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), said)
        self.assertEqual("none", said.decode().strip())



class EngineLineTest(unittest.TestCase):
    """The runs inside the sandbox cannot see binfmt_misc: they say what the
    run outside found. Wine, its server and Xvfb are stand-ins."""

    STAND_INS = {
        "wine": b"#!/bin/sh\nexit 0\n",
        "wineserver": b"#!/bin/sh\nexit 0\n",
        "wineboot": b'#!/bin/sh\nmkdir -p "$WINEPREFIX/dosdevices"\n',
        "Xvfb": b"#!/bin/sh\necho 99 >&$2\nexec sleep 60\n",
    }

    class Said(Exception):
        pass

    def handed_in(self, outside_emulated: bool, tmp: str) -> list[list[str]]:
        """What try outside the sandbox hands to its runs inside: the making
        of the base prefix, then the launcher's run (its work folder kept)."""
        given: list[list[str]] = []
        staging = os.path.join(tmp, "staging")

        class Base:
            def __init__(self, make, say) -> None:
                self.make = make

            def copy_to(self, target: str, share_builtins: bool = False) -> None:
                os.makedirs(staging)
                self.make(staging)

        def sandboxed(argv: list[str], work: str, **kwargs: object) -> list[str]:
            # This package again, as bxdisc starts it, from the folders it was imported from.
            self.assertEqual([sys.executable, "-P", "-B", "-m", "bxdisc_try"], argv[:5])
            self.assertEqual({"PYTHONPATH": os.pathsep.join(outer_run.import_folders())}, kwargs["env"])
            words = argv[5:]
            if words[0] == "inside":
                # The outer run's work folder goes: the launcher's run gets a copy.
                kept = os.path.join(tmp, "work")
                os.makedirs(kept)
                shutil.copy(os.path.join(work, "request.json"), kept)
                words = ["inside", kept]
            given.append(words)
            return ["true"]
        with mock.patch.object(winerunner, "emulated", return_value=outside_emulated), \
                mock.patch.object(outer_run, "check_platform"), \
                mock.patch.object(outer_run, "make_view"), mock.patch.object(outer_run, "BasePrefix", Base), \
                mock.patch.object(outer_run, "linked_files", return_value=[]), \
                mock.patch.object(sandbox, "command", side_effect=sandboxed), \
                contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(0, try_main.run(request_of()))
        return given

    def engine_line(self, argv: list[str], tmp: str) -> str:
        """The runner's line on Wine, from a run inside with argv."""
        stand_ins = os.path.join(tmp, "bin")
        for name, script in self.STAND_INS.items():
            write(os.path.join(stand_ins, name), script)
            os.chmod(os.path.join(stand_ins, name), 0o755)

        def say(line: str) -> None:
            if line.startswith("Wine runs"):
                raise self.Said(line)
        with mock.patch.object(winerunner.host, "emulated", side_effect=AssertionError("binfmt_misc looked at")), \
                mock.patch.object(try_main, "say", say), \
                mock.patch.dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"]), \
                self.assertRaises(self.Said) as said:
            try_main.main(argv)
        return str(said.exception)

    def test_the_runs_inside_say_what_the_run_outside_found(self):
        for outside, line in ((True, "Wine runs emulated (qemu-user)"), (False, "Wine runs natively")):
            with self.subTest(outside=outside), tempfile.TemporaryDirectory() as tmp:
                runs = self.handed_in(outside, tmp)
                self.assertEqual(["make-base", "inside"], [argv[0] for argv in runs])
                self.assertEqual(outside, "--emulated" in runs[0])
                for argv in runs:
                    self.assertTrue(self.engine_line(argv, tmp).startswith(line))
                    # Sealed: no Z: drive onto the host.
                    self.assertEqual(["w:"], os.listdir(os.path.join(argv[1], "prefix", "dosdevices")))

    def test_the_dpi_is_set_before_the_launcher_runs_on_a_screen_it_fits(self) -> None:
        # --dpi, the X screen and the report; the registry as Wine reads it, then a new server.
        set_dpi = [r"wine C:\windows\system32\reg.exe add HKCU\Control Panel\Desktop /v LogPixels /t REG_DWORD /d {0} /f",
                   r"wine C:\windows\system32\reg.exe add "
                   r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts "
                   r"/v LogPixels /t REG_DWORD /d {0} /f",
                   "wineserver -k", "wineserver -w", "wineserver -p"]
        rows: list[tuple[str | None, str, list[str], str | None]] = [(None, "1024x768x24", [], None),
                ("120", "1024x768x24", set_dpi, "the screen: 120 DPI (125% scaling), 1024 x 768"),
                ("96", "1024x768x24", set_dpi, None),
                ("192", "2048x1536x24", set_dpi, "the screen: 192 DPI (200% scaling), 2048 x 1536")]
        for dpi, size, commands, line in rows:
            with self.subTest(dpi=dpi), tempfile.TemporaryDirectory() as tmp:
                log, out = os.path.join(tmp, "log"), io.StringIO()
                stand_ins = os.path.join(tmp, "bin")
                for name, script in self.STAND_INS.items():
                    write(os.path.join(stand_ins, name),
                          script.replace(b"\n", b'\nprintf "%s\\n" "${0##*/} $*" >> "$RUN_LOG"\n', 1))
                    os.chmod(os.path.join(stand_ins, name), 0o755)
                work = os.path.join(tmp, "work")
                write(os.path.join(work, "request.json"),
                      requests.dump(request_of(**({"dpi": int(dpi)} if dpi else {}))).encode())
                with mock.patch.dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"], RUN_LOG=log), \
                        mock.patch.object(winerunner.WineRunner, "map_drive", side_effect=self.Said), \
                        mock.patch.object(try_main, "say"), contextlib.redirect_stdout(out), \
                        self.assertRaises(self.Said):
                    try_main.main(["inside", work])
                with open(log) as f:
                    ran = f.read().splitlines()
                self.assertIn("Xvfb -displayfd", ran[0])
                self.assertIn(" -screen 0 %s " % size, ran[0])
                # Once the runner has started (its last step: the slowness measured), and before the
                # disc is mapped and the launcher run.
                started = max(i for i, command in enumerate(ran) if command.endswith("uidriver.exe echo"))
                self.assertEqual([c.format(dpi) for c in commands] + ["wineserver -k", "wineserver -w"],
                                 ran[started + 1:])
                self.assertEqual([line] if line else [], out.getvalue().splitlines())


class RunnerTest(unittest.TestCase):
    def test_a_request_not_from_bxdisc_is_refused(self):
        said = []
        with mock.patch.object(try_main, "say", said.append), \
                mock.patch.object(try_main.sys, "stdin", io.TextIOWrapper(io.BytesIO(b'{"format": 1}'))):
            self.assertEqual(2, try_main.main(["run"]))
        self.assertEqual(["not a request from bxdisc (buttons is not the front window's four ids): run bxdisc try"],
                         said)

    def test_a_runner_without_its_programs_names_them_and_the_build(self):
        with tempfile.TemporaryDirectory() as programs:
            write(os.path.join(programs, "uidriver.exe"), b"MZ")
            with mock.patch.object(outer_run.winerunner, "__file__", os.path.join(programs, "__init__.py")), \
                    mock.patch.object(outer_run.shutil, "which", return_value="/usr/bin/true"), \
                    mock.patch.object(outer_run.os.path, "exists",
                                      side_effect=lambda p: p == "/usr/lib/wine/wine" or os.path.isfile(p)), \
                    mock.patch.object(outer_run.winerunner, "runs_32bit", return_value=True):
                with self.assertRaises(try_main.outcome.Unusable) as refused:
                    outer_run.check_platform(request_of(no_sandbox=True))
                self.assertIn("(recstub.exe, msiquery.exe, verdll400.dll, verdll350.dll) are not in " + programs,
                              str(refused.exception))
                for name in outer_run.RUNNER_PROGRAMS:
                    write(os.path.join(programs, name), b"MZ")
                outer_run.check_platform(request_of(no_sandbox=True))

    def test_a_run_that_takes_screenshots_needs_imagemagick(self):
        def which(program):
            return None if program == "import" else "/usr/bin/" + program
        with mock.patch.object(outer_run.shutil, "which", which), \
                mock.patch.object(outer_run.os.path, "exists", return_value=True), \
                mock.patch.object(outer_run.winerunner, "runs_32bit", return_value=True):
            for options, needs in (({}, False), ({"screenshot": "s.png"}, True), ({"matrix": [], "html": "p"}, True),
                                   ({"matrix": [], "results": "r"}, True)):
                with self.subTest(options=options):
                    if needs:
                        with self.assertRaisesRegex(try_main.outcome.Unusable, "^import not installed; install with "
                                                    "apt-get install imagemagick$"):
                            outer_run.check_platform(request_of(no_sandbox=True, **options))
                    else:
                        outer_run.check_platform(request_of(no_sandbox=True, **options))

    def test_each_role_ends_with_its_status(self):
        said = []
        with mock.patch.object(try_main, "say", said.append), \
                mock.patch("bxdisc_try.matrix.run_matrix", return_value=1), \
                mock.patch("bxdisc_try.inner_run.run_inside", side_effect=try_main.outcome.Unusable("no Wine here")), \
                mock.patch.object(winerunner, "emulated", return_value=False):
            self.assertEqual(1, try_main.run(request_of(matrix=[])))
            self.assertEqual(2, try_main.main(["inside", "/nonexistent"]))
        self.assertEqual(["no Wine here"], said)
        with contextlib.redirect_stderr(io.StringIO()), self.assertRaises(SystemExit) as usage:
            try_main.main([])
        self.assertEqual(2, usage.exception.code)

    def test_an_interrupted_run_ends_its_sandbox(self):
        # A shell and its child stand in for the sandbox; the run is interrupted as it waits for them.
        with tempfile.TemporaryDirectory() as tmp:
            child = os.path.join(tmp, "child")

            def interrupt_once_up() -> None:
                deadline = time.monotonic() + 60
                while not os.path.exists(child) and time.monotonic() < deadline:
                    time.sleep(0.02)
                os.kill(os.getpid(), signal.SIGINT)
            self.addCleanup(signal.signal, signal.SIGINT, signal.signal(signal.SIGINT, signal.default_int_handler))
            shells = []
            threading.Thread(target=interrupt_once_up, daemon=True).start()
            with mock.patch.object(outer_run.sandbox, "command", return_value=["sh", "-c", WITH_CHILD, child]):
                with self.assertRaises(KeyboardInterrupt):
                    outer_run.sandboxed(["inside", "/nonexistent"], "/nonexistent",
                                        started=lambda running: shells.append(running.process.pid))
            self.assertEqual(1, len(shells))  # a matrix ends its runs through what it was handed
            self.assertTrue(all(ended(pid) for pid in shells + [int(read(child))]))

    def test_a_run_says_what_it_runs_and_an_unconfined_one_warns_first(self):
        for options, first in (({}, "bxdisc try: /d on win10"), ({"no_sandbox": True}, try_main.NO_SANDBOX)):
            with self.subTest(options=options), mock.patch.object(outer_run, "check_platform"), \
                    mock.patch.object(outer_run, "base_prefix"), \
                    mock.patch.object(outer_run, "run_disc", return_value=0), \
                    mock.patch.object(winerunner, "emulated", return_value=False), \
                    contextlib.redirect_stdout(io.StringIO()) as out:
                self.assertEqual(0, try_main.run(request_of(**options)))
            self.assertEqual(first, out.getvalue().splitlines()[0])
            self.assertEqual(bool(options), try_main.NO_SANDBOX in out.getvalue())

    def test_each_run_inside_is_planned_by_the_run_outside(self):
        # Its screenshot taken into the work folder under the author's name, and the display it runs on.
        planned = []

        def sandboxed(words, work, **kwargs):
            with open(os.path.join(work, "request.json")) as f:
                planned.append((work, requests.load(f.read()).plan))
            return 0
        rows = [({}, None, None, None), ({"screenshot": "a.png"}, "screenshot.png", os.path.abspath("a.png"), None),
                ({"show": True}, None, None, ":5")]
        with mock.patch.object(outer_run, "make_view"), mock.patch.object(outer_run, "linked_files", return_value=[]), \
                mock.patch.object(outer_run, "sandboxed", sandboxed), \
                mock.patch.object(outer_run.winerunner, "nested_display", return_value=(mock.Mock(), ":5")), \
                mock.patch.object(outer_run.winerunner, "stop_x_server"):
            for options, shot, name, display in rows:
                with self.subTest(options=options):
                    self.assertEqual(0, outer_run.run_disc(request_of(**options), lambda line: None, None))
                    work, plan = planned[-1]
                    self.assertEqual(("win10", shot and os.path.join(work, shot), name, display),
                                     (plan.system, plan.screenshot, plan.screenshot_as, plan.display))

    def test_a_sandbox_killed_by_a_signal_is_said(self):
        with mock.patch.object(outer_run, "make_view"), mock.patch.object(outer_run, "linked_files", return_value=[]), \
                mock.patch.object(outer_run, "sandboxed", return_value=-9), \
                self.assertRaises(try_main.outcome.Unusable) as refused:
            outer_run.run_disc(request_of(), lambda line: None, None)
        self.assertEqual("the run ended with signal 9", str(refused.exception))

    def test_a_nested_display_that_does_not_start_is_said(self):
        with mock.patch.object(outer_run, "make_view"), mock.patch.dict(os.environ, DISPLAY=":7"), \
                mock.patch.object(outer_run.winerunner, "nested_display",
                                  side_effect=winerunner.XServerFailed("no display number")), \
                self.assertRaises(try_main.outcome.Unusable) as refused:
            outer_run.run_disc(request_of(show=True), lambda line: None, None)
        self.assertEqual("Xephyr did not start on :7 (no display number)", str(refused.exception))

    def test_a_program_that_fails_under_the_runner_is_an_error(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
            for progress in (None, "failing"):
                with self.assertRaises(subprocess.CalledProcessError):
                    runner.run(["false"], timeout=10, progress=progress)


if __name__ == "__main__":
    unittest.main(verbosity=1)
