"""System prerequisites end to end, on emulated Windows 95 and 98: the
automation library staged for the next start through wininit.ini, the
Distributed COM installer run and waited for, the restart prompt and the
run-once registration; and nothing of it on later systems.

Every case changes the prefix (the reported Windows version, system32 files,
registry values) and puts each thing back when it ends, failed or not."""

import os
import re
import shutil
import subprocess
import threading
import time
import unittest

import winebed

REBOOT_NOW = ("Installation is in progress...\nIt is now necessary to reboot the computer.\n"
              "Reboot now?")
EXIT_NOW = ("We strongly recommend that you exit the installation and reboot your computer "
            "now.  Click YES to exit now.")
RUN_ONCE = r"HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce"
APP_DEFAULTS = r"HKCU\Software\Wine\AppDefaults\setup.exe"
DCOM_KEY = r"HKCR\CLSID\{bdc67890-4fc0-11d0-a805-00aa006d2ea4}"
DCOM_COMMAND = '"D:\\DCOM\\DCOM95.EXE" /r:n /q:u /q:a'
SYSTEM = "C:\\windows\\system32"

# What the update folder delivers: (name, content); the subfolder and the
# dot file beside them must not be staged.
DELIVERED = [("OLEAUT32.DLL", "verdll350.dll"), ("STDOLE2.TLB", b"type library stand-in\r\n")]


inf = winebed.inf


