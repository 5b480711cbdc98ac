"""The launcher's package queries over Wine's own Msi.dll: packages built here
with wixl from tests/wine/msi, installed and removed with msiexec, asked
through msiquery.exe (the launcher's msi/ sources on their own) with the
driver watching that nothing shows a window."""

import json
import os
import shutil
import subprocess
import unittest

import winebed
from test_front_window import backdrop, strip

HERE = os.path.dirname(os.path.abspath(__file__))
WRITER_CODE = "{6E0A5A1C-57A1-4C3E-9B1D-0000000000A1}"
SUITE_CODE = "{6E0A5A1C-57A1-4C3E-9B1D-0000000000B1}"
PROGRAM_FILES = "C:\\Program Files\\"


@unittest.skipUnless(shutil.which("wixl"), "wixl builds the packages")
class PackageCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bed = winebed.bed()
        cls.packages = os.path.join(cls.bed.work, "packages")
        stage = os.path.join(cls.packages, "bin")
        os.makedirs(stage, exist_ok=True)
        for name in ("Writer.exe", "Alpha.exe", "Zeta.exe"):
            shutil.copy(cls.bed.tool("recstub.exe"), os.path.join(stage, name))
        with open(os.path.join(stage, "readme.txt"), "w") as f:
            f.write("read me\n")
        for name in ("writer", "suite"):
            # wixl takes sources relative to where it runs.
            subprocess.run(["wixl", "-D", "Bin=bin/", "-o", name + ".msi",
                            os.path.join(HERE, "msi", name + ".wxs")],
                           cwd=cls.packages, check=True, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def msiexec(self, switch, name):
        subprocess.run(["wine", "msiexec", switch, self.package(name), "/qn"], env=self.bed.env,
                       check=True, timeout=self.bed.scaled(60), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def install(self, name):
        self.msiexec("/i", name)
        self.addCleanup(self.msiexec, "/x", name)

    def package(self, name):
        return winebed.to_windows(os.path.join(self.packages, name + ".msi"))

    def query(self, package, exe_name=""):
        """What the launcher's package object answers, as a dict with open,
        product and exe; fails when the query shows any window."""
        disc = self.bed.new_disc()
        disc.autorun("[BXPARAM]\nSetupMSI=product.msi\nExeName=%s\n" % exe_name)
        out = os.path.join(disc.path, "query.json")
        report = self.bed.drive([
            "cmd \"%s\" D:\\query.json \"%s\" D:\\Autorun.inf"
            % (winebed.to_windows(self.bed.tool("msiquery.exe")), package),
            "start", "wait-exit 15000"], kill=("msiquery.exe",))
        self.assertTrue(report.ok, str(report))
        self.assertEqual(0, report.first("wait-exit")["code"], str(report))
        with open(out, "rb") as f:
            return json.loads(f.read().decode("ascii"))

    def read_package(self, name):
        with open(os.path.join(self.packages, name + ".msi"), "rb") as f:
            return f.read()


class PackageTest(PackageCase):
    """What the package object answers, installed or not, and for unusable packages."""

    def test_installed_program_is_found_until_the_product_is_removed(self):
        expected = PROGRAM_FILES + "Brindle Writer\\Writer.exe"
        before = self.query(self.package("writer"))
        self.assertEqual({"open": 1, "product": WRITER_CODE, "exe": ""}, before)

        self.msiexec("/i", "writer")
        try:
            for exe_name, found in [("", expected), ("writer.EXE", expected),
                                    ("iter.exe", expected), ("Other.exe", "")]:
                self.assertEqual(found, self.query(self.package("writer"), exe_name)["exe"],
                                 exe_name)
        finally:
            self.msiexec("/x", "writer")
        self.assertEqual(before, self.query(self.package("writer")))

    def test_first_program_in_shortcut_order_wins(self):
        self.install("suite")
        folder = PROGRAM_FILES + "Brindle Suite\\"
        for exe_name, found in [("", folder + "Zeta.exe"), ("Alpha.exe", folder + "Alpha.exe"),
                                ("readme.txt", "")]:
            self.assertEqual(found, self.query(self.package("suite"), exe_name)["exe"], exe_name)

    def test_deleted_program_is_still_named_by_the_package(self):
        self.install("writer")
        program = os.path.join(self.bed.prefix, "drive_c", "Program Files", "Brindle Writer",
                               "Writer.exe")
        os.remove(program)
        self.assertEqual(PROGRAM_FILES + "Brindle Writer\\Writer.exe",
                         self.query(self.package("writer"))["exe"])

    def test_unusable_package_files_answer_empty_quietly(self):
        files = {"empty.msi": b"", "text.msi": b"[BXPARAM]\r\nnot a package\r\n",
                 "cut.msi": self.read_package("writer")[:4096]}
        for name, content in files.items():
            with open(os.path.join(self.packages, name), "wb") as f:
                f.write(content)
        for name in ["missing.msi"] + sorted(files):
            path = winebed.to_windows(os.path.join(self.packages, name))
            self.assertEqual({"open": 0, "product": "", "exe": ""}, self.query(path), name)

    def test_without_the_installer_library_nothing_is_found(self):
        self.install("writer")
        key = r"HKCU\Software\Wine\AppDefaults\msiquery.exe\DllOverrides"
        self.bed.reg_set(key, "msi", "")  # disabled: the library does not load
        try:
            self.assertEqual({"open": 0, "product": "", "exe": ""},
                             self.query(self.package("writer")))
        finally:
            self.bed.reg_delete(r"HKCU\Software\Wine\AppDefaults\msiquery.exe")


class RunInstalledProductTest(PackageCase):
    """The front window's Run button, through start-up, to the installed program."""

    def disc_with_writer(self):
        disc = self.bed.new_disc()
        disc.write("art\\back.bmp", backdrop())
        disc.write("art\\buttons.bmp", strip())
        disc.write("writer.msi", self.read_package("writer"))
        disc.autorun("[BXPARAM]\nProductName=Brindle Writer\nAutorunBackdrop=art\\back.bmp\n"
                     "AutorunButtons=art\\buttons.bmp\nSetupMSI=writer.msi\nExeName=Writer.exe\n"
                     "SetupExe=recstub.exe\n")
        disc.add_stub()
        return disc

    def test_run_starts_the_installed_program(self):
        program = os.path.join(self.bed.prefix, "drive_c", "Program Files", "Brindle Writer",
                               "Writer.exe")
        self.install("writer")
        # Removing the product leaves the program's log, so a kept prefix may hold one.
        if os.path.exists(winebed.recorder_log(program)):
            os.remove(winebed.recorder_log(program))
        disc = self.disc_with_writer()
        report = self.bed.launch("/autorun", ["expect-window 10000", "click 100"])
        self.assertTrue(report.ok, str(report))
        runs = self.bed.wait_runs(program)
        self.assertEqual(1, len(runs), str(report))
        self.assertEqual([], disc.settled_runs(), "setup is not started")

    def test_removed_product_offers_install(self):
        disc = self.disc_with_writer()
        report = self.bed.launch("/autorun", ["expect-window 10000", "children", "click 103"])
        self.assertTrue(report.ok, str(report))
        visible = [c["id"] for c in report.first("children")["children"] if c["visible"]]
        self.assertNotIn(100, visible)
        self.assertIn(102, visible)
        self.assertEqual([], disc.settled_runs())


if __name__ == "__main__":
    unittest.main()
