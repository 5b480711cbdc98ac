"""Discs that anyone could have authored or damaged: whatever Autorun.inf,
the bitmaps, the package or the update folder hold, the launcher shows its
message or stays silent as it should, ends by itself, and leaves the system
directory and wininit.ini as they should be."""

import ntpath
import os
import random
import re
import shutil
import struct
import subprocess
import time
import unittest

import winebed
from test_front_window import backdrop, strip
from test_prereq import PrereqCase, REBOOT_NOW, EXIT_NOW

TITLE = "Brindle Hostile"
NO_SETUP_EXE = "Could not find SetupExe in param file"
INSTALL, EXIT = 102, 103
STUB = "recstub.exe"
# A setup program with a long name, so that a value cut at 259 characters
# ends inside it and names nothing.
LONG_STUB = "S" * 60 + ".exe"


def inf(**keys):
    return winebed.inf(dict(ProductName=TITLE, AutorunBackdrop="art\\back.bmp",
                            AutorunButtons="art\\buttons.bmp", SetupExe=STUB,
                            SetupMSI="product.msi"), **keys)


def garbage(size, seed, nul=True):
    rng = random.Random(seed)
    low = 0 if nul else 1
    return bytes(rng.randint(low, 255) for _ in range(size))


def long_value(length, name):
    """A value of exactly length characters that names D:\\name: ".\\" steps,
    and one "a\\..\\" to make the length odd."""
    rest = length - len(name)
    lead = ""
    if rest % 2:
        lead, rest = "a\\..\\", rest - 5
    value = lead + ".\\" * (rest // 2) + name
    assert len(value) == length
    return value


def set_field(data, offset, fmt, value):
    return data[:offset] + struct.pack(fmt, value) + data[offset + struct.calcsize(fmt):]


def bad_bitmaps():
    """(name, bytes): files the loader must refuse, each broken one way."""
    good = backdrop()
    no_table = set_field(good, 46, "<I", 0)  # biClrUsed 0: a bit count alone gives the colours
    cut = good[:len(good) // 2]
    return [
        ("truncated", set_field(cut, 2, "<I", len(cut))),
        ("bfSize 0xFFFFFFFF", set_field(good, 2, "<I", 0xFFFFFFFF)),
        ("width 1e9", set_field(good, 18, "<i", 1000000000)),
        ("zero width", set_field(good, 18, "<i", 0)),
        ("24-bit", set_field(no_table, 28, "<H", 24)),
        ("32-bit", set_field(no_table, 28, "<H", 32)),
        # 256 colours declared; the file and bfSize end inside the table.
        ("biClrUsed beyond the file",
         set_field(set_field(good[:54 + 100], 46, "<I", 256), 2, "<I", 54 + 100)),
        ("text", b"This is a text file, renamed.\r\nIt is no bitmap at all.\r\n" * 20),
    ]


def windows_state(prefix):
    """The Windows directory's wininit.ini and the system directory's files
    with their sizes: what no run on this system may change."""
    windows = os.path.join(prefix, "drive_c", "windows")
    system32 = os.path.join(windows, "system32")
    wininit = [e for e in os.listdir(windows) if e.lower() in ("wininit.ini", "wininit.bak")]
    files = {}
    for entry in os.scandir(system32):
        if entry.is_file(follow_symlinks=False):
            files[entry.name] = entry.stat(follow_symlinks=False).st_size
    return wininit, files


class HostileCase(winebed.DiscCase):
    """A disc with the front window's bitmaps and the recording stub; the
    system is the prefix's own, on which the launcher changes nothing."""

    def setUp(self):
        super().setUp()
        self.disc.write("art\\back.bmp", backdrop())
        self.disc.write("art\\buttons.bmp", strip())
        self.disc.autorun(inf())
        before = windows_state(self.bed.prefix)
        self.addCleanup(lambda: self.assertEqual(windows_state(self.bed.prefix), before))

    def assertBox(self, record, text):
        self.assertEqual((record["title"], record["text"], record["buttons"], record["icon"]),
                         ("Setup", text, [1], "exclamation"), record)

    def assertNothingStarted(self, name=STUB):
        self.assertEqual(self.disc.settled_runs(name), [])

    def forget_runs(self, name=STUB):
        log = os.path.splitext(self.disc.file(name))[0] + ".log"
        if os.path.exists(log):
            os.remove(log)

    def run_answering(self, tail, text):
        """Runs the launcher; it shows one OK box with text, then ends as
        after a failed start (exit code 1)."""
        report = self.bed.launch(tail, ["expect-box", "answer IDOK"])
        self.assertTrue(report.ok, report)
        self.assertBox(report.first("expect-box"), text)
        self.assertEqual(report.first("wait-exit")["code"], 1, report)
        return report

    def run_empty_window(self, text, title=TITLE):
        """Autorun start: one "Could not find" box, then the front window
        without buttons, which Escape ends."""
        report = self.bed.launch("/autorun", [
            "expect-box", "answer IDOK", "expect-window title=" + title, "children",
            "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertBox(report.first("expect-box"), text)
        self.assertEqual(len(report.step("expect-box")), 1, report)
        self.assertEqual(report.first("children")["children"], [], report)
        self.assertEqual(report.first("wait-exit")["code"], 0, report)
        return report


class AutorunInfTest(HostileCase):
    """Autorun.inf that is no parameter file reads as one without values."""

    def test_unreadable_file_names_nothing(self):
        cases = [
            ("random bytes", garbage(4096, 1)),
            ("random bytes without NULs", garbage(4096, 2, nul=False)),
            ("UTF-16 byte order mark, then random bytes", b"\xff\xfe" + garbage(4096, 3)),
            ("UTF-16 byte order mark, odd length", b"\xff\xfe" + garbage(4095, 4, nul=False)),
            ("1 MB single line", b"SetupExe=" + b"x" * (1 << 20)),
        ]
        for name, content in cases:
            self.disc.autorun(content)
            with self.subTest(name, tail=""):
                self.run_answering("", NO_SETUP_EXE)
            with self.subTest(name, tail="/autorun"):
                # No backdrop named: its path is the launcher folder itself.
                self.run_empty_window("Could not find D:\\", title="")
        self.assertNothingStarted()

    def test_keys_after_a_huge_line_are_found(self):
        self.disc.autorun(b"[BXPARAM]\r\nJunk=" + b"j" * (1 << 20) + b"\r\nSetupExe=recstub.exe\r\n")
        report = self.bed.launch("/a")
        self.assertTrue(report.ok, report)
        self.assertEqual([r["cmdline"] for r in self.disc.wait_runs()], ['"D:\\recstub.exe" /a'])

    def test_setup_exe_is_cut_at_259_characters(self):
        self.disc.add_stub(LONG_STUB)
        for length in (259, 260, 300):
            with self.subTest(length=length):
                value = long_value(length, LONG_STUB)
                self.disc.autorun(inf(SetupExe=value))
                if length == 259:
                    # The joined path is longer than 260 characters; the
                    # shell still starts it.
                    report = self.bed.launch("/a")
                    self.assertTrue(report.ok, report)
                    runs = self.disc.wait_runs(LONG_STUB)
                    self.forget_runs(LONG_STUB)
                    # Wine 10's shell hands the program its path made plain.
                    self.assertEqual([[ntpath.normpath(r["argv"][0])] + r["argv"][1:] for r in runs],
                                     [["D:\\" + LONG_STUB, "/a"]])
                else:
                    report = self.run_answering("/a", "Could not run " + value[:259])
                    self.assertEqual(self.disc.settled_runs(LONG_STUB), [])

    def test_product_name_of_300_characters_is_cut(self):
        name = "".join(chr(ord("A") + i % 26) for i in range(300))
        self.disc.autorun(inf(ProductName=name))
        report = self.bed.launch("/autorun", ["expect-window title=" + name[:259], "children",
                                              "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertEqual(sorted(c["id"] for c in report.first("children")["children"]),
                         [INSTALL, EXIT])
        self.assertNothingStarted()

    def test_look4title_of_300_characters_is_cut(self):
        wanted = "Brindle Product " + "t" * 284
        cases = [
            # (open window's title, whether it is brought forward)
            (wanted, True),
            (wanted[:259] + "different after the cut", True),
            (wanted[:200] + "different before the cut", False),
        ]
        self.disc.autorun(inf(Look4Title=wanted))
        for title, found in cases:
            with self.subTest(title=title[190:]), self.bed.show_window(title):
                steps = [] if found else ["expect-window title=" + TITLE, "key ESCAPE",
                                          "wait-gone"]
                report = self.bed.launch("/autorun", steps)
                self.assertTrue(report.ok, report)
                w = self.bed.drive(["find-title " + title], kill=()).first("find-title")
                self.assertEqual(w["zoomed"], found, w)
        self.assertNothingStarted()


class SetupExeTest(HostileCase):
    def explorer_processes(self, folder):
        """Linux pids of this run's Wine explorers showing D:\\folder."""
        wanted = "explorer.exe d:\\" + folder.lower()
        return [pid for pid, args in winebed.tagged(os.environ[winebed.RUN_TAG])
                if args.lower().endswith(wanted)]

    def test_folder_opens_in_the_shell(self):
        # The shell opens a folder rather than failing: Wine starts
        # "explorer.exe D:\folder", which shows a window titled by the folder.
        # For the launcher that is a successful start, so no message.
        folder = "NotAProgram"
        os.makedirs(self.disc.file(folder))
        self.disc.autorun(inf(SetupExe=folder))
        report = self.bed.launch("/a")
        self.assertTrue(report.ok, report)
        self.assertEqual(report.first("wait-exit")["code"], 0, report)
        self.addCleanup(self.end_explorers, folder)
        deadline = time.monotonic() + self.bed.scaled(10)
        window = None
        while window is None and time.monotonic() < deadline:
            listing = self.bed.drive(["list-windows"], kill=())
            window = next((w for w in listing.step("window")
                           if w["title"] == folder and w["class"] == "ExplorerWClass"), None)
        self.assertIsNotNone(window, "no explorer window for the folder")
        closed = self.bed.drive(["find-title " + folder, "close", "wait-gone"], kill=())
        self.assertTrue(closed.ok, closed)
        deadline = time.monotonic() + self.bed.scaled(5)
        while self.explorer_processes(folder) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(self.explorer_processes(folder), [])
        self.assertNothingStarted()

    def end_explorers(self, folder):
        for pid in self.explorer_processes(folder):
            os.kill(pid, 9)

    def test_paths_that_name_no_program(self):
        values = [
            "..\\..\\Q:\\x.exe",                  # joined as it stands: D:\..\..\Q:\x.exe
            "Q:\\x.exe",
            "\\\\?\\Q:\\x.exe",
            "sub\\" * 62 + "x.exe",              # the joined path is 256 + 3 characters
            "sub\\" * 63 + "x.exe",              # 260 + 3
        ]
        for value in values:
            with self.subTest(value=value[:40]):
                self.disc.autorun(inf(SetupExe=value))
                self.run_answering("/a", "Could not run " + value)
        self.assertNothingStarted()


class LongFolderTest(HostileCase):
    """A launcher deep in a folder tree: its own path does not fit 260
    characters, so it knows no launcher folder. Its parameter file would then
    be "Autorun.inf" as it stands, which the profile reader looks for in the
    Windows directory: the launcher reads no parameters at all instead."""

    def setUp(self):
        super().setUp()
        self.folder = "\\".join("Folder%02d_%s" % (i, "x" * 40) for i in range(6))
        self.program = "D:\\%s\\setup.exe" % self.folder
        self.assertGreater(len(self.program), 300)
        os.makedirs(self.disc.file(self.folder))
        shutil.copy(self.disc.file("setup.exe"), self.disc.file(self.folder + "\\setup.exe"))
        self.disc.add_stub(self.folder + "\\" + STUB)
        self.disc.write(self.folder + "\\art\\back.bmp", backdrop())
        self.disc.write(self.folder + "\\art\\buttons.bmp", strip())
        self.disc.write(self.folder + "\\Autorun.inf", inf())
        windows = os.path.join(self.bed.prefix, "drive_c", "windows")
        self.assertNotIn("autorun.inf", [e.lower() for e in os.listdir(windows)])
        if not self.starts_from_the_folder():
            self.skipTest("this Wine starts no program from a path this long (Wine 10 does not)")

    def starts_from_the_folder(self):
        probe = self.folder + "\\probe.exe"
        shutil.copy(self.bed.tool("holdmutex.exe"), self.disc.file(probe))
        # With no mutex named it ends at once, with 2.
        return subprocess.run(["wine", self.disc.file(probe)], env=self.bed.env, cwd=self.disc.path,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=self.bed.scaled(30)).returncode == 2

    def start(self, tail):
        # The system cannot create a process from a path this long; Wine's
        # loader can run the file from its Unix path.
        process = subprocess.Popen(["wine", self.disc.file(self.folder + "\\setup.exe"), tail],
                                   env=self.bed.env, cwd=self.disc.path, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.kill()
            process.wait()

    def await_title(self, title, steps, cls):
        """Waits until the first window of that title is a visible one of
        that class, then makes it current and follows the steps."""
        deadline = time.monotonic() + self.bed.scaled(10)
        while time.monotonic() < deadline:
            found = self.bed.drive(["find-title " + title], kill=()).step("find-title")
            if found and found[0]["ok"] and found[0]["visible"] and found[0]["class"] == cls:
                break
            time.sleep(0.2)
        return self.bed.drive(["find-title " + title] + list(steps), kill=())

    def box_text(self, report):
        return [c["text"] for c in report.first("children")["children"] if c["id"] == 0xFFFF]

    def test_setup_start_finds_no_parameters(self):
        # An Autorun.inf in the Windows directory must not decide what starts.
        trap = os.path.join(self.bed.prefix, "drive_c", "windows", "Autorun.inf")
        with open(trap, "wb") as f:
            f.write(b"[BXPARAM]\r\nSetupExe=" + STUB.encode() + b"\r\n")
        self.addCleanup(os.remove, trap)
        process = self.start("/a")
        report = self.await_title("Setup", ["children", "answer IDOK"], cls="#32770")
        self.assertTrue(report.ok, report)
        self.assertEqual(self.box_text(report), [NO_SETUP_EXE])
        self.assertEqual(process.wait(timeout=self.bed.scaled(10)), 1)
        self.assertNothingStarted()
        self.assertNothingStarted(self.folder + "\\" + STUB)

    def test_autorun_start_shows_the_empty_window(self):
        process = self.start("/autorun")
        report = self.await_title("Setup", ["children", "answer IDOK"], cls="#32770")
        self.assertTrue(report.ok, report)
        # No backdrop key: the path is the empty launcher folder alone.
        self.assertEqual(self.box_text(report), ["Could not find "])
        # No ProductName either: the front window is the first window
        # without a title, the one on top.
        report = self.await_title("", ["children", "key ESCAPE", "wait-gone"], cls="#32770")
        self.assertTrue(report.ok, report)
        window = report.first("find-title")
        self.assertEqual((window["class"], window["visible"], window["zvisible"]),
                         ("#32770", True, 0), window)
        self.assertEqual(report.first("children")["children"], [])
        self.assertEqual(process.wait(timeout=self.bed.scaled(10)), 0)
        self.assertNothingStarted()
        self.assertNothingStarted(self.folder + "\\" + STUB)


class BitmapTest(HostileCase):
    def test_bad_backdrop_gives_the_empty_window(self):
        for name, data in bad_bitmaps():
            with self.subTest(name):
                self.disc.write("art\\back.bmp", data)
                self.run_empty_window("Could not find D:\\art\\back.bmp")
        self.assertNothingStarted()

    def test_bad_strip_gives_the_backdrop_without_buttons(self):
        for name, data in bad_bitmaps():
            with self.subTest(name):
                self.disc.write("art\\buttons.bmp", data)
                report = self.run_empty_window("Could not find D:\\art\\buttons.bmp")
                rect = report.first("expect-window")["rect"]
                self.assertEqual([rect[2] - rect[0], rect[3] - rect[1]], [400, 300], report)
        self.assertNothingStarted()

    def test_short_file_reads_as_zero_filled(self):
        # bfSize says how much is read; what the file lacks of it is zero.
        for name, data in [("art\\back.bmp", backdrop()), ("art\\buttons.bmp", strip())]:
            self.disc.write(name, data[:len(data) // 2])
        report = self.bed.launch("/autorun", ["expect-window title=" + TITLE, "children",
                                              "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertEqual(report.first("expect-window")["client"], [400, 300])
        self.assertEqual(sorted(c["id"] for c in report.first("children")["children"]),
                         [INSTALL, EXIT])
        self.assertNothingStarted()


class PackageTest(HostileCase):
    def test_unusable_package_offers_install_quietly(self):
        cases = [
            ("renamed text file", b"[BXPARAM]\r\nThis is a text file, not a package.\r\n" * 50),
            ("empty file", b""),
            ("folder", None),
        ]
        for name, content in cases:
            with self.subTest(name):
                path = self.disc.file("product.msi")
                if os.path.isdir(path):
                    os.rmdir(path)
                elif os.path.exists(path):
                    os.remove(path)
                if content is None:
                    os.makedirs(path)
                else:
                    self.disc.write("product.msi", content)
                report = self.bed.launch("/autorun", [
                    "expect-window title=" + TITLE, "children", "list-windows", "key ESCAPE",
                    "wait-gone"])
                self.assertTrue(report.ok, report)
                pid = report.first("start")["pid"]
                self.assertEqual([w["title"] for w in report.step("window") if w["pid"] == pid],
                                 [TITLE], report)
                self.assertEqual(sorted(c["id"] for c in report.first("children")["children"]),
                                 [INSTALL, EXIT])
        self.assertNothingStarted()


class UpdateFolderTest(PrereqCase):
    """The automation library update on emulated Windows 98 with update
    folders and wininit.ini files that are not as they should be. The
    delivered files are read-only, as on a disc."""

    def setUp(self):
        super().setUp()
        self.emulate("win98")
        self.install_library("verdll400.dll")
        self.stub_wineboot()
        self.assertIsNone(self.wininit())
        self.system_before = self.system_listing()
        self.disc.autorun("[BXPARAM]\nSetupExe=recstub.exe\nOleAut32_Win9X=OLE\n")

    def system_listing(self):
        """system32 as names and sizes, without the staged copies."""
        return {e: os.path.getsize(os.path.join(self.system32, e))
                for e in os.listdir(self.system32) if not re.match(r"(?i)^_bx.*\.tmp$", e)
                and os.path.isfile(os.path.join(self.system32, e))}

    def deliver(self, files):
        for name, content in files:
            self.disc.write("OLE\\" + name, content)
            os.chmod(self.disc.file("OLE\\" + name), 0o444)

    def unreadable(self, name):
        """A delivered file that Wine lists but cannot open. chmod 000 does
        not keep root out, so as root the file is a link to one that the
        kernel refuses to read even to root."""
        path = self.disc.file("OLE\\" + name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.geteuid() == 0:
            target = "/proc/sys/vm/drop_caches"
            if not os.path.exists(target):
                self.skipTest("no file that root cannot read")
            os.symlink(target, path)
        else:
            with open(path, "wb") as f:
                f.write(b"unreadable")
            os.chmod(path, 0)

    def write_wininit(self, content, read_only=False):
        path = os.path.join(self.windows, "wininit.ini")
        if os.path.exists(path):
            subprocess.run(["chattr", "-i", path], capture_output=True)
            os.remove(path)
        with open(path, "wb") as f:
            f.write(content)
        if read_only:
            os.chmod(path, 0o444)
            if os.geteuid() == 0:
                # Wine leaves the read-only attribute to the kernel, which
                # lets root write anyway; an immutable file it does not.
                if subprocess.run(["chattr", "+i", path], capture_output=True).returncode:
                    self.skipTest("no file that root cannot write")
                self.addCleanup(subprocess.run, ["chattr", "-i", path], capture_output=True)

    def new_staged(self):
        return set(self.staged_files()) - self.before

    def pairs(self, text):
        """Our rename pairs in a wininit.ini text: (target, staged) in order."""
        found = re.findall(rb"NUL=(C:\\windows\\system32\\[^\r\n]*)\r\n\1=([^\r\n]*)\r\n", text)
        return [(t.decode("cp1252"), s.decode("cp1252")) for t, s in found]

    def assertStagedCopies(self, pairs, contents):
        """Each pair names a new staged copy holding its file's content, and
        no other staged copy is left."""
        self.assertEqual(sorted(s.rsplit("\\", 1)[1] for _, s in pairs), sorted(self.new_staged()))
        self.assertEqual(sorted(t.rsplit("\\", 1)[1] for t, _ in pairs), sorted(contents))
        for target, staged in pairs:
            with open(os.path.join(self.system32, staged.rsplit("\\", 1)[1]), "rb") as f:
                self.assertEqual(f.read(), contents[target.rsplit("\\", 1)[1]], target)

    def run_declining(self):
        """Runs the setup path, says No to both questions; setup starts."""
        report = self.bed.launch("", ["expect-box", "answer IDNO", "expect-box", "answer IDNO"])
        self.assertTrue(report.ok, report)
        boxes = report.step("expect-box")
        self.assertPrompt(boxes[0], REBOOT_NOW)
        self.assertPrompt(boxes[1], EXIT_NOW)
        self.assertEqual(len(self.disc.wait_runs()), 1)
        return report

    def assertSystemKept(self):
        self.assertEqual(self.system_listing(), self.system_before)
        self.assertEqual(self.restart_requests(), [])

    def test_only_readable_files_are_staged(self):
        files = {"OLEAUT32.DLL": b"library\r\n", "STDOLE2.TLB": b"type library\r\n"}
        self.deliver(files.items())
        self.disc.write("OLE\\SUB\\inner.dll", b"in a subfolder")
        self.unreadable("BROKEN.DLL")
        self.run_declining()
        self.assertStagedCopies(self.pairs(self.wininit()), files)
        self.assertSystemKept()

    def test_200_files_are_all_staged(self):
        files = {"F%03d.DLL" % i: b"file %d\r\n" % i for i in range(200)}
        self.deliver(files.items())
        started = time.monotonic()
        self.run_declining()
        elapsed = time.monotonic() - started
        text = self.wininit()
        self.assertEqual(text.count(b"\r\n"), 401)
        self.assertTrue(text.startswith(b"[rename]\r\n"))
        self.assertStagedCopies(self.pairs(text), files)
        self.assertLess(elapsed, self.bed.scaled(30))
        self.assertSystemKept()

    def test_other_programs_lines_are_kept(self):
        files = {"OLEAUT32.DLL": b"library\r\n"}
        head = b"[Other]\r\nkey=value\r\n\r\n"
        rename = (b"[rename]\r\nNUL=C:\\other\\old.dll\r\n"
                  b"C:\\other\\old.dll=C:\\other\\new.tmp\r\n")
        tail = b"\r\n[Last]\r\nk=v\r\n"
        no_line_end = b"; comment\n[Other]\nkey=value\n[Rename]\nC:\\x.dll=C:\\y.tmp"
        cases = [
            # (wininit.ini, what it becomes with our lines)
            (head + rename + tail, lambda ours: head + rename + ours + tail),
            (no_line_end, lambda ours: no_line_end + b"\r\n" + ours),
            (b"[Other]\r\nkey=value", lambda ours: b"[Other]\r\nkey=value\r\n[rename]\r\n" + ours),
        ]
        self.deliver(files.items())
        for old, merged in cases:
            with self.subTest(old=old):
                self.write_wininit(old)
                self.run_declining()
                text = self.wininit()
                pairs = self.pairs(text)
                self.assertStagedCopies(pairs, files)
                ours = "".join("NUL=%s\r\n%s=%s\r\n" % (t, t, s) for t, s in pairs).encode()
                self.assertEqual(text, merged(ours))
                for staged in self.new_staged():
                    os.remove(os.path.join(self.system32, staged))
                os.remove(os.path.join(self.disc.path, "recstub.log"))

    def test_wininit_that_cannot_be_rewritten_schedules_nothing(self):
        # Nothing would replace the files at a restart: no prompt, no
        # staged copy left, and setup starts.
        files = {"OLEAUT32.DLL": b"library\r\n", "STDOLE2.TLB": b"type library\r\n"}
        self.deliver(files.items())
        cases = [
            # (what wininit.ini is, its bytes, read-only)
            ("read-only", b"[rename]\r\nNUL=C:\\other\\old.dll\r\n", True),
            ("with a NUL byte", b"[rename]\r\nNUL=C:\\other\\old.dll\r\n\0\r\n", False),
            ("over 1 MB", b"[Other]\r\n" + b"; padding\r\n" * (1 << 17), False),
        ]
        for name, old, read_only in cases:
            with self.subTest(name):
                self.write_wininit(old, read_only)
                report = self.bed.launch("")
                self.assertTrue(report.ok, report)
                self.assertEqual(report.first("wait-exit")["code"], 0, report)
                self.assertEqual([r["cmdline"] for r in self.disc.wait_runs()],
                                 ['"D:\\recstub.exe"'])
                os.remove(os.path.join(self.disc.path, "recstub.log"))
                self.assertEqual(self.wininit(), old)
                self.assertEqual(self.new_staged(), set())
                self.assertSystemKept()


if __name__ == "__main__":
    unittest.main()
