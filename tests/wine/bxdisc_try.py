#!/usr/bin/env python3
"""bxdisc try end to end: the authors' tool over the Wine runner, each run in
its own throwaway prefix.

    bxdisc_try.py BXDISC SETUP.EXE RUNNER_DIR
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import winebed

BXDISC, SETUP, RUNNER = (os.path.abspath(a) for a in sys.argv[1:4])
TRY = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                   "kit", "try")
REBOOT_NOW = ('message box "Setup": "Installation is in progress...\\nIt is now necessary to '
              'reboot the computer.\\nReboot now?" [Yes, No]')


def snapshot(top):
    """Every file below top, through links too, with its content."""
    def content(path):
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()
    return sorted((os.path.relpath(os.path.join(d, n), top), content(os.path.join(d, n)))
                  for d, _, names in os.walk(top, followlinks=True) for n in names)


class TryTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = tmp.name
        self.disc = os.path.join(self.tmp, "disc")
        os.makedirs(os.path.join(self.disc, "OLE"))
        # The setup program in a folder linked from elsewhere: the view must
        # not stand the recorder in through the link.
        os.makedirs(os.path.join(self.tmp, "payload"))
        os.symlink("../payload", os.path.join(self.disc, "Setup"))
        # bxdisc's data folder as an installation lays it out.
        self.data = os.path.join(self.tmp, "data")
        os.makedirs(self.data)
        shutil.copytree(TRY, os.path.join(self.data, "try"))
        os.symlink(RUNNER, os.path.join(self.data, "winerunner"))
        shutil.copy(SETUP, self.disc)
        w, h = winebed.FACE_SIZE
        files = {
            "back.bmp": winebed.bmp8(400, 240, [winebed.BACKDROP_RGB], lambda x, y: 0),
            "buttons.bmp": winebed.bmp8(5 * w, 4 * h, [winebed.face_rgb(r, f) for r in range(4)
                                                       for f in range(5)],
                                        lambda x, y: (y // h) * 5 + x // w),
            "Setup/Setup32.exe": b"MZ", "OLE/OLEAUT32.DLL": b"MZ"}
        for name, data in files.items():
            with open(os.path.join(self.disc, name), "wb") as f:
                f.write(data)

    def autorun(self, **keys):
        with open(os.path.join(self.disc, "Autorun.inf"), "w", newline="\r\n") as f:
            f.write(winebed.inf(dict(ProductName="Brindle Try", AutorunBackdrop="back.bmp",
                                     AutorunButtons="buttons.bmp", SetupExe="SETUP\\SETUP32.EXE",
                                     OleAut32_Win9X="OLE"), **keys))

    def bxdisc_try(self, *args):
        before = snapshot(self.disc)
        left = set(os.listdir(tempfile.gettempdir()))
        r = subprocess.run([BXDISC, "try", self.disc] + list(args), capture_output=True,
                           text=True, timeout=1800, env=dict(os.environ, BXDISC_DATA=self.data))
        self.assertEqual(before, snapshot(self.disc), "the author's folder is only read")
        self.assertEqual(set(), {n for n in set(os.listdir(tempfile.gettempdir())) - left
                                 if n.startswith("bxdisc-try-")})
        return r.returncode, r.stdout.splitlines(), r.stdout + r.stderr

    def test_windows98_update_install_and_restart(self):
        self.autorun()
        shot = os.path.join(self.tmp, "shot.png")
        status, lines, out = self.bxdisc_try("--system", "win98", "--oleaut32", "4.0",
                                             "--click", "install", "--screenshot", shot)
        self.assertEqual(0, status, out)
        for want in ['front window "Brindle Try", 400 x 240: buttons Install, Exit',
                     "  clicked Install", REBOOT_NOW, "  answered Yes",
                     '  D:\\Setup\\Setup32.exe: "D:\\SETUP\\SETUP32.EXE" in D:\\',
                     "  [rename]", "  NUL=C:\\windows\\system32\\OLEAUT32.DLL",
                     "rerun registered: RunOnce BX_SETUP_RERUN = D:\\setup.exe"]:
            self.assertIn(want, lines, out)
        self.assertTrue(any(line.startswith("restart asked for: yes") for line in lines), out)
        with open(shot, "rb") as f:
            self.assertEqual(b"\x89PNG", f.read(4))

    def test_missing_setup_program_is_an_error_message(self):
        self.autorun(SetupExe=None)
        status, lines, out = self.bxdisc_try("--", "/a")
        self.assertEqual(1, status, out)
        self.assertIn('message box "Setup": "Could not find SetupExe in param file" [OK]',
                      lines, out)
        self.assertIn("programs started: none", lines, out)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
