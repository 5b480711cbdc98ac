#!/usr/bin/env python3
"""bxdisc try end to end: the authors' tool over the Wine runner, each run in
its own throwaway copy of the base prefix, made by the first run into a cache
of the test's own. Each test gives bxdisc a temporary folder and a tag of its
own, and judges only those: other runs may share the machine.

    try_e2e.py BXDISC SETUP.EXE RUNNER_DIR TOOLS_DIR
"""
from __future__ import annotations

import os
import pathlib
import signal
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from xml.etree import ElementTree

import whole_discs
import winebed
from testlib import bmp8, snapshot

BXDISC, SETUP, RUNNER, TOOLS = (os.path.abspath(a) for a in sys.argv[1:5])
CACHE = tempfile.TemporaryDirectory(prefix="bxdisc-try-test-cache-")
TRY = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                   "kit", "try", "bxdisc_try")
REBOOT_NOW = ('message box "Setup": "Installation is in progress...\\nIt is now necessary to '
              'reboot the computer.\\nReboot now?" [Yes, No]')


def sandboxes_of(pid: int) -> list[str]:
    """The sandboxes that process started: its bubblewrap children."""
    ps = subprocess.run(["ps", "-o", "pid=,comm=", "--ppid", str(pid)], capture_output=True, text=True).stdout
    return [line.split()[0] for line in ps.splitlines() if line.split()[1:] == ["bwrap"]]


class TryTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = tmp.name
        self.tag = winebed.new_tag()
        self.tmpdir = os.path.join(self.tmp, "tmp")
        os.mkdir(self.tmpdir)
        self.disc = os.path.join(self.tmp, "disc")
        os.makedirs(os.path.join(self.disc, "OLE"))
        # The setup program in a folder linked from elsewhere: the view must
        # not stand the recorder in through the link.
        os.makedirs(os.path.join(self.tmp, "payload"))
        os.symlink("../payload", os.path.join(self.disc, "Setup"))
        # bxdisc's data folder as an installation lays it out.
        self.data = os.path.join(self.tmp, "data")
        os.makedirs(self.data)
        shutil.copytree(TRY, os.path.join(self.data, "bxdisc_try"))
        os.symlink(RUNNER, os.path.join(self.data, "winerunner"))
        shutil.copy(SETUP, self.disc)
        w, h = winebed.FACE_SIZE
        files = {
            "back.bmp": bmp8(400, 240, [winebed.BACKDROP_RGB], lambda x, y: 0),
            "buttons.bmp": bmp8(5 * w, 4 * h, [winebed.face_rgb(r, f) for r in range(4)
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

    def env(self, **more):
        return dict(os.environ, BXDISC_DATA=self.data, XDG_CACHE_HOME=CACHE.name, TMPDIR=self.tmpdir,
                    **{winebed.RUN_TAG: self.tag}, **more)

    def assertNothingLeft(self):
        self.assertEqual([], os.listdir(self.tmpdir))
        self.assertEqual([], winebed.tagged(self.tag))

    def bxdisc_try(self, *args):
        before = snapshot(self.disc, through_links=True)
        r = subprocess.run([BXDISC, "try", self.disc] + list(args), capture_output=True,
                           text=True, timeout=1800, env=self.env())
        self.assertEqual(before, snapshot(self.disc, through_links=True), "the author's folder is only read")
        self.assertNothingLeft()
        return r.returncode, r.stdout.splitlines(), r.stdout + r.stderr

    def test_a_matrix_tells_each_system_s_story(self):
        # A broken prerequisite of Windows 95 only: its Distributed COM installer is not on the disc.
        self.autorun(InstDCOM95="DCOM\\DCOM95.EXE", DCOM95VerNeeded="4,71,0,1120")
        page, junit = os.path.join(self.tmp, "page"), os.path.join(self.tmp, "junit.xml")
        status, lines, out = self.bxdisc_try("--matrix=win98,win10,win95", "--oleaut32", "4.0",
                                             "--click", "install", "--html", page, "--junit", junit)
        self.assertEqual(1, status, out)
        rows = {line.split()[0]: line for line in lines if line.split()[:1] in (["win95"], ["win98"], ["win10"])}
        self.assertEqual({"win95", "win98", "win10"}, set(rows), out)
        self.assertIn("yes, rerun followed", rows["win98"], out)
        self.assertIn(" pass ", rows["win98"], out)
        self.assertIn(" pass ", rows["win10"], out)
        self.assertIn("FAIL: the rerun asked for", rows["win95"], out)
        self.assertIn("2 of 3 systems did what the disc intends (exit status 1)", out)
        suite = ElementTree.parse(junit).getroot()
        self.assertEqual(("3", "1"), (suite.get("tests"), suite.get("failures")))
        failed = [(c.get("name"), f.get("message")) for c in suite.iter("testcase") for f in c.iter("failure")]
        self.assertEqual([("win95", "the rerun asked for the restart again: a prerequisite did not take")], failed)
        report = suite.find("testcase[@name='win98']/system-out")
        for want in ['front window "Brindle Try", 400 x 240: buttons Install, Exit', "  clicked Install",
                     REBOOT_NOW, "  answered Yes", '  D:\\Setup\\Setup32.exe: "D:\\SETUP\\SETUP32.EXE" in D:\\',
                     "  NUL=C:\\windows\\system32\\OLEAUT32.DLL",
                     "rerun registered: RunOnce BX_SETUP_RERUN = D:\\setup.exe",
                     "the rerun (RunOnce BX_SETUP_RERUN):", "started: D:\\setup.exe in D:\\"]:
            self.assertIn(want, report.text.splitlines() if report is not None else [], out)
        # The page and its pictures, in the matrix's order: the browser test reads such a page.
        with open(os.path.join(page, "index.html")) as f:
            html = f.read()
        self.assertLess(html.index('data-system="win95"'), html.index('data-system="win98"'))
        for system in ("win95", "win98", "win10"):
            with open(os.path.join(page, system + ".png"), "rb") as f:
                self.assertEqual(b"\x89PNG", f.read(4))

    def test_a_matrix_interrupted_leaves_nothing(self):
        self.autorun()
        p = subprocess.Popen([BXDISC, "try", self.disc, "--matrix=win2k,winxp", "-j", "2"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             start_new_session=True, env=self.env())
        # Both runs under way: each has its sandbox, with its Wine inside.
        deadline = time.monotonic() + 600
        while time.monotonic() < deadline and len(sandboxes_of(p.pid)) < 2:
            time.sleep(0.2)
        self.assertEqual(2, len(sandboxes_of(p.pid)))
        os.killpg(p.pid, signal.SIGINT)
        out, err = p.communicate(timeout=300)
        self.assertEqual(130, p.returncode, out + err)
        self.assertNothingLeft()

    def test_missing_setup_program_is_an_error_message(self):
        self.autorun(SetupExe=None)
        status, lines, out = self.bxdisc_try("--no-sandbox", "--system", "win7", "--", "/a")
        self.assertEqual(1, status, out)
        self.assertTrue(lines[0].startswith("warning: --no-sandbox: "), out)
        self.assertIn('message box "Setup": "Could not find SetupExe in param file" [OK]',
                      lines, out)
        self.assertIn("programs started: none", lines, out)

    def test_the_escape_disc_reaches_nothing_of_the_host(self):
        shutil.copy(os.path.join(TOOLS, "escape.exe"), self.disc)
        self.autorun()
        home = os.path.expanduser("~")
        secret = tempfile.NamedTemporaryFile("w", dir=home, prefix=".bxdisc-secret-", delete=False)
        self.addCleanup(os.unlink, secret.name)
        secret.write("ONLY-FOR-THE-AUTHOR-%d" % os.getpid())
        secret.close()
        # escape.exe names what it writes on the host after the secret.
        name = os.path.basename(secret.name)
        host = ["/tmp/%s-z.txt" % name, "/tmp/%s-unix.txt" % name,
                os.path.join(home, "Desktop", name + "-desktop.txt")]
        status, lines, out = self.bxdisc_try("--launcher", "escape.exe", "--",
                                             secret.name, "D:\\Setup\\Setup32.exe")
        self.assertEqual(0, status, out)
        self.assertEqual([], [p for p in host if os.path.lexists(p)])
        self.assertNotIn("ONLY-FOR-THE-AUTHOR", out)
        self.assertIn('  D:\\Setup\\Setup32.exe: "D:\\Setup\\Setup32.exe" host=- secret=- in D:\\',
                      lines, out)
        self.assertIn("written to the disc (a real one is read-only): D:\\escape-d.txt", lines, out)
        with open(secret.name) as f:
            self.assertTrue(f.read().startswith("ONLY-FOR-THE-AUTHOR"))

    @unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"), "signing tools")
    def test_a_signed_launcher_runs(self):
        self.autorun()
        # sign takes only programs, and writes through no link: a real one in a real folder.
        os.remove(os.path.join(self.disc, "Setup"))
        os.mkdir(os.path.join(self.disc, "Setup"))
        shutil.copy(os.path.join(RUNNER, "recstub.exe"), os.path.join(self.disc, "Setup", "Setup32.exe"))
        keys = os.path.join(self.tmp, "keys")
        os.mkdir(keys)
        cert, p12, password = (os.path.join(keys, n) for n in ("cert.pem", "test.p12", "password"))
        with open(password, "w") as f:
            f.write("s3cret\n")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Brindle Test", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", os.path.join(keys, "key.pem"), "-out", cert], check=True,
                       capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", os.path.join(keys, "key.pem"),
                        "-in", cert, "-out", p12, "-passout", "file:" + password], check=True,
                       capture_output=True)
        r = subprocess.run([BXDISC, "sign", self.disc, "--pkcs12", p12, "--password-file", password,
                            "--ca-file", cert], capture_output=True, text=True, timeout=300)
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        status, lines, out = self.bxdisc_try("--click", "install")
        self.assertEqual(0, status, out)
        self.assertIn("  clicked Install", lines, out)

    def test_a_system_without_user_namespaces_is_refused(self):
        self.autorun()
        fake = os.path.join(self.tmp, "bin")
        os.mkdir(fake)
        with open(os.path.join(fake, "bwrap"), "w") as f:
            f.write("#!/bin/sh\necho 'bwrap: No permissions to creating new namespace' >&2\nexit 1\n")
        os.chmod(os.path.join(fake, "bwrap"), 0o755)
        r = subprocess.run([BXDISC, "try", self.disc], capture_output=True, text=True, timeout=600,
                           env=self.env(PATH=fake + os.pathsep + os.environ["PATH"]))
        self.assertEqual(2, r.returncode, r.stdout + r.stderr)
        self.assertIn("cannot make its namespaces here (bwrap: No permissions", r.stderr)
        self.assertIn("--no-sandbox", r.stderr)

    def test_an_interrupted_run_leaves_nothing(self):
        self.autorun()
        cache = tempfile.TemporaryDirectory(prefix="bxdisc-try-test-cold-")
        self.addCleanup(cache.cleanup)
        p = subprocess.Popen([BXDISC, "try", self.disc], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True, start_new_session=True,
                             env=dict(self.env(), XDG_CACHE_HOME=cache.name))
        # Interrupted while the base prefix is being made.
        for line in p.stderr:
            if "making a Wine prefix" in line:
                break
        os.killpg(p.pid, signal.SIGINT)
        _, err = p.communicate(timeout=300)
        self.assertEqual(130, p.returncode, err)
        self.assertNothingLeft()
        self.assertEqual(["lock"], os.listdir(os.path.join(cache.name, "bxdisc")))


ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WHOLE_DISCS = os.path.join(ROOT, "tests", "whole_discs.py")


@unittest.skipUnless(os.path.exists(WHOLE_DISCS), "no whole demo disc in this tree")
class WholeTest(unittest.TestCase):
    """try --whole on the demo disc and on its two failing kin: each whole
    run takes minutes under qemu-user, so few of them."""

    @classmethod
    def setUpClass(cls):
        tmp = tempfile.TemporaryDirectory()
        cls.addClassCleanup(tmp.cleanup)
        cls.tmp = tmp.name
        cls.build = os.path.dirname(os.path.dirname(BXDISC))
        cls.demo = os.path.join(cls.tmp, "demo-disc")
        subprocess.run(["bash", os.path.join(ROOT, "scripts", "demo-disc.sh"), cls.build, cls.demo], check=True,
                       capture_output=True, cwd=ROOT)

    def kin(self, name):
        disc = os.path.join(self.tmp, name)
        if not os.path.exists(disc):
            tools = (pathlib.Path(TOOLS),) if name == "stuck_disc" else ()
            getattr(whole_discs, name)(pathlib.Path(self.demo), pathlib.Path(disc), *tools)
        return disc

    def whole(self, disc, *args):
        before = snapshot(disc, through_links=True)
        env = dict(os.environ, XDG_CACHE_HOME=CACHE.name)
        r = subprocess.run([BXDISC, "try", disc, "--whole"] + list(args), capture_output=True, text=True,
                           timeout=3600, env=env)
        self.assertEqual(before, snapshot(disc, through_links=True), "the author's folder is only read")
        return r.returncode, r.stdout.splitlines(), r.stdout + r.stderr

    def test_the_demo_disc_lives_its_whole_life(self):
        shot = os.path.join(self.tmp, "whole.png")
        status, lines, out = self.whole(self.demo, "--screenshot", shot)
        self.assertEqual(0, status, out)
        for line in ("-- Install: the automatic start, Install clicked, the setup program",
                     "ended: DemoSetup.exe, exit code 0",
                     "the whole life: installed, started, started again and uninstalled"):
            self.assertIn(line, lines, out)
        self.assertTrue(any(line.startswith("the product's window: \"Brindle Demo - ") for line in lines), out)
        pictures = sorted(n for n in os.listdir(self.tmp) if n.startswith("whole-"))
        self.assertGreaterEqual(len(pictures), 4, out)

    def test_a_matrix_fails_the_refused_system_in_its_install(self):
        page, junit = os.path.join(self.tmp, "page"), os.path.join(self.tmp, "whole.xml")
        status, lines, out = self.whole(self.kin("refusing_disc"), "--matrix=win98,win10", "--html", page,
                                        "--junit", junit)
        self.assertEqual(1, status, out)
        rows = {line.split()[0]: line for line in lines if line.split()[:1] in (["win98"], ["win10"])}
        self.assertIn(" pass ", rows["win10"], out)
        self.assertIn("Uninstalled", rows["win10"], out)
        self.assertIn("FAIL: Install: ", rows["win98"], out)
        failed = {c.get("name"): f.get("message") for c in ElementTree.parse(junit).getroot().iter("testcase")
                  for f in c.iter("failure")}
        self.assertEqual(["win98"], list(failed), out)
        self.assertRegex(failed["win98"], r"^Install: .*msiexec /i D:\\BrindleDemo.msi: exit code 1603", out)
        with open(os.path.join(page, "index.html")) as f:
            self.assertIn('src="win10-04.png"', f.read())

    def test_a_setup_stuck_on_its_second_dialog_is_named(self):
        # Stuck is known only once the wait for the next window ends: a short one.
        status, lines, out = self.whole(self.kin("stuck_disc"), "--timeout", "10")
        self.assertEqual(1, status, out)
        self.assertRegex(out, r'result: Install: the dialog "Brindle Demo Setup" \("Choose a folder[^"]*"\) '
                         r"stayed after Next( >)? was pressed \(exit status 1\)")


if __name__ == "__main__":
    try:
        unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
    finally:
        CACHE.cleanup()
