"""Start-up and the command line, end to end: what the launcher starts, with
which arguments and from where, and which messages it shows on the way."""

import os
import random
import unittest

import winebed

USAGE = "setup.exe [/autorun] [/a]"
NO_SETUP_EXE = "Could not find SetupExe in param file"

# Whether the front window exists. Until it does, the autorun path goes on
# to the setup program as if the window had ended with -1; once it does, the
# autorun cases choose install in it and expect what they expected before.
FRONT_WINDOW = True
FRONT_TITLE = "Brindle Product Setup"
THROUGH_FRONT_WINDOW = (["expect-window title=" + FRONT_TITLE, "click 102", "wait-gone"]
                        if FRONT_WINDOW else [])


def inf(**keys):
    """An Autorun.inf with the front window's keys (set one to None to leave
    it out) and the given BXPARAM keys."""
    return winebed.inf(dict(ProductName=FRONT_TITLE, AutorunBackdrop="backdrop.bmp",
                            AutorunButtons="buttons.bmp"),
                       head="[autorun]\nopen=setup.exe /autorun\n\n", **keys)


def shell_cmdline(path, params):
    """The command line Wine's ShellExecute gives the program it starts."""
    return '"%s"' % path + (" " + params if params else "")


def garbage(size):
    return random.Random(size).randbytes(size)


def huge_ini(size):
    """Well-formed sections and keys, none of them the launcher's."""
    out, n = bytearray(), 0
    while len(out) < size:
        out += b"[Section%d]\r\nSetupExe=other%d.exe\r\nLook4Title=Other %d\r\n" % (n, n, n)
        n += 1
    return bytes(out)


class LauncherCase(winebed.DiscCase):
    """One disc per test: setup.exe, the recording stub, and Autorun.inf."""

    def setUp(self):
        super().setUp()
        self.disc.add_bitmaps()

    def assertBox(self, record, text):
        self.assertEqual(
            (record["title"], record["text"], record["buttons"], record["icon"]),
            ("Setup", text, [1], "exclamation"), record)

    def assertExited(self, report, code=None):
        """The launcher ended by itself and showed no window it was not asked
        about. code is checked where the run ends on success (0)."""
        self.assertTrue(report.ok, report)
        if code is not None:
            self.assertEqual(report.first("wait-exit")["code"], code, report)

    def assertStartedWith(self, params, cwd="D:\\"):
        runs = self.disc.wait_runs()
        self.assertEqual(len(runs), 1, runs)
        self.assertEqual(runs[0]["cmdline"], shell_cmdline("D:\\recstub.exe", params))
        self.assertEqual(runs[0]["cwd"], cwd)

    def assertNothingStarted(self):
        self.assertEqual(self.disc.settled_runs(), [])

    def launch(self, tail, steps=(), autorun=False, **kwargs):
        """Runs the launcher; autorun says whether tail selects the autorun
        path, which passes the front window first."""
        return self.bed.launch(tail, (THROUGH_FRONT_WINDOW if autorun else []) + list(steps),
                               **kwargs)

    def forgetRuns(self, name="recstub.exe"):
        os.remove(os.path.splitext(self.disc.file(name))[0] + ".log")

    def launchAnswering(self, tail, texts, autorun=False, then=()):
        """Runs the launcher and answers one OK box per text, in order, then
        follows the steps then; the report shows any box beyond those."""
        steps = []
        for _ in texts:
            steps += ["expect-box", "answer IDOK"]
        report = self.launch(tail, steps + list(then), autorun)
        boxes = report.step("expect-box")
        self.assertEqual([b.get("text") for b in boxes], list(texts), report)
        for box, text in zip(boxes, texts):
            self.assertBox(box, text)
        return report


