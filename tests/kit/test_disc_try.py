#!/usr/bin/env python3
"""try's runner script without Wine: the disc's view, what a package may
name, and what bxdisc hands on.

    python3 tests/kit/test_disc_try.py
"""
import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path[:0] = [os.path.join(ROOT, "winerunner"), os.path.join(ROOT, "kit", "try")]
sys.dont_write_bytecode = True
import disc_try  # noqa: E402


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
        limit, disc_try.COPY_LIMIT = disc_try.COPY_LIMIT, 8
        self.addCleanup(setattr, disc_try, "COPY_LIMIT", limit)

    def test_nothing_is_written_through_a_link(self):
        payload = os.path.join(self.tmp, "payload")
        write(os.path.join(payload, "setup32.exe"), b"MZ")
        write(os.path.join(payload, "data.cab"), b"a big payload")
        write(os.path.join(self.disc, "setup.exe"), b"MZ")
        write(os.path.join(self.disc, "BIG.EXE"), b"a big program")
        os.symlink("../payload", os.path.join(self.disc, "Setup"))
        os.symlink(".", os.path.join(self.disc, "loop"))
        disc_try.make_view(self.disc, self.view, ["Setup/setup32.exe", "BIG.EXE"], self.recorder)

        self.assertEqual(b"MZ", read(os.path.join(payload, "setup32.exe")))
        self.assertEqual(b"a big program", read(os.path.join(self.disc, "BIG.EXE")))
        self.assertFalse(os.path.islink(os.path.join(self.view, "Setup")))
        for stand_in in ("Setup/setup32.exe", "BIG.EXE"):
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
                    self.assertEqual(within, disc_try.lies_within(folder, os.path.join(prefix, rel)))


class ArgsTest(unittest.TestCase):
    def test_what_bxdisc_hands_on(self):
        args = disc_try.Args(["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4",
                              "--system=win98", "--show", "--timeout=9", "--", "-h", "a=b"])
        self.assertEqual(("win98", True, False, 9, ["-h", "a=b"]),
                         (args.system, args.show, args.installed, args.timeout, args.tail))
        self.assertEqual((None, None), (args.click, args.screenshot))
        plain = disc_try.Args(["--disc=d", "--launcher=setup.exe", "--buttons=1,2,3,4"])
        self.assertEqual(("winxp", None), (plain.system, plain.tail))


if __name__ == "__main__":
    unittest.main(verbosity=1)
