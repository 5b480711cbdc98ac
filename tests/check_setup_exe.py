#!/usr/bin/env python3
"""Checks of the built setup.exe that no run shows: its size on a slow disc,
and that it needs nothing beyond the DLLs of a bare Windows."""
import re
import struct
import subprocess
import sys
import unittest
from xml.etree import ElementTree

SETUP = None
OBJDUMP = "i686-w64-mingw32-objdump"
BUDGET = 34 * 1024
# What every Windows from 95 on has in its system directory.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "version.dll", "comctl32.dll"}


def resources():
    """{(type id, name id): bytes} from the PE resource directory."""
    with open(SETUP, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    rsrc_rva = struct.unpack_from("<I", data, pe + 24 + 112)[0]  # data directory 2
    for i in range(sections):
        va, raw_size, raw = struct.unpack_from("<4xIII", data, pe + 24 + optional_size + 40 * i + 8)
        if va <= rsrc_rva < va + raw_size:
            base = raw + rsrc_rva - va
            delta = raw - va

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", data, base + offset)
        for j in range(named + ids):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * j)

    found = {}
    for type_id, types in entries(0):
        for name_id, names in entries(types & 0x7FFFFFFF):
            for _, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(type_id, name_id)] = data[rva + delta:rva + delta + size]
    return found


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

    def test_layout_every_loader_takes_with_aslr_and_nx(self):
        text = headers()
        # Windows 9x maps a file only in 512-byte blocks and 4 KiB pages.
        self.assertRegex(text, r"FileAlignment\s+00000200")
        self.assertRegex(text, r"SectionAlignment\s+00001000")
        self.assertIn("DYNAMIC_BASE", text)
        self.assertIn("NX_COMPAT", text)
        # Without relocations a moved image cannot load: no ASLR after all.
        relocs = re.search(r"Entry 5 [0-9a-f]{8} ([0-9a-f]{8}) Base Relocation", text)
        self.assertTrue(relocs and int(relocs.group(1), 16), "no base relocations")


class ResourceTest(unittest.TestCase):
    def test_manifest_runs_as_invoker_dpi_aware_on_every_system_since_vista(self):
        manifest = resources().get((24, 1))  # RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID
        self.assertIsNotNone(manifest, "no manifest")
        root = ElementTree.fromstring(manifest)
        level = root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
        self.assertEqual(level.get("level"), "asInvoker")
        # System-aware: per-monitor awareness would need WM_DPICHANGED.
        aware = root.findall(".//{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual([a.text for a in aware], ["true"])
        self.assertNotIn(b"dpiAwareness", manifest)
        systems = {s.get("Id") for s in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
        self.assertEqual(systems, {
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
        })
        # Carried packed: no comment, no blank between elements, none at the ends.
        self.assertIsNone(re.search(rb"<!--|>\s+<|^\s|\s$", manifest), manifest)

    def test_front_window_icon_and_template(self):
        found = resources()
        group = found.get((14, 128))  # RT_GROUP_ICON
        self.assertIsNotNone(group, "no icon 128")
        count = struct.unpack_from("<H", group, 4)[0]
        images = [struct.unpack_from("<BBB", group, 6 + 14 * i) for i in range(count)]
        self.assertEqual(sorted(images), [(16, 16, 16), (32, 32, 16)])  # width, height, colours
        template = found.get((5, 129))  # RT_DIALOG
        self.assertIsNotNone(template, "no dialog 129")
        style, ex_style, controls, x, y, cx, cy = struct.unpack_from("<IIHhhhh", template)
        self.assertEqual(style, 0x90C800C0)  # popup, visible, caption, sysmenu, modal frame, set font
        self.assertEqual((ex_style, controls, x, y, cx, cy), (0, 0, 0, 0, 258, 130))


if __name__ == "__main__":
    SETUP = sys.argv.pop(1)
    unittest.main(verbosity=2)