class SetupProgramTest(LauncherCase):
    def test_receives_the_tail_less_the_first_autorun_switch(self):
        cases = [
            # (command-line tail, selects autorun, what the setup program receives)
            ("", False, ""),
            ("/a", False, "/a"),
            ("/a  /b:c  ", False, "/a  /b:c  "),
            ("/autorun", True, ""),
            ("/autorun /a", True, " /a"),
            ("/AutoRun /x:Yz", True, " /x:Yz"),
            ("-autorun /a", True, " /a"),
            ("autorun /a", True, "autorun /a"),        # the bare word is not cut
            ("/a /AUTORUN", True, "/a "),
            ("-AUTORUN /AUTORUN", True, "-AUTORUN "),  # the slash form is looked for first
            ("/AUTORUN /autorun", True, " /autorun"),  # only the first goes
            ("x\t/autorun\ty", True, "x\t\ty"),
            ('"/autorun" /a', True, '"" /a'),
            ("/AUTORUNX", False, "X"),                  # cut although it is no option
        ]
        self.disc.autorun(inf(SetupExe="recstub.exe"))
        for tail, autorun, params in cases:
            with self.subTest(tail=tail):
                report = self.launch(tail, autorun=autorun)
                self.assertExited(report, code=0)
                runs = self.disc.wait_runs()
                self.assertEqual([r["cmdline"] for r in runs],
                                 [shell_cmdline("D:\\recstub.exe", params)])
                self.forgetRuns()

    def test_tail_follows_the_program_name_however_written(self):
        cases = [
            # (command line, selects autorun, what the setup program receives)
            ('"D:\\setup.exe" /a', False, "/a"),
            ('"D:\\setup.exe"/a', False, "/a"),
            ('D:\\setup.exe\t\t/a  ', False, "/a  "),
            ('"D:\\setup.exe" /autorun', True, ""),
            ("setup.exe /a", False, "/a"),
        ]
        self.disc.autorun(inf(SetupExe="recstub.exe"))
        for cmdline, autorun, params in cases:
            with self.subTest(cmdline=cmdline):
                # The application name is given apart, so the command line
                # can spell the program's name any way.
                report = self.bed.drive(["app D:\\setup.exe", "cmd " + cmdline, "dir D:\\", "start"]
                                        + (THROUGH_FRONT_WINDOW if autorun else [])
                                        + ["wait-exit"])
                self.assertExited(report, code=0)
                self.assertStartedWith(params)
                self.forgetRuns()

    def test_runs_in_the_launchers_working_directory(self):
        self.disc.autorun(inf(SetupExe="recstub.exe"))
        report = self.launch("/a", cwd="C:\\windows")
        self.assertExited(report, code=0)
        self.assertStartedWith("/a", cwd="C:\\windows")

    def test_path_is_relative_to_the_launcher_folder_as_written(self):
        cases = [
            # (SetupExe value, the program started)
            ("Setup Files\\Product Setup.exe", "D:\\Setup Files\\Product Setup.exe"),
            ('"Setup Files\\Product Setup.exe"', "D:\\Setup Files\\Product Setup.exe"),
            ("  bin\\Inst.exe  ", "D:\\bin\\Inst.exe"),
        ]
        for value, program in cases:
            with self.subTest(value=value):
                name = program[len("D:\\"):]
                self.disc.add_stub(name)
                self.disc.autorun(inf(SetupExe=value))
                report = self.launch("/a")
                self.assertExited(report, code=0)
                runs = self.disc.wait_runs(name)
                self.assertEqual([r["cmdline"] for r in runs], [shell_cmdline(program, "/a")])
                self.forgetRuns(name)

    def test_could_not_run_names_the_value_as_written(self):
        cases = [
            # (SetupExe value, the name in the message)
            ("missing.exe", "missing.exe"),
            ("sub\\missing.exe", "sub\\missing.exe"),
            ('"Missing Setup.exe"', "Missing Setup.exe"),
        ]
        for value, shown in cases:
            with self.subTest(value=value):
                self.disc.autorun(inf(SetupExe=value))
                report = self.launchAnswering("/a", ["Could not run " + shown])
                self.assertExited(report)
        self.assertNothingStarted()


class ParamFileTest(LauncherCase):
    """Whatever Autorun.inf holds, every value reads "" rather than failing."""

    CONTENTS = [
        # (what Autorun.inf is, its bytes (None: no file), whether it names
        # the front window's bitmaps)
        ("missing", None, False),
        ("empty", b"", False),
        ("without the section",
         inf().replace("[BXPARAM]", "[Other]") + "SetupExe=recstub.exe\n", False),
        ("without the key", inf(Look4Title="", SetupMSI="product.msi"), True),
        ("with an empty value", inf(SetupExe=""), True),
        ("binary garbage", garbage(4096), False),
        ("1 MB of other sections", huge_ini(1 << 20), False),
    ]

    def test_no_setup_program_named(self):
        for name, content, bitmaps in self.CONTENTS:
            for tail in ["", "/autorun"]:
                with self.subTest(autorun_inf=name, tail=tail):
                    path = self.disc.file("Autorun.inf")
                    if os.path.exists(path):
                        os.remove(path)
                    if content is not None:
                        self.disc.autorun(content)
                    if tail and FRONT_WINDOW and not bitmaps:
                        # No backdrop named: the path is the folder itself;
                        # the empty window that follows can only be closed.
                        report = self.launchAnswering(tail, ["Could not find D:\\"],
                                                      then=["expect-window", "close"])
                    else:
                        report = self.launchAnswering(tail, [NO_SETUP_EXE], autorun=bool(tail))
                    self.assertExited(report)
        self.assertNothingStarted()