class PrereqCase(winebed.DiscCase):
    """A disc with the recording stub as SetupExe, and helpers that change the
    prefix for one case only."""

    def setUp(self):
        super().setUp()
        self.system32 = os.path.join(self.bed.prefix, "drive_c", "windows", "system32")
        self.windows = os.path.dirname(self.system32)
        self.before = set(self.staged_files())
        self.addCleanup(self.remove_new_files)
        self.ensure_key(RUN_ONCE)
        if not self.key_exists(APP_DEFAULTS):
            self.addCleanup(self.bed.reg_delete, APP_DEFAULTS)
        self.addCleanup(self.bed.reg_delete, RUN_ONCE, "BX_SETUP_RERUN")

    # ---- the prefix, changed for one case -----------------------------------

    def wine(self, *args, check=True):
        return subprocess.run(["wine"] + list(args), env=self.bed.env, timeout=self.bed.scaled(60),
                              check=check,
                              stdin=subprocess.DEVNULL, capture_output=True)

    def reg_value(self, key, name=None):
        """The data of a REG_SZ value, or None; name None is the default value."""
        args = ["reg", "query", key] + (["/v", name] if name is not None else ["/ve"])
        out = self.wine(*args, check=False)
        if out.returncode != 0:
            return None
        for line in out.stdout.decode("cp1252").splitlines():
            m = re.match(r"^\s+(.*?)\s{4}REG_SZ\s{4}(.*)$", line)
            if m:
                return m.group(2)
        return None

    def key_exists(self, key):
        return self.wine("reg", "query", key, check=False).returncode == 0

    def ensure_key(self, key):
        """Creates the key for the case when the prefix lacks it."""
        if not self.key_exists(key):
            self.wine("reg", "add", key, "/f")
            self.addCleanup(self.bed.reg_delete, key)

    def set_value(self, key, name, data):
        """Sets a value (name None: the default one) and puts back what was there."""
        had_key = self.key_exists(key)
        old = self.reg_value(key, name)
        self.wine("reg", "add", key, *(["/v", name] if name is not None else ["/ve"]),
                  "/d", data, "/f")
        if not had_key:
            self.addCleanup(self.bed.reg_delete, key)
        elif old is None:
            self.addCleanup(self.wine, "reg", "delete", key,
                            *(["/v", name] if name is not None else ["/ve"]), "/f", check=False)
        else:
            self.addCleanup(self.wine, "reg", "add", key,
                            *(["/v", name] if name is not None else ["/ve"]), "/d", old, "/f")

    def emulate(self, version):
        """GetVersionExA reports this system to setup.exe."""
        self.set_value(APP_DEFAULTS, "Version", version)

    def system_file(self, name):
        """The system32 file of that name in any case, or the name as given."""
        for entry in os.listdir(self.system32):
            if entry.lower() == name.lower():
                return os.path.join(self.system32, entry)
        return os.path.join(self.system32, name)

    def protect(self, name):
        """Puts the system32 file back as it is now when the case ends,
        under its own name; a file of that name in another case goes."""
        path = self.system_file(name)
        saved = None
        if os.path.exists(path):
            with open(path, "rb") as f:
                saved = f.read()

        def restore():
            for entry in os.listdir(self.system32):
                if entry.lower() == name.lower():
                    os.remove(os.path.join(self.system32, entry))
            if saved is not None:
                with open(path, "wb") as f:
                    f.write(saved)
        self.addCleanup(restore)

    def install_library(self, dll="verdll400.dll"):
        """A system oleaut32.dll whose version resource the launcher is given
        (Wine answers from its builtin copy unless told otherwise)."""
        self.protect("oleaut32.dll")
        shutil.copy(self.bed.tool(dll), self.system_file("oleaut32.dll"))
        self.set_value(APP_DEFAULTS + r"\DllOverrides", "oleaut32", "native,builtin")

    def stub_wineboot(self):
        """A recording stub takes the restart request instead of ending every
        windowed program of the prefix."""
        self.wineboot = self.bed.stub_restart()
        self.addCleanup(self.restore_wineboot)
        log = os.path.join(self.system32, "wineboot.log")
        self.addCleanup(lambda: os.path.exists(log) and os.remove(log))

    def restore_wineboot(self):
        """Wine's own wineboot back; may come before the case ends."""
        self.wine("reg", "delete", r"HKCU\Software\Wine\DllOverrides", "/v", "wineboot.exe",
                  "/f", check=False)
        with open(self.system_file("wineboot.exe"), "wb") as f:
            f.write(self.wineboot)

    def restart_requests(self):
        return self.bed.restart_requests()

    def staged_files(self):
        return [e for e in os.listdir(self.system32) if re.match(r"(?i)^_bx.*\.tmp$", e)]

    def remove_new_files(self):
        for entry in set(self.staged_files()) - self.before:
            os.remove(os.path.join(self.system32, entry))
        for name in ("wininit.ini", "wininit.bak"):
            for entry in os.listdir(self.windows):
                if entry.lower() == name:
                    os.remove(os.path.join(self.windows, entry))

    def wininit(self):
        for entry in os.listdir(self.windows):
            if entry.lower() == "wininit.ini":
                with open(os.path.join(self.windows, entry), "rb") as f:
                    return f.read()
        return None

    # ---- discs ----------------------------------------------------------------

    def content(self, what):
        if isinstance(what, bytes):
            return what
        with open(self.bed.tool(what), "rb") as f:
            return f.read()

    def deliver(self, folder="OLE"):
        """The update folder: the delivered files, a dot file and a subfolder."""
        for name, what in DELIVERED:
            self.disc.write(folder + "\\" + name, self.content(what))
        self.disc.write(folder + "\\.hidden", b"not delivered")
        self.disc.write(folder + "\\SUB\\inner.dll", b"not delivered")

    def assertPrompt(self, box, text):
        self.assertEqual((box["title"], box["text"], box["buttons"], box["icon"]),
                         ("Setup", text, [6, 7], "exclamation"), box)

    def assertStaged(self):
        """wininit.ini is exactly one [rename] section, a pair per delivered
        file, each naming a new staged copy that holds the file's content."""
        text = self.wininit()
        self.assertIsNotNone(text, "no wininit.ini")
        pairs = re.findall(rb"NUL=([^\r\n]*)\r\n([^\r\n=]*)=([^\r\n]*)\r\n", text)
        rebuilt = b"[rename]\r\n" + b"".join(
            b"NUL=%s\r\n%s=%s\r\n" % (t, t2, s) for t, t2, s in pairs)
        self.assertEqual(text, rebuilt)
        staged = set(self.staged_files()) - self.before
        self.assertEqual(len(pairs), len(DELIVERED), text)
        self.assertEqual(len(staged), len(DELIVERED), staged)
        delivered = dict(DELIVERED)
        for target, target2, source in pairs:
            target, source = target.decode("cp1252"), source.decode("cp1252")
            self.assertEqual(target, target2.decode("cp1252"))
            directory, name = target.rsplit("\\", 1)
            self.assertEqual(directory, SYSTEM)
            self.assertIn(name, delivered)
            source_dir, source_name = source.rsplit("\\", 1)
            self.assertEqual(source_dir, SYSTEM)
            self.assertIn(source_name, staged)
            with open(os.path.join(self.system32, source_name), "rb") as f:
                self.assertEqual(f.read(), self.content(delivered.pop(name)), name)
        return pairs


