"""The front window end to end: its size and buttons, focus and faces, what
each way of leaving it gives, and its two failure modes."""

import os
import shutil
import struct
import subprocess
import unittest

import winebed
from testlib import bmp8

BACKDROP_COLOUR = (30, 60, 90)
STRIP_W, STRIP_H = 500, 160  # faces of 100 x 40
NORMAL, FOCUS, PRESSED, HOVER, HOVER_FOCUS = range(5)
RUN, SETUP_AGAIN, INSTALL, EXIT = 100, 101, 102, 103


def face_colour(row, column):
    """Each face of the test strip is one flat colour of its own."""
    return (40 + 40 * column, 60 + 40 * row, 200)


FACE_COLOURS = [face_colour(r, c) for r in range(4) for c in range(5)]
PALETTE = [BACKDROP_COLOUR] + FACE_COLOURS


def bmp(width, height, colour_at, bit_count=8):
    """An 8-bit bitmap file over the shared test palette."""
    return bmp8(width, height, PALETTE, lambda x, y: PALETTE.index(colour_at(x, y)),
                colours_used=len(PALETTE), bit_count=bit_count)


def backdrop(width=400, height=300):
    return bmp(width, height, lambda x, y: BACKDROP_COLOUR)


def patterned_backdrop(width=400, height=300):
    """Detail of one pixel, so that a blended or shifted enlargement shows."""
    return bmp(width, height, lambda x, y: PALETTE[(x + 2 * y) % len(PALETTE)])


def doubled(rgb, width):
    """An RGB image with every pixel made a 2 x 2 block."""
    out = bytearray()
    for top in range(0, len(rgb), 3 * width):
        row = rgb[top:top + 3 * width]
        wide = b"".join(row[i:i + 3] * 2 for i in range(0, len(row), 3))
        out += wide * 2
    return bytes(out)