class UsageTest(LauncherCase):
    def setUp(self):
        super().setUp()
        self.disc.autorun(inf(SetupExe="recstub.exe"))

    def test_help_shows_usage_once_and_runs_on(self):
        for tail in ["/?", "/h", "-H", "?"]:
            with self.subTest(tail=tail):
                report = self.launchAnswering(tail, [USAGE])
                self.assertExited(report, code=0)
                self.assertStartedWith(tail)
                self.forgetRuns()

    def test_l_without_value_is_rejected_and_runs_on(self):
        # The value is looked for in every argument from the L on. The quit
        # request that follows ends the front window at once, so the autorun
        # start goes on to setup without a choice.
        for tail in ["/L", "/l:", "-L", "/L:1033 /a", "/L:1033 /autorun"]:
            with self.subTest(tail=tail):
                report = self.launchAnswering(tail, ["Invalid parameters", USAGE])
                self.assertExited(report, code=0)
                self.assertStartedWith(tail.replace("/autorun", ""))
                self.forgetRuns()

    def test_other_switches_show_nothing(self):
        for tail in ["/L:1033", "/a:x", "/x", "/", '""', "/autorunx"]:
            with self.subTest(tail=tail):
                report = self.launch(tail)
                self.assertExited(report, code=0)
                self.assertEqual(len(self.disc.wait_runs()), 1)
                self.forgetRuns()


TITLE = "Brindle Product 2.0 - Untitled"


class ProductWindowTest(LauncherCase):
    """An autorun start brings an open product window forward instead."""

    def setUp(self):
        super().setUp()
        self.disc.autorun(inf(SetupExe="recstub.exe", Look4Title="BRINDLE product"))

    def window(self, title):
        report = self.bed.drive(["find-title " + title], kill=())
        self.assertTrue(report.ok, report)
        return report.first("find-title")

    def assertBroughtForward(self, title):
        w = self.window(title)
        self.assertEqual((w["visible"], w["zoomed"], w["iconic"], w["zvisible"]),
                         (True, True, False, 0), w)

    def assertUntouched(self, title):
        w = self.window(title)
        self.assertFalse(w["zoomed"], w)

    def test_matching_window_is_maximised_and_raised(self):
        for state in [None, "--minimized", "--hidden"]:
            with self.subTest(state=state), \
                    self.bed.show_window(TITLE, state), self.bed.show_window("Cover"):
                report = self.bed.launch("/autorun")
                self.assertExited(report, code=0)
                self.assertBroughtForward(TITLE)
        self.assertNothingStarted()

    def test_first_match_in_z_order_wins(self):
        with self.bed.show_window(TITLE + " (1)"), self.bed.show_window(TITLE + " (2)"):
            report = self.bed.launch("/autorun")
            self.assertExited(report, code=0)
            self.assertBroughtForward(TITLE + " (2)")
            self.assertUntouched(TITLE + " (1)")
        self.assertNothingStarted()

    def test_setup_runs_when_no_window_matches(self):
        cases = [
            # (open window's title, Look4Title, command-line tail)
            ("Brindle", "Brindle Product", "/autorun"),  # shorter than wanted
            ("Other Brindle Product", "Brindle Product", "/autorun"),
            (TITLE, "", "/autorun"),                     # empty: no search
            (TITLE, "Brindle Product", "/a"),            # searched only on autorun
        ]
        for title, wanted, tail in cases:
            with self.subTest(title=title, wanted=wanted, tail=tail), \
                    self.bed.show_window(title):
                self.disc.autorun(inf(SetupExe="recstub.exe", Look4Title=wanted))
                report = self.launch(tail, autorun=tail == "/autorun")
                self.assertExited(report, code=0)
                self.assertUntouched(title)
                self.assertEqual(len(self.disc.wait_runs()), 1)
                self.forgetRuns()


class InstallerWaitingTest(LauncherCase):
    """An autorun start stays silent while an installer waits for the disc."""

    def setUp(self):
        super().setUp()
        self.disc.autorun(inf(SetupExe="recstub.exe", Look4Title="Brindle Product"))

    def test_either_mutex_ends_the_run_silently(self):
        for name in ["__MsiPromptForCD", "__BXPromptForCD"]:
            with self.subTest(mutex=name), self.bed.hold_mutex(name):
                report = self.bed.launch("/autorun")
                self.assertExited(report, code=0)
        self.assertNothingStarted()

    def test_other_mutex_or_setup_start_goes_on(self):
        for name, tail in [("__OtherPromptForCD", "/autorun"), ("__MsiPromptForCD", "/a")]:
            with self.subTest(mutex=name, tail=tail), self.bed.hold_mutex(name):
                report = self.launch(tail, autorun=tail == "/autorun")
                self.assertExited(report, code=0)
                self.assertEqual(len(self.disc.wait_runs()), 1)
                self.forgetRuns()

    def test_product_window_comes_before_the_mutex(self):
        with self.bed.hold_mutex("__MsiPromptForCD"), self.bed.show_window(TITLE):
            report = self.bed.launch("/autorun")
            self.assertExited(report, code=0)
            w = self.bed.drive(["find-title " + TITLE], kill=()).first("find-title")
            self.assertTrue(w["zoomed"], w)
        self.assertNothingStarted()


if __name__ == "__main__":
    unittest.main()
