"""The UI driver ends the script at a step it cannot do as written, rather
than do something else and report it done; it follows the program it
started, and leaves nothing of it behind, however the script ends."""

import unittest

import winebed

# (steps, the last refused as step and error); those before it succeed
REFUSED = [
    (["echo ready", "key ENTER"], "key", "bad keys"),
    (["key SHIFT+a+b+c+d"], "key", "bad keys"),
    (["mouse-click 100"], "mouse-click", "bad point"),
    (["pixel 1 2", "pixel 1 2 3"], "pixel", "bad point"),
    (["cmd " + "x" * 5000], "cmd", "too long"),
    (["echo " + "x" * 9000], "script", "line too long"),
]


class RefusedStepTest(unittest.TestCase):
    def test_a_step_not_done_as_written_fails_and_ends_the_script(self):
        for steps, step, error in REFUSED:
            with self.subTest(steps[-1][:20]):
                report = winebed.bed().drive(steps, kill=())
                self.assertEqual([(r["step"], r.get("error"), r["ok"]) for r in report],
                                 [(s.split()[0], None, True) for s in steps[:-1]]
                                 + [(step, error, False), ("done", None, False)], report)


# A program that ends at once (exit code 3), then a step that waits on it:
# (step, its record's error, ok)
EXITS = [
    ("wait-exit", None, True),
    ("follow", None, True),
    ("expect-window", "exited", False),
]

# A window that stays (showwindow.exe), then steps that end the script:
# (steps after start, total seconds, images to end, records after start)
ENDINGS = [
    # a failed step lists the program's windows, then ends it
    (["expect-window", "window-pixel 1 1", "click 99"], 30.0, (),
     [("expect-window", True), ("window-pixel", True), ("click", False), ("left-window", True),
      ("kill", True), ("done", False)]),
    # a script that ends well leaves the program to -k
    (["expect-window"], 30.0, ("showwindow.exe",),
     [("expect-window", True), ("killed-leftover", True), ("done", True)]),
    # the total time runs out
    (["sleep 600000"], 1.0, (), [("watchdog", False)]),
]


class StartedProgramTest(unittest.TestCase):
    def setUp(self) -> None:
        self.bed = winebed.bed()
        self.show = winebed.to_windows(self.bed.tool("showwindow.exe"))

    def test_steps_see_the_started_programs_exit_code(self) -> None:
        for step, error, ok in EXITS:
            with self.subTest(step):
                report = self.bed.drive(["cmd cmd /c exit 3", "start", step], kill=())
                record = report.first(step)
                self.assertEqual((record.get("error"), record.get("code"), record["ok"]), (error, 3, ok), report)

    def test_another_programs_window_is_not_the_started_ones(self) -> None:
        with self.bed.show_window("another"):
            report = self.bed.drive(["cmd %s mine" % self.show, "start", "expect-window", "close",
                                     "wait-exit"], kill=())
        self.assertEqual(report.first("expect-window")["title"], "mine", report)
        self.assertTrue(report.ok, report)

    def test_nothing_started_outlives_the_script(self) -> None:
        for i, (steps, timeout, kill, records) in enumerate(ENDINGS):
            title = "ending%d" % i
            with self.subTest(records[-1][0]):
                report = self.bed.drive(["cmd %s %s" % (self.show, title), "start"] + steps,
                                        timeout=timeout, kill=kill)
                self.assertEqual([(r["step"], r["ok"]) for r in report], [("start", True)] + records, report)
                self.assertEqual(self.bed.drive(["find-title " + title], kill=()).first("find-title").get("error"),
                                 "not found")


if __name__ == "__main__":
    unittest.main()