class AutomationUpdateTest(PrereqCase):
    def setUp(self):
        super().setUp()
        self.emulate("win98")
        self.install_library("verdll400.dll")
        self.stub_wineboot()
        for name, _ in DELIVERED:
            self.protect(name)

    def test_yes_stages_registers_the_rerun_and_goes_on(self):
        self.deliver()
        self.disc.autorun(inf(SetupExe="recstub.exe", OleAut32_Win9X="OLE\\"))
        report = self.bed.launch("", ["expect-box", "answer IDYES"])
        self.assertTrue(report.ok, report)
        self.assertPrompt(report.first("expect-box"), REBOOT_NOW)
        self.assertStaged()
        self.assertEqual(self.reg_value(RUN_ONCE, "BX_SETUP_RERUN"), "D:\\setup.exe")
        self.assertEqual(len(self.restart_requests()), 1)
        self.assertEqual([r["cmdline"] for r in self.disc.wait_runs()], ['"D:\\recstub.exe"'])

    def test_no_then_end_now_starts_nothing(self):
        self.deliver()
        self.disc.autorun(inf(SetupExe="recstub.exe", OleAut32_Win9X="OLE"))
        report = self.bed.launch("", ["expect-box", "answer IDNO", "expect-box", "answer IDYES"])
        self.assertTrue(report.ok, report)
        boxes = report.step("expect-box")
        self.assertPrompt(boxes[0], REBOOT_NOW)
        self.assertPrompt(boxes[1], EXIT_NOW)
        self.assertEqual(self.disc.settled_runs(), [])
        self.assertIsNone(self.reg_value(RUN_ONCE, "BX_SETUP_RERUN"))
        self.assertEqual(self.restart_requests(), [])

    def test_rerun_path_is_quoted_when_the_folder_has_a_blank(self):
        folder = "Disc One"
        self.disc.write(folder + "\\Autorun.inf",
                        inf(SetupExe="recstub.exe", OleAut32_Win9X="OLE"))
        shutil.copy(self.disc.file("setup.exe"), self.disc.file(folder + "\\setup.exe"))
        self.disc.add_stub(folder + "\\recstub.exe")
        self.deliver(folder + "\\OLE")
        program = "D:\\%s\\setup.exe" % folder
        report = self.bed.launch("", ["expect-box", "answer IDYES"], cwd="D:\\" + folder,
                                 program='"%s"' % program)
        self.assertTrue(report.ok, report)
        self.assertStaged()
        self.assertEqual(self.reg_value(RUN_ONCE, "BX_SETUP_RERUN"), '"%s"' % program)
        self.assertEqual(len(self.disc.wait_runs(folder + "\\recstub.exe")), 1)

    def test_restart_applies_the_renames_and_runs_the_launcher_again(self):
        self.deliver()
        self.disc.autorun(inf(SetupExe="recstub.exe", OleAut32_Win9X="OLE"))
        report = self.bed.launch("", ["expect-box", "answer IDYES"])
        self.assertTrue(report.ok, report)
        self.assertStaged()
        self.assertEqual(len(self.disc.wait_runs()), 1)

        # The restart itself, with Wine's own wineboot back in place. The
        # delivered library is version 3.50, so the rerun stages nothing.
        self.restore_wineboot()
        subprocess.run(["wine", "wineboot", "-r"], env=self.bed.env, timeout=self.bed.scaled(120),
                       check=True,
                       stdin=subprocess.DEVNULL, capture_output=True)
        for name, what in DELIVERED:
            with open(self.system_file(name), "rb") as f:
                self.assertEqual(f.read(), self.content(what), name)
        self.assertIsNone(self.wininit())
        self.assertEqual(set(self.staged_files()) - self.before, set())
        self.assertIsNone(self.reg_value(RUN_ONCE, "BX_SETUP_RERUN"))
        runs = self.disc.wait_runs(count=2, timeout=20)
        self.assertEqual([r["cmdline"] for r in runs], ['"D:\\recstub.exe"'] * 2)


