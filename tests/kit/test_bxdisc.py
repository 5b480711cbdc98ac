#!/usr/bin/env python3
"""bxdisc from its command line: exit statuses, the demo disc, both previews
and the disc image's round trip through xorriso.

    python3 tests/kit/test_bxdisc.py PATH/TO/bxdisc
"""
import filecmp
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BXDISC = None


def bxdisc(*args):
    return subprocess.run([BXDISC, *args], capture_output=True, text=True, timeout=120)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def demo_disc(folder):
    """The demo disc as scripts/demo.sh lays it out, the Windows programs
    stood in for by placeholders."""
    shutil.copy(os.path.join(ROOT, "demo", "Autorun.inf"), folder)
    for name in ("setup.exe", "DemoSetup.exe"):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"MZ")
    subprocess.run([sys.executable, os.path.join(ROOT, "demo", "make_art.py"), folder], check=True)
    subprocess.run(["wixl", "-D", "Program=DemoSetup.exe", "-o", "BrindleDemo.msi",
                    os.path.join(ROOT, "demo", "BrindleDemo.wxs")],
                   cwd=folder, check=True, capture_output=True)


@unittest.skipUnless(shutil.which("wixl"), "wixl builds the demo package")
class DemoDiscTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.disc = os.path.join(cls.tmp.name, "disc")
        os.mkdir(cls.disc)
        demo_disc(cls.disc)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_check_is_clean(self):
        r = bxdisc("check", self.disc)
        self.assertEqual((0, ""), (r.returncode, r.stdout), r.stderr)

    def test_previews_of_both_states(self):
        shots = {}
        for state in ("installed", "not-installed"):
            out = os.path.join(self.tmp.name, state + ".png")
            r = bxdisc("preview", self.disc, out, *(["--installed"] if state == "installed" else []))
            self.assertEqual(0, r.returncode, r.stderr)
            self.assertEqual((540, 340), png_size(out))
            with open(out, "rb") as f:
                shots[state] = f.read()
        self.assertNotEqual(shots["installed"], shots["not-installed"])

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_image_round_trip(self):
        iso = os.path.join(self.tmp.name, "demo.iso")
        r = bxdisc("image", self.disc, iso, "--label", "BRINDLE_DEMO")
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        out = os.path.join(self.tmp.name, "extracted")
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", iso, "-extract", "/", out],
                       check=True, capture_output=True)
        names = sorted(os.listdir(self.disc))
        self.assertEqual(names, sorted(os.listdir(out)))
        _, mismatch, errors = filecmp.cmpfiles(self.disc, out, names, shallow=False)
        self.assertEqual(([], []), (mismatch, errors))
        # Windows reads the Joliet tree: long names with their case.
        joliet = subprocess.run(["xorriso", "-rockridge", "off", "-joliet", "on", "-indev", iso,
                                 "-find", "/", "-type", "f"], capture_output=True, text=True)
        self.assertIn("'/BrindleDemo.msi'", joliet.stdout)
        pvd = subprocess.run(["xorriso", "-indev", iso, "-pvd_info"], capture_output=True, text=True)
        self.assertRegex(pvd.stdout, r"Volume Id\s*: BRINDLE_DEMO")


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.disc = self.tmp.name

    def write(self, name, data):
        with open(os.path.join(self.disc, name), "wb") as f:
            f.write(data)

    def test_exit_statuses(self):
        self.write("setup.exe", b"MZ")
        cases = [
            (("check", os.path.join(self.disc, "absent")), 2),
            (("check",), 2),
            (("check", self.disc, "--bogus"), 2),
            (("check", self.disc), 1),
        ]
        for args, status in cases:
            with self.subTest(args=args):
                self.assertEqual(status, bxdisc(*args).returncode)

    def test_bad_input_gives_findings_not_a_crash(self):
        self.write("setup.exe", b"MZ")
        cases = [
            (None, "Autorun.inf: missing"),
            (bytes(range(256)) * 64, "[BXPARAM]: missing"),
            (b"[BXPARAM]\r\nSetupExe=setup.exe\r\nSetupMSI=setup.exe\r\n", "does not open as an installer package"),
            (b"[BXPARAM]\r\nSetupExe=setup.exe\r\nAutorunBackdrop=empty.bmp\r\n", "AutorunBackdrop: \"empty.bmp\": the file is empty"),
        ]
        self.write("empty.bmp", b"")
        for inf, finding in cases:
            with self.subTest(finding=finding):
                if inf is not None:
                    self.write("Autorun.inf", inf)
                r = bxdisc("check", self.disc)
                self.assertEqual(1, r.returncode, r.stderr)
                self.assertIn(finding, r.stdout)

    def test_no_image_of_a_disc_with_findings(self):
        iso = os.path.join(self.tmp.name, "out.iso")
        self.write("setup.exe", b"MZ")
        r = bxdisc("image", self.disc, iso, "--label", "DISC")
        self.assertEqual(1, r.returncode)
        self.assertIn("Autorun.inf: missing", r.stdout)
        self.assertFalse(os.path.exists(iso))
        self.assertEqual(2, bxdisc("image", self.disc, iso, "--label", "not a label").returncode)

    def test_no_preview_without_a_backdrop(self):
        self.write("setup.exe", b"MZ")
        self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
        png = os.path.join(self.tmp.name, "p.png")
        self.assertEqual(1, bxdisc("preview", self.disc, png).returncode)
        self.assertFalse(os.path.exists(png))


if __name__ == "__main__":
    BXDISC = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
