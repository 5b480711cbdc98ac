#!/usr/bin/env python3
"""try's runner script without Wine: the disc's view, what a package may
name, and what bxdisc hands on.

    python3 tests/kit/test_disc_try.py
"""
import contextlib
import io
import os
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path[:0] = [os.path.join(ROOT, "winerunner"), os.path.join(ROOT, "kit", "try")]
sys.dont_write_bytecode = True
import base_prefix  # noqa: E402
import disc_try  # noqa: E402
import disc_view  # noqa: E402
import launcher_run  # noqa: E402
import sandbox  # noqa: E402
import screen  # noqa: E402
import winerunner  # noqa: E402
from test_bxdisc import snapshot  # noqa: E402


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
                    self.assertEqual(within, launcher_run.lies_within(folder, os.path.join(prefix, rel)))


class ArgsTest(unittest.TestCase):
    def test_what_bxdisc_hands_on(self):
        args = disc_try.Args(["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4",
                              "--system=win98", "--show", "--timeout=9", "--", "-h", "a=b"])
        self.assertEqual(("win98", True, False, 9, ["-h", "a=b"]),
                         (args.system, args.show, args.installed, args.timeout, args.tail))
        self.assertEqual((None, None), (args.click, args.screenshot))
        plain = disc_try.Args(["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4"])
        self.assertEqual(("win10", None, False), (plain.system, plain.tail, plain.no_sandbox))


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
        of the base prefix, then the launcher's run."""
        given: list[list[str]] = []
        staging = os.path.join(tmp, "staging")

        class Base:
            def __init__(self, make, say) -> None:
                self.make = make

            def copy_to(self, target: str, share_builtins: bool = False) -> None:
                os.makedirs(staging)
                self.make(staging)
        with mock.patch.object(winerunner, "emulated", return_value=outside_emulated), \
                mock.patch.object(disc_try, "check_platform"), mock.patch.object(sandbox, "check"), \
                mock.patch.object(disc_try, "make_view"), mock.patch.object(disc_try, "BasePrefix", Base), \
                mock.patch.object(disc_try, "linked_files", return_value=[]), \
                mock.patch.object(sandbox, "command",
                                  side_effect=lambda argv, *a, **k: given.append(argv[2:]) or ["true"]):
            argv = ["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4"]
            self.assertEqual(0, disc_try.try_disc(argv, disc_try.Args(argv)))
        # The outer run's work folder is gone: the launcher's run gets one of its own.
        inside = "--inside=" + os.path.join(tmp, "work")
        return [[inside if w.startswith("--inside=") else w for w in g] for g in given]

    def engine_line(self, argv: list[str], tmp: str) -> str:
        """The runner's line on Wine, from a run inside with argv."""
        stand_ins = os.path.join(tmp, "bin")
        for name, script in self.STAND_INS.items():
            write(os.path.join(stand_ins, name), script)
            os.chmod(os.path.join(stand_ins, name), 0o755)

        def say(line: str) -> None:
            if line.startswith("Wine runs"):
                raise self.Said(line)
        with mock.patch.object(winerunner, "emulated", side_effect=AssertionError("binfmt_misc looked at")), \
                mock.patch.object(disc_try, "say", say), \
                mock.patch.dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"]), \
                self.assertRaises(self.Said) as said:
            disc_try.main(argv)
        return str(said.exception)

    def test_the_runs_inside_say_what_the_run_outside_found(self):
        for outside, line in ((True, "Wine runs emulated (qemu-user)"), (False, "Wine runs natively")):
            with self.subTest(outside=outside), tempfile.TemporaryDirectory() as tmp:
                runs = self.handed_in(outside, tmp)
                places = [next(w.split("=") for w in argv if w.startswith(("--make-base=", "--inside=")))
                          for argv in runs]
                self.assertEqual(["--make-base", "--inside"], [kind for kind, _ in places])
                for argv, (_, place) in zip(runs, places):
                    self.assertTrue(self.engine_line(argv, tmp).startswith(line))
                    # Sealed: no Z: drive onto the host.
                    self.assertEqual(["w:"], os.listdir(os.path.join(place, "prefix", "dosdevices")))

    def test_the_dpi_is_set_before_the_launcher_runs_on_a_screen_it_fits(self) -> None:
        # --dpi, the X screen and the report; the registry as Wine reads it, then a new server.
        set_dpi = [r"wine reg add HKCU\Control Panel\Desktop /v LogPixels /t REG_DWORD /d {0} /f",
                   r"wine reg add HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts "
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
                argv = ["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4", "--emulated=no",
                        "--inside=" + os.path.join(tmp, "work")] + (["--dpi=" + dpi] if dpi else [])
                with mock.patch.dict(os.environ, PATH=stand_ins + os.pathsep + os.environ["PATH"], RUN_LOG=log), \
                        mock.patch.object(winerunner.WineRunner, "map_drive", side_effect=self.Said), \
                        mock.patch.object(disc_try, "say"), contextlib.redirect_stdout(out), \
                        self.assertRaises(self.Said):
                    disc_try.main(argv)
                with open(log) as f:
                    ran = f.read().splitlines()
                self.assertIn("Xvfb -displayfd", ran[0])
                self.assertIn(" -screen 0 %s " % size, ran[0])
                # Once the runner has started, and before the disc is mapped and the launcher run.
                started = ran.index(r"wine reg add HKCU\Software\Wine\X11 Driver /v Managed /t REG_SZ /d N /f")
                self.assertEqual([c.format(dpi) for c in commands] + ["wineserver -k", "wineserver -w"],
                                 ran[started + 1:])
                self.assertEqual([line] if line else [], out.getvalue().splitlines())


class FollowTest(unittest.TestCase):
    """The follow loop and its helpers against what the driver reports, without Wine."""

    def test_the_launcher_gets_its_timeout_or_thirty_seconds(self):
        for timeout, line in ((None, "follow 30000"), (5, "follow 5000")):
            asked = []

            def step(text, wait=5.0):
                asked.append(text)
                return [{"step": "follow", "ok": True, "ended": True, "code": 0}]
            args = mock.Mock(buttons="100,101,102,103", timeout=timeout)
            run = launcher_run.Run(mock.Mock(slowness=1.0), args, launcher_run.Report())
            with contextlib.redirect_stdout(io.StringIO()):
                self.assertTrue(run.follow(mock.Mock(step=step)))
            self.assertEqual([line], asked)

    def test_a_command_line_too_long_for_the_driver_says_so(self):
        def step(text, wait=5.0):
            return [{"step": "cmd", "max": 4095, "error": "too long", "ok": False}, {"step": "done", "ok": False}]
        args = mock.Mock(buttons="100,101,102,103", tail=["x" * 5000], launcher="setup.exe")
        run = launcher_run.Run(mock.Mock(), args, launcher_run.Report())
        with contextlib.redirect_stdout(io.StringIO()), self.assertRaises(launcher_run.Unusable) as refused:
            run.start(mock.Mock(step=step))
        self.assertEqual("the launcher's command line is 5013 characters, and Wine's driver takes 4095 at most",
                         str(refused.exception))

    def test_the_backdrop_is_found_at_the_last_place_the_frame_leaves(self):
        width = 6
        rgb = bytearray(3 * width * 4)
        for x, y, colour in ((4, 2, b"\xff\0\0"), (5, 3, b"\0\0\xff")):
            rgb[3 * (y * width + x):3 * (y * width + x) + 3] = colour
        backdrop = (2, 2, [(0, 0, (255, 0, 0)), (1, 1, (0, 0, 255))])
        with mock.patch.object(screen, "screen", return_value=(width, bytes(rgb))):
            self.assertEqual((4, 2), screen.find_backdrop((1, 0, 5, 4), backdrop))
            self.assertIsNone(screen.find_backdrop((0, 0, 5, 3), backdrop))

    def test_an_interrupted_run_ends_its_sandbox(self):
        p = mock.MagicMock()
        p.__enter__.return_value = p
        p.wait.side_effect = KeyboardInterrupt
        p.poll.return_value = None
        with mock.patch.object(disc_try.subprocess, "Popen", return_value=p), \
                mock.patch.object(disc_try.sandbox, "command", return_value=["bwrap"]):
            with self.assertRaises(KeyboardInterrupt):
                disc_try.sandboxed(["--disc=x"], "/nonexistent", False)
        p.kill.assert_called_once_with()

    def test_a_program_that_fails_under_the_runner_is_an_error(self):
        with tempfile.TemporaryDirectory() as tmp:
            runner = winerunner.WineRunner(work_dir=tmp, say=lambda line: None)
            for progress in (None, "failing"):
                with self.assertRaises(subprocess.CalledProcessError):
                    runner.run(["false"], timeout=10, progress=progress)


if __name__ == "__main__":
    unittest.main(verbosity=1)
