#!/usr/bin/env python3
"""Checks of the built setup.exe that no run shows: its size on a slow disc,
and that it needs nothing beyond the DLLs of a bare Windows."""
import re
import subprocess
import sys
import unittest

SETUP = None
OBJDUMP = "i686-w64-mingw32-objdump"
BUDGET = 64 * 1024
# What every Windows from 95 on has in its system directory.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "version.dll", "comctl32.dll"}


def headers():
    return subprocess.run([OBJDUMP, "-p", SETUP], check=True, capture_output=True,
                          text=True).stdout


class SetupExeTest(unittest.TestCase):
    def test_size_within_budget(self):
        with open(SETUP, "rb") as f:
            size = len(f.read())
        print(f"setup.exe: {size} bytes ({size / 1024:.1f} KiB of {BUDGET // 1024} KiB)")
        self.assertLessEqual(size, BUDGET)

    def test_imports_only_system_dlls(self):
        dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", headers())}
        print("imports:", " ".join(sorted(dlls)))
        self.assertTrue(dlls)
        self.assertLessEqual(dlls, SYSTEM_DLLS, "a DLL a bare Windows lacks")

    def test_gui_program_without_symbols(self):
        text = headers()
        self.assertRegex(text, r"Subsystem\s+00000002")  # Windows GUI
        self.assertNotIn(".debug", subprocess.run([OBJDUMP, "-h", SETUP], check=True,
                                                  capture_output=True, text=True).stdout)


if __name__ == "__main__":
    SETUP = sys.argv.pop(1)
    unittest.main(verbosity=2)
