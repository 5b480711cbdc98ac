"""The UI driver ends the script at a step it cannot do as written, rather
than do something else and report it done."""

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


if __name__ == "__main__":
    unittest.main()
