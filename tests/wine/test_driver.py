"""The UI driver ends the script at a step it cannot do as written, rather
than do something else and report it done; it follows the program it
started, and leaves nothing of it behind, however the script ends."""

import unittest

import winebed
from winerunner.driver import Record

IDOK, IDCANCEL = 1, 2

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

# Steps on a window whose program takes no more messages: each reports it
# rather than wait on it.
ON_A_HUNG_WINDOW = ["click IDOK", "children", "close", "answer IDOK"]


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

    def test_a_hung_window_does_not_hang_a_step(self) -> None:
        for step in ON_A_HUNG_WINDOW:
            with self.subTest(step):
                report = self.bed.drive(["cmd %s hung --hung" % self.show, "start", "expect-window", step], kill=())
                record = report.first(step.split()[0])
                self.assertEqual((record.get("error"), record["ok"]), ("not responding", False), report)
                self.assertTrue(report.first("kill")["was_running"], report)


def members(records: list[Record], key: str) -> list[tuple[int, str, int | None]]:
    """The processes the records list under key, as (pid, image, code), sorted."""
    return sorted((m["pid"], m["image"], m.get("code")) for r in records for m in r[key])


class FamilyTest(unittest.TestCase):
    """A setup that hands over, as family.exe does: the started program
    shows nothing, starts a child that asks in a box, and ends; the child,
    on OK, starts a grandchild with a window and ends too."""

    def setUp(self) -> None:
        self.bed = winebed.bed()
        family, show = (winebed.to_windows(self.bed.tool(name)) for name in ("family.exe", "showwindow.exe"))
        self.family = family
        self.start = ["cmd %s - 5 %s child 7 %s grandchild --button" % (family, family, show), "start"]

    def test_follow_family_reports_each_new_window_and_every_exit(self) -> None:
        report = self.bed.drive(self.start + ["follow-family 20000", "children", "click IDOK", "follow-family 20000",
                                              "children", "follow-family 1000", "kill-family", "follow-family 20000"],
                                timeout=120, kill=("family.exe", "showwindow.exe"))
        root = report.first("start")["pid"]
        follows = report.step("follow-family")
        self.assertEqual([(f["ended"], f["moved"], f.get("title"), f.get("image"), f["ok"]) for f in follows],
                         [(False, True, "child", "family.exe", True), (False, True, "grandchild", "showwindow.exe", True),
                          (False, False, None, None, True), (True, True, None, None, True)], report)
        child, grandchild, stuck, ended = follows
        self.assertEqual((child["box"], child["buttons"], child["icon"], grandchild["box"]),
                         (True, [IDOK, IDCANCEL], "question", False))
        self.assertEqual(len({root, child["pid"], grandchild["pid"]}), 3, report)
        # the box's own default (Cancel); a window's button drawn as the default
        self.assertEqual([c["default"] for c in report.step("children")], [IDCANCEL, IDOK], report)
        self.assertEqual([(w["title"], w["image"], w["pid"]) for w in stuck["windows"]],
                         [("grandchild", "showwindow.exe", grandchild["pid"])])
        self.assertEqual([members([r], "running") for r in (stuck, ended)],
                         [[(grandchild["pid"], "showwindow.exe", None)], []])
        self.assertEqual(members([report.first("kill-family")], "killed"),
                         [(grandchild["pid"], "showwindow.exe", None)])
        # each exit once, whichever record it came in
        self.assertEqual(members(follows, "exits"), sorted([(root, "family.exe", 5), (child["pid"], "family.exe", 7),
                                                            (grandchild["pid"], "showwindow.exe", 9)]))
        self.assertTrue(report.ok, report)

    def test_a_failed_step_ends_the_family(self) -> None:
        report = self.bed.drive(self.start + ["follow-family 20000", "click IDOK", "follow-family 20000", "click 99"],
                                timeout=120, kill=())
        self.assertEqual(report.step("follow-family")[-1].get("title"), "grandchild", report)
        self.assertEqual(self.bed.drive(["find-title grandchild"], kill=()).first("find-title").get("error"),
                         "not found")

    def test_a_crash_is_an_exit_code_not_a_dialog(self) -> None:
        report = self.bed.drive(["cmd %s - crash" % self.family, "start", "follow-family 20000"], timeout=60,
                                kill=("family.exe",))
        follow = report.first("follow-family")
        self.assertEqual((follow["ended"], members([follow], "exits")),
                         (True, [(report.first("start")["pid"], "family.exe", 0xC000001D)]), report)


if __name__ == "__main__":
    unittest.main()