def strip():
    return bmp(STRIP_W, STRIP_H, lambda x, y: face_colour(y // 40, x // 100))


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def inf(**keys):
    return winebed.inf(dict(ProductName="Brindle Test", AutorunBackdrop="art\\back.bmp",
                            AutorunButtons="art\\buttons.bmp", SetupExe="recstub.exe",
                            SetupMSI="product.msi", ExeName="product.exe"), **keys)


class FrontWindowCase(winebed.DiscCase):
    def setUp(self):
        super().setUp()
        self.disc.write("art\\back.bmp", backdrop())
        self.disc.write("art\\buttons.bmp", strip())
        self.disc.autorun(inf())

    def run_window(self, steps, tail="/autorun", wait=5000):
        """Starts the launcher, waits for the front window, follows the steps."""
        return self.bed.launch(tail, ["expect-window 10000", "cursor 0 0"] + list(steps),
                               wait=wait)

    def window(self, report):
        return report.first("expect-window")

    def children(self, report):
        return {c["id"]: c for c in report.first("children")["children"]}

    def assertNothingStarted(self):
        self.assertEqual(self.disc.settled_runs(), [])

    def assertSetupStarted(self):
        runs = self.disc.wait_runs()
        self.assertEqual(len(runs), 1, runs)
        self.assertEqual(runs[0]["cmdline"], '"D:\\recstub.exe"')


class LayoutTest(FrontWindowCase):
    def test_bitmap_files_are_closed_while_the_window_shows(self):
        report = self.run_window(["open-alone D:\\art\\back.bmp",
                                  "open-alone D:\\art\\buttons.bmp", "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)

    def test_product_not_installed_offers_install_and_exit(self):
        report = self.run_window(["children", "focus", "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        w = self.window(report)
        self.assertEqual(w["title"], "Brindle Test")
        self.assertEqual(w["client"], [400, 300])
        kids = self.children(report)
        self.assertEqual(sorted(kids), [INSTALL, EXIT])
        self.assertEqual(kids[INSTALL]["rect"], [10, 250, 110, 290])
        self.assertEqual(kids[EXIT]["rect"], [290, 250, 390, 290])
        for kid in kids.values():
            self.assertEqual(kid["class"].lower(), "button")
            self.assertEqual(kid["style"] & 0xF, 0xB, kid)             # BS_OWNERDRAW
            self.assertEqual(kid["style"] & 0x50010000, 0x50010000, kid)  # child, visible, tab stop
        self.assertEqual(report.first("focus")["id"], INSTALL)
        self.assertNothingStarted()

    def test_window_is_centred_then_grows_by_its_frame(self):
        # Centred at the backdrop's size over the 1024 x 768 screen (no
        # taskbar under Xvfb), then widened to the right and down.
        report = self.run_window(["key ESCAPE", "wait-gone"])
        left, top, right, bottom = self.window(report)["rect"]
        self.assertEqual([left, top], [(1024 - 400) // 2, (768 - 300) // 2], report)
        self.assertGreater(right - left, 400)

    def test_tab_moves_left_to_right_and_wraps(self):
        report = self.run_window(["focus", "key TAB", "sleep 200", "focus", "key TAB",
                                  "sleep 200", "focus", "key SHIFT+TAB", "sleep 200", "focus",
                                  "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertEqual([f["id"] for f in report.step("focus")], [INSTALL, EXIT, INSTALL, EXIT])

    def test_odd_strip_sizes_truncate_the_faces(self):
        self.disc.write("art\\buttons.bmp",
                        bmp(503, 163, lambda x, y: face_colour(min(y // 40, 3), min(x // 100, 4))))
        report = self.run_window(["children", "key ESCAPE", "wait-gone"])
        self.assertEqual(self.children(report)[EXIT]["rect"], [290, 250, 390, 290], report)


class FaceTest(FrontWindowCase):
    """Faces read back from the screen: each face of the strip is a flat colour."""

    def sample(self, origin, rect, label):
        x = origin[0] + (rect[0] + rect[2]) // 2
        y = origin[1] + rect[1] + 5  # off the centre, where a pointer would sit
        return ["echo " + label, "pixel %d %d" % (x, y)]

    def faces(self, report):
        """echo label -> colour of the pixel step that follows it."""
        seen, label = {}, None
        for record in report:
            if record["step"] == "echo":
                label = record["text"]
            elif record["step"] == "pixel" and label:
                seen[label] = record["rgb"]
                label = None
        return seen

    def test_focus_hover_and_leaving(self):
        # The first run only finds where the window is; the second looks.
        probe = self.run_window(["children", "key ESCAPE", "wait-gone"])
        origin = self.window(probe)["origin"]
        kids = self.children(probe)
        install, exit_ = kids[INSTALL]["rect"], kids[EXIT]["rect"]
        steps = (["sleep 300"]
                 + self.sample(origin, install, "install focused")
                 + self.sample(origin, exit_, "exit normal")
                 + ["hover %d" % EXIT, "sleep 300"]
                 + self.sample(origin, exit_, "exit hover")
                 + ["hover %d" % INSTALL, "sleep 300"]
                 + self.sample(origin, install, "install hover focused")
                 + self.sample(origin, exit_, "exit left")
                 + ["cursor 0 0", "sleep 400"]
                 + self.sample(origin, install, "install left")
                 + ["key TAB", "sleep 300"]
                 + self.sample(origin, install, "install unfocused")
                 + self.sample(origin, exit_, "exit focused")
                 + ["hover %d" % EXIT, "mouse down", "sleep 300"]
                 + self.sample(origin, exit_, "exit pressed")
                 + ["mouse up", "wait-gone"])
        report = self.run_window(steps)
        self.assertTrue(report.ok, report)
        self.assertEqual(self.window(report)["origin"], origin)
        expected = {
            "install focused": face_colour(2, FOCUS),
            "exit normal": face_colour(3, NORMAL),
            "exit hover": face_colour(3, HOVER),
            "install hover focused": face_colour(2, HOVER_FOCUS),
            "exit left": face_colour(3, NORMAL),
            "install left": face_colour(2, FOCUS),
            "install unfocused": face_colour(2, NORMAL),
            "exit focused": face_colour(3, FOCUS),
            "exit pressed": face_colour(3, PRESSED),
        }
        self.assertEqual(self.faces(report), {k: hex_colour(v) for k, v in expected.items()})
        self.assertNothingStarted()  # the click on exit

    def test_backdrop_fills_the_client_area(self):
        probe = self.run_window(["key ESCAPE", "wait-gone"])
        ox, oy = self.window(probe)["origin"]
        report = self.run_window(["sleep 200", "pixel %d %d" % (ox, oy),
                                  "pixel %d %d" % (ox + 399, oy + 100),
                                  "key ESCAPE", "wait-gone"])
        self.assertEqual([p["rgb"] for p in report.step("pixel")],
                         [hex_colour(BACKDROP_COLOUR)] * 2, report)


class ResultTest(FrontWindowCase):
    def test_leaving_starts_nothing(self):
        for name, steps in [
            ("escape", ["key ESCAPE"]),
            ("enter", ["key RETURN"]),
            ("enter on exit", ["key TAB", "key RETURN"]),
            ("close box", ["close"]),
            ("exit button", ["click %d" % EXIT]),
            ("space on exit", ["key TAB", "key SPACE"]),
        ]:
            with self.subTest(name):
                report = self.run_window(steps + ["wait-gone"])
                self.assertTrue(report.ok, report)
                self.assertEqual(report.first("wait-exit")["code"], 0, report)
                self.assertNothingStarted()

    def test_install_goes_on_with_setup(self):
        for name, steps in [
            ("click", ["click %d" % INSTALL]),
            ("real click", ["press %d" % INSTALL]),
            ("space", ["key SPACE"]),
        ]:
            with self.subTest(name):
                self.disc = self.bed.new_disc()
                self.setUp()
                report = self.run_window(steps + ["wait-gone"])
                self.assertTrue(report.ok, report)
                self.assertSetupStarted()

    def test_usage_then_the_window_ends_at_once_and_setup_follows(self):
        # Twice: a window that only flashes up is not always caught by a look.
        for count in (1, 2):
            report = self.bed.launch("/? /autorun", ["expect-box", "answer IDOK"])
            self.assertTrue(report.ok, report)
            self.assertEqual(report.first("expect-box")["text"], "setup.exe [/autorun] [/a]")
            flashed = [w["title"] for w in report.first("wait-exit")["flashed"]]
            self.assertNotIn("Brindle Test", flashed, "the front window showed")
            runs = self.disc.wait_runs(count=count)
            self.assertEqual([r["cmdline"] for r in runs], ['"D:\\recstub.exe" /? '] * count)


class FailureTest(FrontWindowCase):
    def assertCouldNotFind(self, report, path):
        box = report.first("expect-box")
        self.assertEqual((box["title"], box["text"], box["buttons"], box["icon"]),
                         ("Setup", "Could not find " + path, [1], "exclamation"), report)

    def test_missing_backdrop_gives_one_message_then_an_empty_window(self):
        self.disc.autorun(inf(AutorunBackdrop="art\\none.bmp", AutorunButtons="art\\nobuttons.bmp"))
        report = self.bed.launch("/autorun", [
            "expect-box", "answer IDOK", "expect-window 5000", "children", "sleep 300",
            "list-windows", "close", "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertCouldNotFind(report, "D:\\art\\none.bmp")
        self.assertEqual(len(report.step("expect-box")), 1)
        w = self.window(report)
        self.assertEqual(w["title"], "Brindle Test")
        self.assertEqual(report.first("children")["children"], [])
        self.assertGreater(w["client"][0], 300)  # the template's size, not a bitmap's
        self.assertNothingStarted()

    def test_missing_strip_gives_one_message_then_the_backdrop_alone(self):
        self.disc.autorun(inf(AutorunButtons="art\\none.bmp"))
        report = self.bed.launch("/autorun", [
            "expect-box", "answer IDOK", "expect-window 5000", "children", "key ESCAPE",
            "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertCouldNotFind(report, "D:\\art\\none.bmp")
        w = self.window(report)
        left, top, right, bottom = w["rect"]
        self.assertEqual([right - left, bottom - top], [400, 300])  # the frame cuts the backdrop
        self.assertEqual(report.first("children")["children"], [])
        self.assertNothingStarted()

    def test_missing_key_names_the_directory(self):
        self.disc.autorun(inf(AutorunBackdrop=None))
        report = self.bed.launch("/autorun", ["expect-box", "answer IDOK", "expect-window",
                                              "close", "wait-gone"])
        self.assertCouldNotFind(report, "D:\\")

    def test_bitmaps_the_loader_cannot_honour_count_as_missing(self):
        good = backdrop()
        cases = {
            "24-bit": good[:28] + struct.pack("<H", 24) + good[30:46] + b"\0\0\0\0" + good[50:],
            "truncated": good[:2] + struct.pack("<I", 2000) + good[6:2000],
            "huge bfSize": good[:2] + struct.pack("<I", 0xFFFFFF00) + good[6:],
            "bfSize below the headers": good[:2] + struct.pack("<I", 20) + good[6:],
            "empty": b"",
        }
        for name, data in cases.items():
            with self.subTest(name):
                self.disc.write("art\\back.bmp", data)
                report = self.bed.launch("/autorun", ["expect-box", "answer IDOK",
                                                      "expect-window", "close", "wait-gone"])
                self.assertTrue(report.ok, report)
                self.assertCouldNotFind(report, "D:\\art\\back.bmp")


@unittest.skipUnless(shutil.which("wixl"), "wixl builds the package")
class ScaleTest(FrontWindowCase):
    """The screen's DPI over 96, rounded down, is the window's scale: 192
    doubles every pixel, 144 changes nothing."""

    def setUp(self):
        super().setUp()
        self.disc.write("art\\back.bmp", patterned_backdrop())

    def shown(self):
        """A driver session with the front window open; its window and buttons."""
        session = self.bed.session(60)
        self.addCleanup(session.close)
        report = winebed.DriverReport()
        for line in ("cmd D:\\setup.exe /autorun", "dir D:\\", "start", "expect-window 10000"):
            report.extend(session.step(line, wait=12))
        # On the backdrop, away from the buttons, or one shows its hover face;
        # Wine keeps a pointer moved over its own window more surely.
        x, y = report.first("expect-window")["origin"]
        report.extend(session.step("cursor %d %d" % (x + 1, y + 1)))
        report.extend(session.step("children"))
        self.assertTrue(report and all(r["ok"] for r in report), report)
        return session, self.window(report), self.children(report)

    def shot(self, window, kids, face):
        """The client area, once the focused first button shows its face."""
        (x, y), (width, _) = window["origin"], window["client"]
        left, top = kids[INSTALL]["rect"][:2]
        at = 3 * (width * (top + 1) + left + 1)
        return self.bed.grab_steady(x, y, *window["client"],
                                    ready=lambda shot: shot[at:at + 3] == bytes(face))

    def leave(self, session, step):
        report = session.step(step)
        # Closing the session ends a launcher still running: let it finish.
        report.extend(session.step("wait-exit 5000", wait=10))
        session.close()
        self.assertTrue(report and all(r["ok"] for r in report), report)

    def assertSameImage(self, got, want, width):
        if got != want:
            first = next(i for i, (a, b) in enumerate(zip(got, want)) if a != b) // 3
            self.fail("%d of %d bytes; first differing pixel at (%d, %d)"
                      % (len(got), len(want), first % width, first // width))

    def test_192_dpi_doubles_every_pixel_and_144_changes_nothing(self):
        focused = face_colour(2, FOCUS)
        session, window, kids = self.shown()
        width, height = window["client"]
        flat = self.shot(window, kids, focused)
        self.leave(session, "key ESCAPE")

        self.bed.set_dpi(192)
        self.addCleanup(self.bed.set_dpi, 96)
        session, window, big = self.shown()
        self.assertEqual(window["client"], [2 * width, 2 * height])
        self.assertEqual({i: b["rect"] for i, b in big.items()},
                         {i: [2 * v for v in k["rect"]] for i, k in kids.items()})
        self.assertSameImage(self.shot(window, big, focused), doubled(flat, width), 2 * width)
        # The hover face over the whole grown button: the hit-test grew too.
        self.assertTrue(session.step("hover %d" % EXIT).first("hover")["ok"])
        x0, y0, x1, y1 = big[EXIT]["rect"]
        hover = bytes(face_colour(3, HOVER)) * ((x1 - x0) * (y1 - y0))
        self.bed.grab_steady(window["origin"][0] + x0, window["origin"][1] + y0, x1 - x0, y1 - y0,
                             ready=lambda shot: shot == hover)
        self.leave(session, "press %d" % EXIT)
        self.assertNothingStarted()
        session, _, _ = self.shown()
        self.leave(session, "press %d" % INSTALL)
        self.assertSetupStarted()

        self.bed.set_dpi(144)
        session, window, kids = self.shown()
        self.assertEqual(window["client"], [width, height])
        self.assertSameImage(self.shot(window, kids, focused), flat, width)
        self.leave(session, "key ESCAPE")


class InstalledTest(FrontWindowCase):
    """The product of tests/wine/msi/writer.wxs installed with msiexec: its
    program is a recording stub, so a run of it leaves a log."""

    @classmethod
    def setUpClass(cls):
        bed = winebed.bed()
        cls.packages = os.path.join(bed.work, "front-window-package")
        os.makedirs(os.path.join(cls.packages, "bin"), exist_ok=True)
        shutil.copy(bed.tool("recstub.exe"), os.path.join(cls.packages, "bin", "Writer.exe"))
        subprocess.run(["wixl", "-D", "Bin=bin/", "-o", "writer.msi",
                        os.path.join(os.path.dirname(os.path.abspath(__file__)), "msi", "writer.wxs")],
                       cwd=cls.packages, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.msi = os.path.join(cls.packages, "writer.msi")
        cls.msiexec(bed, "/i")
        cls.program = os.path.join(bed.prefix, "drive_c", "Program Files", "Brindle Writer",
                                   "Writer.exe")

    @classmethod
    def tearDownClass(cls):
        cls.msiexec(winebed.bed(), "/x")

    @classmethod
    def msiexec(cls, bed, switch):
        subprocess.run(["wine", "msiexec", switch, winebed.to_windows(cls.msi), "/qn"],
                       env=bed.env, check=True, timeout=bed.scaled(60), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def setUp(self):
        super().setUp()
        shutil.copy(self.msi, self.disc.file("product.msi"))
        self.disc.autorun(inf(ExeName="Writer.exe"))
        log = os.path.splitext(self.program)[0] + ".log"
        if os.path.exists(log):
            os.remove(log)

    def product_runs(self):
        return self.bed.wait_runs(self.program)

    def test_installed_product_offers_run_setup_again_and_exit(self):
        report = self.run_window(["children", "focus", "key TAB", "sleep 200", "focus",
                                  "key TAB", "sleep 200", "focus", "key ESCAPE", "wait-gone"])
        self.assertTrue(report.ok, report)
        kids = self.children(report)
        self.assertEqual(sorted(kids), [RUN, SETUP_AGAIN, EXIT])
        self.assertEqual(kids[RUN]["rect"], [10, 250, 110, 290])
        self.assertEqual(kids[SETUP_AGAIN]["rect"], [180, 250, 280, 290])
        self.assertEqual(kids[EXIT]["rect"], [290, 250, 390, 290])
        self.assertEqual([f["id"] for f in report.step("focus")], [RUN, SETUP_AGAIN, EXIT])
        self.assertNothingStarted()

    def test_run_starts_the_installed_program(self):
        report = self.run_window(["click %d" % RUN, "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertEqual(len(self.product_runs()), 1)
        self.assertNothingStarted()

    def test_setup_again_goes_on_with_setup(self):
        report = self.run_window(["click %d" % SETUP_AGAIN, "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertSetupStarted()
        self.assertEqual(self.product_runs(), [])

    def test_buttons_grown_at_192_dpi_do_what_they_do_at_96(self):
        self.bed.set_dpi(192)
        self.addCleanup(self.bed.set_dpi, 96)
        report = self.run_window(["press %d" % RUN, "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertEqual(len(self.product_runs()), 1)
        report = self.run_window(["press %d" % SETUP_AGAIN, "wait-gone"])
        self.assertTrue(report.ok, report)
        self.assertSetupStarted()

    def test_deleted_program_offers_install_again(self):
        moved = self.program + ".away"
        os.rename(self.program, moved)
        self.addCleanup(os.rename, moved, self.program)
        for instead in ("nothing", "a folder"):
            with self.subTest(instead=instead):
                if instead == "a folder":
                    os.mkdir(self.program)
                    self.addCleanup(os.rmdir, self.program)
                report = self.run_window(["children", "key ESCAPE", "wait-gone"])
                self.assertEqual(sorted(self.children(report)), [INSTALL, EXIT], report)


if __name__ == "__main__":
    unittest.main()