class DistributedComTest(PrereqCase):
    def setUp(self):
        super().setUp()
        self.emulate("win95")
        self.stub_wineboot()
        self.disc.add_stub("DCOM\\DCOM95.EXE")

    def test_installer_runs_to_its_end_before_the_prompt(self):
        self.set_value(DCOM_KEY + r"\InstalledVersion", None, "3,0,0,0")
        self.disc.autorun(inf(SetupExe="recstub.exe", InstDCOM95="DCOM\\DCOM95.EXE",
                              DCOM95VerNeeded="4,71,0,1120"))
        hold = self.disc.file("DCOM\\DCOM95.hold")
        with open(hold, "wb"):
            pass

        def release():
            # Long enough after the installer started for the driver to look.
            self.disc.wait_runs("DCOM\\DCOM95.EXE", timeout=20)
            time.sleep(self.bed.scaled(3))
            os.remove(hold)
        releaser = threading.Thread(target=release)
        releaser.start()
        try:
            report = self.bed.launch("", ["sleep 1500", "list-windows", "expect-box 20000",
                                          "answer IDNO", "expect-box", "answer IDNO"])
        finally:
            releaser.join()
        self.assertTrue(report.ok, report)
        pid = report.first("start")["pid"]
        self.assertEqual([w for w in report.step("window") if w["pid"] == pid], [],
                         "a window while the installer ran")
        boxes = report.step("expect-box")
        self.assertPrompt(boxes[0], REBOOT_NOW)
        self.assertPrompt(boxes[1], EXIT_NOW)
        self.assertEqual([r["cmdline"] for r in self.disc.runs("DCOM\\DCOM95.EXE")],
                         [DCOM_COMMAND])
        self.assertEqual(len(self.disc.wait_runs()), 1)
        self.assertEqual(self.restart_requests(), [])


class LaterSystemsTest(PrereqCase):
    """Everything configured and outdated, yet only Windows 95 and 98 act."""

    def test_nothing_is_staged_or_run(self):
        self.install_library("verdll400.dll")
        self.stub_wineboot()
        for name, _ in DELIVERED:
            self.protect(name)
        self.deliver()
        self.disc.add_stub("DCOM\\DCOM95.EXE")
        self.set_value(DCOM_KEY + r"\InstalledVersion", None, "3,0,0,0")
        self.disc.autorun(inf(SetupExe="recstub.exe", OleAut32_Win9X="OLE",
                              InstDCOM95="DCOM\\DCOM95.EXE", DCOM95VerNeeded="4,71,0,1120"))
        for version in ("winme", "nt40", "win2k", "winxp"):
            with self.subTest(version=version):
                self.emulate(version)
                report = self.bed.launch("")
                self.assertTrue(report.ok, report)
                self.assertEqual(len(self.disc.wait_runs()), 1)
                os.remove(os.path.splitext(self.disc.file("recstub.exe"))[0] + ".log")
                self.assertEqual(set(self.staged_files()) - self.before, set())
                self.assertIsNone(self.wininit())
                self.assertEqual(self.disc.runs("DCOM\\DCOM95.EXE"), [])
                self.assertEqual(self.restart_requests(), [])

    def test_windows95_with_the_needed_first_number_runs_nothing(self):
        self.emulate("win95")
        self.disc.add_stub("DCOM\\DCOM95.EXE")
        self.set_value(DCOM_KEY + r"\InstalledVersion", None, "4,71,0,1120")
        self.disc.autorun(inf(SetupExe="recstub.exe", InstDCOM95="DCOM\\DCOM95.EXE",
                              DCOM95VerNeeded="4,80,0,3328"))
        report = self.bed.launch("")
        self.assertTrue(report.ok, report)
        self.assertEqual(len(self.disc.wait_runs()), 1)
        self.assertEqual(self.disc.runs("DCOM\\DCOM95.EXE"), [])


if __name__ == "__main__":
    unittest.main()
