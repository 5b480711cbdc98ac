#!/usr/bin/env python3
"""bxdisc from its command line: exit statuses, the demo disc, both previews
and the disc image's round trip through xorriso.

    python3 tests/kit/test_bxdisc.py PATH/TO/bxdisc
"""
from __future__ import annotations

import contextlib
import filecmp
import json
import os
import re
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import testlib
import whole_discs
from testlib import STAND_IN_LAUNCHER, bmp8, bxdisc, demo_disc, has_art, make_test_key, snapshot

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def findings(out):
    """The lines of a check that are findings, not notes."""
    return [line for line in out.splitlines() if not line.startswith("note: ")]


def sandbox_works() -> bool:
    """Whether bubblewrap, which check verifies signatures in, can run here."""
    return subprocess.run(["bwrap", "--unshare-all", "--ro-bind", "/", "/", "true"],
                          capture_output=True).returncode == 0 if shutil.which("bwrap") else False


LINK_REFUSED: str = " is a symbolic link; a disc's files are written only inside its folder; fix: replace the link with the "


def unprivileged() -> list[str] | None:
    """The words that run a program without root's power to pass over
    folders' permissions; None for root without setpriv."""
    if os.geteuid() != 0:
        return []
    return ["setpriv", "--bounding-set=-dac_override,-dac_read_search"] if shutil.which("setpriv") else None


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


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
        self.assertEqual((0, []), (r.returncode, findings(r.stdout)), r.stderr)

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

    def test_the_failing_discs_differ_from_it_in_one_part(self):
        # try --whole's test discs must fail for their one reason only: check
        # stays clean, and the refusing package keeps the demo's product.
        def table(disc, name):
            return subprocess.run(["msiinfo", "export", str(Path(disc, "BrindleDemo.msi")), name],
                                  capture_output=True, text=True, check=True).stdout.splitlines()[3:]
        tools = Path(self.tmp.name, "tools")
        tools.mkdir(exist_ok=True)
        (tools / "stucksetup.exe").write_bytes(b"MZ")
        demo = Path(self.disc)
        cases = [("refusing", lambda target: whole_discs.refusing_disc(demo, target),
                  ["VersionNT >= 500\t" + whole_discs.REFUSAL], "DemoSetup.exe"),
                 ("stuck", lambda target: whole_discs.stuck_disc(demo, target, tools), [], whole_discs.STUCK_SETUP)]
        for name, make, conditions, setup_exe in cases:
            with self.subTest(disc=name):
                # Named relative to the current folder, as a caller may name it.
                with contextlib.chdir(self.tmp.name):
                    disc = Path(self.tmp.name, make(Path(name)))
                r = bxdisc("check", str(disc))
                self.assertEqual((0, []), (r.returncode, findings(r.stdout)), r.stderr)
                self.assertEqual(conditions, table(disc, "LaunchCondition"))
                self.assertEqual(table(demo, "File"), table(disc, "File"))
                self.assertIn("SetupExe=%s" % setup_exe, (disc / "Autorun.inf").read_text())
                self.assertEqual(setup_exe == "DemoSetup.exe", (disc / "DemoSetup.exe").exists())

    def test_sheet_of_every_face(self):
        # At --scale N every pixel of the picture is an N x N block; N the next word or after "=".
        for scale, words in (("1", ("--scale", "1")), ("2", ("--scale=2",)), ("3", ("--scale", "3"))):
            with self.subTest(scale=scale):
                out = os.path.join(self.tmp.name, "faces.png")
                r = bxdisc("preview", self.disc, out, "--state=all", *words)
                self.assertEqual(0, r.returncode, r.stderr)
                self.assertEqual((int(scale) * (2 * 540 + 8), int(scale) * (5 * (36 + 20) + 4 * 8)), png_size(out))

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_image_round_trip(self):
        iso = os.path.join(self.tmp.name, "demo.iso")
        r = bxdisc("image", self.disc, iso, "--label", "BRINDLE_DEMO")
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        out = os.path.join(self.tmp.name, "extracted")
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", iso, "-extract", "/", out],
                       check=True, capture_output=True)
        def files(top):
            return sorted(os.path.relpath(os.path.join(d, n), top)
                          for d, _, names in os.walk(top) for n in names)
        names = files(self.disc)
        self.assertEqual(names, files(out))
        _, mismatch, errors = filecmp.cmpfiles(self.disc, out, names, shallow=False)
        self.assertEqual(([], []), (mismatch, errors))
        # Windows reads the Joliet tree: long names with their case.
        joliet = subprocess.run(["xorriso", "-read_fs", "norock", "-indev", iso,
                                 "-find", "/", "-type", "f"], capture_output=True, text=True)
        self.assertIn("'/BrindleDemo.msi'", joliet.stdout)
        pvd = subprocess.run(["xorriso", "-indev", iso, "-pvd_info"], capture_output=True, text=True)
        self.assertRegex(pvd.stdout, r"Volume Id\s*: BRINDLE_DEMO")

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_image_is_reproducible(self):
        images = []
        for n in range(2):
            for name in os.listdir(self.disc):
                os.utime(os.path.join(self.disc, name), (1e9 + n, 1e9 + n))
            images.append(os.path.join(self.tmp.name, "same%d.iso" % n))
            r = bxdisc("image", self.disc, images[-1], "--label", "SAME",
                       env={"SOURCE_DATE_EPOCH": "1700000000"})
            self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        self.assertTrue(filecmp.cmp(*images, shallow=False))
        # A new image takes the umask's mode; one made over an old one keeps the old one's.
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(images[1], 0o640)
        r = bxdisc("image", self.disc, images[1], "--label", "SAME", env={"SOURCE_DATE_EPOCH": "1700000000"})
        modes = [stat.S_IMODE(os.stat(i).st_mode) for i in images]
        self.assertEqual((0, [0o666 & ~umask, 0o640]), (r.returncode, modes))
        self.assertTrue(filecmp.cmp(*images, shallow=False))


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
            (("bogus", self.disc), 2),
            (("art",), 2),
            (("art", self.disc), 2),
            (("art", self.disc, "--backdrop", "a.png", "--installed"), 2),
            (("art", self.disc, "--backdrop", "a.png", "--accent", "blue"), 2),
            (("preview", self.disc, "p.png", "--state", "sideways"), 2),
            (("preview", self.disc, "p.png", "--", "/autorun"), 2),
            (("preview", self.disc, "p.png", "--scale", "5"), 2),
            (("try", self.disc, "--system", "win31"), 2),
            (("try", self.disc, "--click", "setup"), 2),
            (("try", self.disc, "--timeout", "0"), 2),
            (("try", self.disc, "--timeout", "3601"), 2),
            (("try", self.disc, "--oleaut32", "9.9"), 2),
            (("try", self.disc, "--matrix=win95,win31"), 2),
            (("try", self.disc, "--matrix", "win95"), 2),
            (("check", self.disc, "--launcher", "a.exe", "--launcher", "b.exe"), 2),
            (("check", self.disc, "--launcher"), 2),
            (("image", self.disc, "x.iso", "--label"), 2),
        ]
        art = has_art()
        for args, status in cases:
            with self.subTest(args=args):
                r = bxdisc(*args)
                self.assertEqual(status, r.returncode)
                # Usage errors print the usage; a kit without art says so instead.
                if status == 2 and args[0] != "check" and (art or args[0] != "art" or len(args) == 1):
                    self.assertIn("usage: bxdisc", r.stderr)

    def test_a_value_is_the_next_word_or_after_equals(self):
        self.write("setup.exe", b"MZ")
        disc = self.disc
        for given, same in [(("check", disc, "--format=json"), ("check", disc, "--format", "json")),
                            (("check", disc, "--format=sarif", "--launcher=setup.exe", "--verify-timeout=5"),
                             ("check", disc, "--format", "sarif", "--launcher", "setup.exe", "--verify-timeout", "5")),
                            (("check", "--list-rules", "--format=json"),
                             ("check", "--list-rules", "--format", "json"))]:
            with self.subTest(given=given):
                r, s = bxdisc(*given), bxdisc(*same)
                self.assertEqual((s.returncode, s.stdout, s.stderr), (r.returncode, r.stdout, r.stderr))
                json.loads(r.stdout)
        # An optional value only after "="; the next word that names its choices is taken for a slip.
        for args, message in [
                (("try", disc, "--matrix", "win98", "--junit", "x.xml"),
                 'try: --matrix takes its SYSTEMS only after "=": did you mean --matrix=win98?'),
                (("try", "--matrix", "win98,win10", disc),
                 'try: --matrix takes its SYSTEMS only after "=": did you mean --matrix=win98,win10?'),
                (("try", disc, "--matrix=win955"),
                 'try: --matrix takes SYSTEMS among win95|win98|winme|nt40|win2k|winxp|win7|win8|win10|win11, '
                 'not "win955"'),
                (("check", disc, "--format="), "check: --format= is empty: give --format=FORMAT"),
                (("check", disc, "--format=xml"), 'check: --format takes text|json|sarif, not "xml"'),
                (("check", disc, "--strict=yes"), "check: --strict takes no value"),
                (("preview", disc, "p.png", "--scale=5"), 'preview: --scale takes 1|2|3|4, not "5"')]:
            with self.subTest(args=args):
                r = bxdisc(*args)
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn("bxdisc " + message + "\nusage: bxdisc " + args[0], r.stderr)

    def test_what_try_refuses_before_it_runs(self):
        # After "--" the words are the launcher's: -h is no call for bxdisc's help.
        # The ends of the ranges are taken; the disc is what stops them.
        for args, message in [((os.path.join(self.disc, "absent"), "--", "-h"), "cannot read the folder"),
                              ((self.disc, "--timeout", "3600"), "no setup.exe in"),
                              ((self.disc, "--dpi", "96"), "no setup.exe in"),
                              ((self.disc, "--dpi", "480"), "no setup.exe in"),
                              ((self.disc, "--dpi", "95"), 'try: --dpi takes 96 to 480, not "95"'),
                              # A value that only begins with a choice is none.
                              ((self.disc, "--system", "win955"), 'try: --system takes win95|win98|winme|nt40|win2k|'
                               'winxp|win7|win8|win10|win11, not "win955"'),
                              ((self.disc, "--click", "installx"), 'try: --click takes run|again|install|exit, not "installx"'),
                              ((self.disc, "--dpi", "481"), 'try: --dpi takes 96 to 480, not "481"'),
                              ((self.disc, "--dpi", "+192"), 'try: --dpi takes 96 to 480, not "+192"'),
                              ((self.disc, "--dpi", "99999999999999999999"), "try: --dpi takes 96 to 480"),
                              ((self.disc, "--screenshot", ""), "try: --screenshot takes a file"),
                              ((self.disc, "--matrix", "--junit", ""), "try: --junit takes a file"),
                              ((self.disc, "--matrix", "-j", "64"), "no setup.exe in"),
                              ((self.disc, "--matrix", "-j", "65"), 'try: --jobs takes 1 to 64, not "65"'),
                              ((self.disc, "--matrix", "--system", "win98"), "--matrix cannot go with --system"),
                              ((self.disc, "--matrix", "--show"), "--matrix cannot go with --show"),
                              ((self.disc, "--matrix", "--screenshot", "a.png"),
                               "--matrix cannot go with --screenshot"),
                              ((self.disc, "-j", "2"), "--jobs goes only with --matrix"),
                              ((self.disc, "--html", "out"), "--html goes only with --matrix"),
                              ((self.disc, "--junit", "j.xml"), "--junit goes only with --matrix"),
                              ((self.disc, "--shard", "1/2"), "--shard goes only with --matrix"),
                              ((self.disc, "--results", "r"), "--results goes only with --matrix"),
                              ((self.disc, "--matrix", "--results", ""), "try: --results takes a folder"),
                              *(((self.disc, "--whole") + option, "try: --whole cannot go with %s: %s" % (option[0], remedy))
                                for option, remedy in ((("--click", "run"), "it clicks Install, then Run, itself"),
                                                       (("--installed",), "it installs the disc's package with the "
                                                        "disc's own setup program"),
                                                       (("--show",), "it answers every window itself"))),
                              ((self.disc, "--whole", "--", "/a"), "try: --whole takes nothing after --: it starts the "
                               "disc as its automatic start does"),
                              ((self.disc, "--whole", "--matrix", "--shard", "1/2"), "no setup.exe in"),
                              ((self.disc, "--matrix", "--shard", "10/10"), "no setup.exe in"),
                              *(((self.disc, "--matrix", "--shard", shard),
                                 'try: --shard takes I/N, whole numbers with 1 <= I <= N <= 10, not "%s"' % shard)
                                for shard in ("0/3", "4/3", "1/11", "3", "1/", "/3", "+1/3", "1/3/3", "a/b")),
                              (("--merge",), "try: --merge takes one or more RESULTS_DIR"),
                              (("--merge", "r"), "try: --merge needs --html DIR or --junit FILE"),
                              (("--merge", "r", "--html", ""), "try: --html takes a folder"),
                              (("--merge", "r", "--junit", "j.xml", "--", "/x"), "try: --merge takes nothing after --"),
                              *((("--merge", "r", "--junit", "j.xml") + option, "try: --merge cannot go with " + option[0])
                                for option in (("--matrix",), ("--shard", "1/2"), ("--results", "r"), ("--jobs", "2"),
                                               ("--click", "run"), ("--system", "win98"), ("--show",)))]:
            with self.subTest(args=args):
                r = bxdisc("try", *args)
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn(message, r.stderr)

    def test_try_takes_its_options_as_the_schema_says(self):
        # The choices, ranges and units bxdisc takes are those of the file that try's runner reads.
        from bxdisc_try.schema import SCHEMA
        usage = bxdisc("try", "--help").stdout
        self.assertIn("(default %s; %s where this Wine knows it)" % (SCHEMA.default_system, ", ".join(SCHEMA.newer)),
                      usage)
        choices = [("--system", SCHEMA.systems), ("--click", [b.name for b in SCHEMA.buttons]),
                   *(("--" + name, values) for name, values in SCHEMA.choices.items())]
        for option, values in choices:
            self.assertIn("[%s %s]" % (option, "|".join(values)), usage)
        for name, number in SCHEMA.numbers.items():
            option, least, most = "--" + name, number.least, number.most
            self.assertIn("[%s %s]" % (option, number.unit), usage)
            for value, said in ((least, "no setup.exe in"), (most, "no setup.exe in"),
                                (least - 1, 'try: %s takes %d to %d, not "%d"' % (option, least, most, least - 1)),
                                (most + 1, 'try: %s takes %d to %d, not "%d"' % (option, least, most, most + 1))):
                with self.subTest(option=option, value=value):
                    r = bxdisc("try", self.disc, "--matrix", option, str(value))
                    self.assertEqual((2, ""), (r.returncode, r.stdout))
                    self.assertIn(said, r.stderr)

    def test_try_hands_the_runner_its_request_on_standard_input(self):
        # A stand-in python3 keeps what it was given; the disc's name is no UTF-8.
        data, tools = os.path.join(self.tmp.name, "data"), os.path.join(self.tmp.name, "bin")
        for folder in ("bxdisc_try", "winerunner"):
            os.makedirs(os.path.join(data, folder))
        os.makedirs(tools)
        kept = os.path.join(self.tmp.name, "kept")
        with open(os.path.join(tools, "python3"), "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$@" > %s.argv\nprintf "%%s" "$PYTHONPATH" > %s.path\ncat > %s.json\n'
                    % (kept, kept, kept))
        os.chmod(os.path.join(tools, "python3"), 0o755)
        disc = os.path.join(os.fsencode(self.tmp.name), b"Caf\xe9 \xed\xa0\x80")
        os.makedirs(disc)
        with open(os.path.join(disc, b"setup.exe"), "wb") as f:
            f.write(b"MZ")
        env = dict(os.environ, BXDISC_DATA=data, PATH=tools + ":" + os.environ["PATH"])
        # A request that cannot be written is said, and nothing is started.
        r = subprocess.run(["sh", "-c", 'ulimit -f 0; trap "" XFSZ; exec "$0" "$@"', testlib.BXDISC, "try", disc],
                           capture_output=True, timeout=60, env=env)
        self.assertEqual((2, b"bxdisc try: cannot hand the runner its request in a temporary file (File too large)\n"),
                         (r.returncode, r.stderr))
        self.assertFalse(os.path.exists(kept + ".argv"))
        # Without a standard input of its own too: the request's file is then descriptor 0.
        for shell in ('exec "$0" "$@"', 'exec "$0" "$@" <&-'):
            with self.subTest(shell=shell):
                r = subprocess.run(["sh", "-c", shell, testlib.BXDISC, "try", disc, "--matrix", "-j", "2", "--", "/x"],
                                   capture_output=True, timeout=60, env=env)
                self.assertEqual(0, r.returncode, r.stderr)
                with open(kept + ".argv") as f:
                    self.assertEqual(["-P", "-B", "-m", "bxdisc_try", "run"], f.read().splitlines())
                # Its imports from the data folder alone.
                with open(kept + ".path") as f:
                    self.assertEqual(data, f.read())
                with open(kept + ".json", "rb") as f:
                    request = json.loads(f.read())
                self.assertEqual(disc, os.fsencode(request["disc"]))
                self.assertEqual(({"matrix": [], "jobs": 2}, ["/x"]), (request["options"], request["tail"]))
        # An option's value the next word or after "=", an alias's too.
        for words in (("--jobs=3", "--matrix=win98,win10"), ("--matrix=win98,win10", "-j", "3")):
            with self.subTest(words=words):
                r = subprocess.run([testlib.BXDISC, "try", disc, *words], capture_output=True, timeout=60, env=env)
                self.assertEqual(0, r.returncode, r.stderr)
                with open(kept + ".json", "rb") as f:
                    self.assertEqual({"matrix": ["win98", "win10"], "jobs": 3}, json.loads(f.read())["options"])
        # Every option bxdisc hands on, the runner takes, typed as bxdisc meant it.
        from bxdisc_try import request as requests
        for words, options in (
                (("--system", "win98", "--installed", "--no-sandbox", "--timeout", "9", "--show", "--screenshot",
                  "a.png", "--click", "install", "--answer", "no", "--oleaut32", "3.50", "--dpi", "192", "--fresh"),
                 dict(system="win98", installed=True, no_sandbox=True, timeout=9, show=True,
                      screenshot=os.path.abspath("a.png"), click="install", answer="no", oleaut32="3.50", dpi=192,
                      fresh=True)),
                (("--matrix=win98,win10", "-j", "3", "--html", "h", "--junit", "j.xml", "--shard", "1/2",
                  "--results", "r"),
                 dict(matrix=("win98", "win10"), jobs=3, html=os.path.abspath("h"), junit=os.path.abspath("j.xml"),
                      shard=(1, 2), results=os.path.abspath("r")))):
            with self.subTest(words=words):
                r = subprocess.run([testlib.BXDISC, "try", disc, *words], capture_output=True, timeout=60, env=env)
                self.assertEqual(0, r.returncode, r.stderr)
                with open(kept + ".json", "rb") as f:
                    request = requests.load(f.read().decode("utf-8", "surrogateescape"))
                self.assertEqual(requests.Options(**options), request.options)
        # --merge reads no disc: its folders and outputs go as words, the folders after "--".
        r = subprocess.run([testlib.BXDISC, "try", "--merge", "a b", "c", "--junit", "-j.xml"], capture_output=True,
                           timeout=60, env=env)
        self.assertEqual(0, r.returncode, r.stderr)
        with open(kept + ".argv") as f:
            self.assertEqual(["-P", "-B", "-m", "bxdisc_try", "merge",
                              "--bxdisc=" + bxdisc("--version").stdout.split()[1], "--junit=-j.xml", "--", "a b", "c"],
                             f.read().splitlines())
        # Without python3 on PATH there is no runner to start, and bxdisc says what to install.
        r = subprocess.run([testlib.BXDISC, "try", "--merge", "a", "--junit", "j.xml"], capture_output=True, text=True,
                           timeout=60, env=dict(env, PATH=data))
        self.assertEqual((2, "bxdisc try: cannot start python3 (No such file or directory): install python3\n"),
                         (r.returncode, r.stderr))

    def test_merge_makes_one_matrix_of_the_shards_results(self):
        # Written by the code a shard writes them with; merged by the runner in bxdisc's data folder.
        from bxdisc_try import results_folder
        from bxdisc_try.run_result import RunResult
        version = bxdisc("--version").stdout.split()[1]
        every = ("win98", "winxp", "win10")
        folders = []
        for i, (part, theirs) in enumerate(((every[:2], version), (every[2:], version), (every[2:], "0.0.1")), 1):
            folders.append(os.path.join(self.tmp.name, "shard%d" % i))
            results_folder.claim(Path(folders[-1]))
            results_folder.write(Path(folders[-1]), results_folder.Manifest(
                theirs, "demo", "ab" * 32, (), every, (min(i, 2), 2), part),
                [RunResult(s, 1 if s == "winxp" else 0, "v", 2.0, report="r\n") for s in part])
        page, junit = os.path.join(self.tmp.name, "page"), os.path.join(self.tmp.name, "j.xml")
        # The runner from the source tree: a build without the Windows parts has no data folder.
        data = os.path.join(self.tmp.name, "data")
        shutil.copytree(os.path.join(ROOT, "kit", "try", "bxdisc_try"), os.path.join(data, "bxdisc_try"))
        os.symlink(os.path.join(ROOT, "winerunner"), os.path.join(data, "winerunner"))
        r = bxdisc("try", "--merge", *folders[:2], "--html", page, "--junit", junit, env={"BXDISC_DATA": data})
        self.assertEqual((1, ""), (r.returncode, r.stderr))
        lines = r.stdout.splitlines()
        self.assertEqual("bxdisc try: demo on win98, winxp, win10, merged from 2 folders", lines[0])
        self.assertEqual(list(every), [line.split()[0] for line in lines[2:5]])
        self.assertEqual(["bxdisc try: the page: %s/index.html" % page, "bxdisc try: the JUnit report: " + junit,
                          "bxdisc try: 2 of 3 systems did what the disc intends (exit status 1)"], lines[5:])
        r = bxdisc("try", "--merge", folders[0], folders[2], "--junit", junit, env={"BXDISC_DATA": data})
        self.assertEqual((2, "bxdisc try: %s holds results of bxdisc 0.0.1, and this is bxdisc %s: merge them "
                             "with the bxdisc that made them, or run that shard again\n" % (folders[2], version)),
                         (r.returncode, r.stderr))
        # A report that cannot be written is no success.
        r = bxdisc("try", "--merge", *folders[:2], "--junit", os.path.join(junit, "j.xml"), env={"BXDISC_DATA": data})
        self.assertEqual(2, r.returncode)
        self.assertIn("neither the page nor the JUnit report is written", r.stderr)
        self.assertIn("%s/j.xml" % junit, r.stderr)

    def test_help_goes_to_standard_output(self):
        for args in (("--help",), ("help",), ("help", "try"), ("try", "--help"), ("art", "-h")):
            with self.subTest(args=args):
                r = bxdisc(*args)
                self.assertEqual((0, ""), (r.returncode, r.stderr))
                self.assertIn("usage: bxdisc", r.stdout)
        # A line on what each command does, after the usage.
        r = bxdisc("--help")
        commands = re.findall(r"^(?:usage:)? +bxdisc (\w+) ", r.stdout, re.M)
        self.assertEqual(["new", "check", "preview", "art", "sign", "image", "try"], commands)
        for command in commands:
            self.assertRegex(r.stdout, r"\n  %s +[a-z].{20,66}\n" % command)
        self.assertIn("'bxdisc help COMMAND'", r.stdout)
        self.assertIn("'man bxdisc'", r.stdout)
        r = bxdisc()
        self.assertEqual((2, ""), (r.returncode, r.stdout))
        self.assertRegex(r.stderr, r"^bxdisc: no command\nusage: bxdisc ")
        r = bxdisc("--version")
        self.assertEqual((0, ""), (r.returncode, r.stderr))
        self.assertRegex(r.stdout, r"^bxdisc \d+\.\d+\.\d+\n$")

    def test_the_man_page_names_every_command_and_option(self):
        with open(os.path.join(ROOT, "kit", "man", "bxdisc.1.in")) as f:
            page = f.read().replace("\\-", "-")
        commands = re.findall(r"^(?:usage:)? +bxdisc (\w+) ", bxdisc("--help").stdout, re.M)
        self.assertIn("try", commands)
        for command in commands:
            self.assertIn(".B " + command + "\n", page)
            for option in set(re.findall(r"--[a-z0-9-]+", bxdisc("help", command).stdout)):
                with self.subTest(command=command, option=option):
                    self.assertIn(option, page)

    def test_bash_completes_from_bxdisc_itself(self):
        script = os.path.join(ROOT, "kit", "completion", "bxdisc")
        rows = [("bxdisc tr", "try"), ("bxdisc try D --sys", "--system"), ("bxdisc try D --mat", "--matrix"),
                ("bxdisc try D --j", "--jobs --junit"),
                ("bxdisc try D --system win9", "win95 win98"), ("bxdisc preview D P --state hover-",
                 "hover-focused"), ("bxdisc new D --dry", "--dry-run"), ("bxdisc help im", "image"),
                ("bxdisc check D --format = j", "json"), ("bxdisc check D --format =", "text json sarif"),
                ("bxdisc try D -- --sys", "")]
        for line, want in rows:
            with self.subTest(line=line):
                words = line.split(" ")
                r = subprocess.run(["bash", "-c", 'source "$0"; COMP_WORDS=("${@:2}"); COMP_CWORD=$1; '
                                    '_bxdisc; echo "${COMPREPLY[*]}"', script, str(len(words) - 1)] + words,
                                   capture_output=True, text=True, timeout=60,
                                   env=dict(os.environ, PATH=os.path.dirname(testlib.BXDISC) + ":" + os.environ["PATH"]))
                self.assertEqual(want, r.stdout.strip(), r.stderr)

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_a_failed_image_is_exit_status_2(self):
        self.write("setup.exe", b"MZ")
        self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
        out = tempfile.mkdtemp()  # outside the disc
        self.addCleanup(shutil.rmtree, out)
        failing, empty = os.path.join(out, "failing"), os.path.join(out, "empty")
        os.mkdir(failing), os.mkdir(empty)
        with open(os.path.join(failing, "xorriso"), "w") as f:
            f.write("#!/bin/sh\nexit 5\n")
        os.chmod(os.path.join(failing, "xorriso"), 0o755)
        iso = os.path.join(out, "x.iso")
        cases = [("/nonexistent/x.iso", os.environ["PATH"], "/nonexistent/x.iso: cannot write in its folder"),
                 (iso, failing + ":" + os.environ["PATH"], iso + ": xorriso failed (its messages above)"),
                 (iso, empty, iso + ": xorriso is not installed")]
        for path, search, message in cases:
            with self.subTest(message):
                r = bxdisc("image", self.disc, path, "--label", "DISC", env={"PATH": search})
                self.assertEqual(2, r.returncode, r.stdout + r.stderr)
                self.assertIn(message, r.stderr)
                self.assertNotIn("findings", r.stderr)
                self.assertEqual(["empty", "failing"], sorted(os.listdir(out)))  # nothing beside the image's place

    def test_art_from_bad_input_names_the_file_and_writes_nothing(self):
        if not has_art():
            self.skipTest("bxdisc was built without its art command")
        self.write("art.png", b"\x89PNG\r\n\x1a\n" + bytes(40))
        before = sorted(os.listdir(self.disc))
        for extra, message in [((), "art.png: "),
                               (("--names", "art\\back.bmp,buttons.bmp"), "without a folder")]:
            r = bxdisc("art", self.disc, "--backdrop", os.path.join(self.disc, "art.png"),
                       "--update-inf", *extra)
            self.assertEqual(2, r.returncode)
            self.assertIn(message, r.stderr)
            self.assertEqual(before, sorted(os.listdir(self.disc)))

    def test_art_and_new_write_nothing_through_a_link(self) -> None:
        if not has_art():
            self.skipTest("bxdisc was built without its art command")
        top = self.tmp.name
        disc, outside, data = (os.path.join(top, n) for n in ("disc", "outside", "data"))
        for folder in (disc, outside, data):
            os.mkdir(folder)
        for path in (os.path.join(outside, "backdrop.bmp"), os.path.join(outside, "setup32.exe"),
                     os.path.join(data, "setup.exe")):
            with open(path, "wb") as f:
                f.write(b"MZ the author's")
        os.symlink("../outside", os.path.join(disc, "Setup"))
        os.symlink("../outside/backdrop.bmp", os.path.join(disc, "backdrop.bmp"))
        png = os.path.join(top, "backdrop.png")
        subprocess.run([sys.executable, os.path.join(ROOT, "demo", "make_backdrop.py"), png], check=True)
        before = snapshot(top)
        for args in (("new", disc, "--product", "P", "--force"), ("art", disc, "--backdrop", png)):
            with self.subTest(command=args[0]):
                r = bxdisc(*args, env={"BXDISC_DATA": data})
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn("backdrop.bmp:" + LINK_REFUSED + "file itself", r.stderr)
                self.assertEqual(before, snapshot(top))

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

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_long_names_only_in_the_large_image(self):
        self.write("setup.exe", b"MZ")
        self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
        name = "A manual whose name is longer than the sixty-four characters of Joliet.pdf"
        self.write(name, b"%PDF")
        iso = os.path.join(self.disc, "..", os.path.basename(self.disc) + ".iso")
        self.addCleanup(lambda: os.path.exists(iso) and os.remove(iso))
        r = bxdisc("image", self.disc, iso, "--label", "DISC")
        self.assertEqual(1, r.returncode)
        self.assertIn(name + ": a name of 74 characters", r.stdout)
        r = bxdisc("image", self.disc, iso, "--label", "DISC", "--large")
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        joliet = subprocess.run(["xorriso", "-read_fs", "norock", "-indev", iso, "-find", "/", "-type", "f"],
                                capture_output=True, text=True)
        self.assertIn("'/" + name + "'", joliet.stdout)

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso makes the image")
    def test_a_file_of_4_gib_goes_only_in_the_large_image(self):
        # xorriso judges bxdisc's options but only sizes the image, for 4 GiB would take minutes to write.
        self.write("setup.exe", b"MZ")
        self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
        with open(os.path.join(self.disc, "big.cab"), "wb") as f:
            f.truncate(4 << 30)
        tools = tempfile.mkdtemp()  # outside the disc
        self.addCleanup(shutil.rmtree, tools)
        with open(os.path.join(tools, "xorriso"), "w") as f:
            f.write('#!/bin/sh\nexec %s "$@" -print-size\n' % shutil.which("xorriso"))
        os.chmod(os.path.join(tools, "xorriso"), 0o755)
        env = {"PATH": tools + ":" + os.environ["PATH"]}
        iso = os.path.join(tools, "x.iso")
        r = bxdisc("image", self.disc, iso, "--label", "DISC", env=env)
        self.assertEqual(1, r.returncode)
        self.assertIn("big.cab: a file of 4 GiB or more", r.stdout)
        r = bxdisc("image", self.disc, iso, "--label", "DISC", "--large", env=env)
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        sectors = re.search(r"^(\d+)$", r.stdout, re.M)
        self.assertTrue(sectors, r.stdout)
        self.assertGreater(int(sectors.group(1)) * 2048, 4 << 30)

    def test_no_image_of_a_disc_with_findings(self):
        iso = os.path.join(self.tmp.name, "out.iso")
        self.write("setup.exe", b"MZ")
        r = bxdisc("image", self.disc, iso, "--label", "DISC")
        self.assertEqual(1, r.returncode)
        self.assertIn("Autorun.inf: missing", r.stdout)
        self.assertEqual("bxdisc: no image of a disc with findings\n", r.stderr)
        self.assertFalse(os.path.exists(iso))
        self.assertEqual(2, bxdisc("image", self.disc, iso, "--label", "not a label").returncode)
        # Its one finding an update folder that stages nothing, which Windows 95 and 98 would restart for ever.
        self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\nOleAut32_Win9X=OLE9X\r\n")
        os.mkdir(os.path.join(self.disc, "OLE9X"))
        r = bxdisc("image", self.disc, iso, "--label", "DISC")
        self.assertEqual(1, r.returncode)
        self.assertTrue(r.stdout.startswith('OleAut32_Win9X: "OLE9X" holds no file: on Windows 95 and 98'), r.stdout)
        self.assertFalse(os.path.exists(iso))

    def test_what_preview_does_not_draw(self):
        self.write("setup.exe", b"MZ")
        # 8 bits per pixel, every pixel colour 0: 67 million pixels at --scale 4.
        width, height = 2100, 2000
        self.write("big.bmp", bmp8(width, height, [(0, 0, 0)] * 256, lambda x, y: 0, colours_used=256))
        png = os.path.join(self.tmp.name, "p.png")
        for backdrop, args, status, message in [
                (b"", (), 1, "no backdrop the launcher can load"),
                (b"big.bmp", ("--scale", "4"), 2, "too large to draw at --scale 4 (8400 x 8000 pixels)")]:
            with self.subTest(args=args):
                self.write("Autorun.inf", b"[BXPARAM]\r\nSetupExe=setup.exe\r\nAutorunBackdrop=" + backdrop + b"\r\n")
                r = bxdisc("preview", self.disc, png, *args)
                self.assertEqual(status, r.returncode)
                self.assertIn(message, r.stderr)
                self.assertFalse(os.path.exists(png))


class SignTest(unittest.TestCase):
    """sign on a disc of programs the test writes, with a certificate made for
    the test. scripts/install-deps.sh installs the tools; a missing one fails."""

    keys: tempfile.TemporaryDirectory[str]
    cert: str
    p12: str
    password: str
    windows_password: str
    wrong: str
    bin: str
    log: str

    @classmethod
    def setUpClass(cls) -> None:
        missing = [t for t in ("osslsigncode", "openssl", "wixl") if not shutil.which(t)]
        if missing:
            raise AssertionError("sign's tests need %s: scripts/install-deps.sh installs them" % ", ".join(missing))
        cls.keys = tempfile.TemporaryDirectory()
        k = cls.keys.name
        make_test_key(k)
        cls.cert, cls.p12 = os.path.join(k, "cert.pem"), os.path.join(k, "brindle.p12")
        cls.password, cls.wrong = os.path.join(k, "password"), os.path.join(k, "wrong")
        cls.windows_password = os.path.join(k, "password-crlf")  # the same, its line ended on Windows
        for path, text in ((cls.wrong, "guess\n"), (cls.windows_password, "s3cret\r\n")):
            with open(path, "w", newline="") as f:
                f.write(text)
        # osslsigncode as sign runs it, its command lines noted, and the password handed on as -pass, which
        # it takes as it is (from -readpass it would strip a line's end); with $SPOIL, each signed file is
        # then changed: a byte of the program, or of the signer's signature at the file's end.
        cls.bin, cls.log = os.path.join(k, "bin"), os.path.join(k, "argv.log")
        os.mkdir(cls.bin)
        wrapper = os.path.join(cls.bin, "osslsigncode")
        with open(wrapper, "w") as f:
            f.write('#!/bin/bash\nprintf "%%s\\n" "$*" >> %s\nargs=()\n'
                    'while [ $# -gt 0 ]; do\n'
                    '  if [ "$1" = -readpass ]; then IFS= read -r -d "" pass <"$2"; args+=(-pass "$pass"); shift\n'
                    '  else args+=("$1"); fi; shift\n'
                    'done\n'
                    '%s "${args[@]}" || exit $?\n'
                    '[ "${args[0]}" = sign ] && [ -n "$SPOIL" ] || exit 0\n'
                    'out=${args[-1]}\n'
                    'case $SPOIL in program) at=600;; *) at=$(($(stat -c %%s "$out") - 40));; esac\n'
                    "printf U | dd of=\"$out\" bs=1 seek=$at conv=notrunc 2>/dev/null\n"
                    % (cls.log, shutil.which("osslsigncode")))
        os.chmod(wrapper, 0o755)

    @classmethod
    def tearDownClass(cls) -> None:
        cls.keys.cleanup()

    def setUp(self) -> None:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.disc = os.path.join(tmp.name, "disc")
        os.makedirs(os.path.join(self.disc, "Tools"))
        demo_disc(self.disc)
        for name in ("setup.exe", "DemoSetup.exe", "Tools/helper.dll"):
            with open(os.path.join(self.disc, name), "wb") as f:
                f.write(STAND_IN_LAUNCHER)
        os.chmod(os.path.join(self.disc, "setup.exe"), 0o755)

    def sign(self, *args: str, spoil: str = "") -> subprocess.CompletedProcess[str]:
        return bxdisc("sign", self.disc, *args, env={"PATH": self.bin + ":" + os.environ["PATH"], "SPOIL": spoil})

    def assert_verify(self, names: list[str]) -> None:
        for name in names:
            v = subprocess.run(["osslsigncode", "verify", "-CAfile", self.cert, "-in", os.path.join(self.disc, name)],
                               capture_output=True, text=True)
            self.assertEqual(0, v.returncode, name + v.stdout + v.stderr)

    def test_every_file_signed_and_verified(self) -> None:
        os.symlink("DemoSetup.exe", os.path.join(self.disc, "Again.exe"))  # --all passes a link over
        before = snapshot(self.disc)
        r = self.sign("--pkcs12", self.p12, "--password-file", self.windows_password, "--ca-file", self.cert,
                      "--name", "Brindle Demo", "--all")
        self.assertEqual(0, r.returncode, r.stderr)
        signed = ["setup.exe", "DemoSetup.exe", "BrindleDemo.msi", "Tools/helper.dll"]
        self.assertEqual(["signed " + n for n in signed], r.stdout.splitlines())
        self.assertEqual(sorted(before), sorted(snapshot(self.disc)))  # no file left beside them
        self.assert_verify(signed)
        self.assertEqual(0o755, os.stat(os.path.join(self.disc, "setup.exe")).st_mode & 0o777)
        with open(self.log) as f:
            log = f.read()
        self.assertNotIn("s3cret", log)
        self.assertEqual(4, log.count("-n Brindle Demo "))

    def test_a_chain_not_known_here_is_a_note_and_the_files_are_signed(self) -> None:
        before = snapshot(self.disc)
        r = self.sign("--pkcs12", self.p12, "--password-file", self.password)
        self.assertEqual(0, r.returncode, r.stderr)
        signed = ["setup.exe", "DemoSetup.exe", "BrindleDemo.msi"]
        self.assertEqual(["signed " + n for n in signed] + [
            'note: %s: signed, the signature whole and matching the file, but the chain leads to "/CN=Brindle Test", '
            "an authority this machine does not know (self-signed certificate), so it was not followed; fix: to "
            "follow it here, name that authority's certificate with --ca-file FILE" % n for n in signed],
            r.stdout.splitlines())
        self.assertEqual(sorted(before), sorted(snapshot(self.disc)))
        self.assert_verify(signed)
        # check says the same of the disc, until it is given the authority too; it counts notes only with --strict.
        r = bxdisc("check", self.disc)
        self.assertEqual((0, []), (r.returncode, findings(r.stdout)), r.stdout)
        if not sandbox_works():
            self.assertIn("no signature was verified", r.stdout)
            return
        for key, what in (("setup.exe", "the launcher"), ("SetupExe", '"DemoSetup.exe"'), ("SetupMSI", '"BrindleDemo.msi"')):
            self.assertIn('note: %s: %s matches its signature, but the chain leads to "/CN=Brindle Test", an authority '
                          "this machine does not know (self-signed certificate), so it was not followed; fix: name that "
                          "authority's certificate: bxdisc check --ca-file FILE\n" % (key, what), r.stdout)
        r = bxdisc("check", self.disc, "--ca-file", self.cert)
        self.assertEqual(0, r.returncode, r.stdout)
        self.assertNotIn("signature", r.stdout)

    def test_a_failure_leaves_the_disc_as_it_was(self) -> None:
        before = snapshot(self.disc)
        # A changed program or a broken signature is refused whether the chain is followed or not.
        for args, spoil, reason in [
                (("--password-file", self.wrong), "", "setup.exe: osslsigncode cannot sign it: "),
                (("--password-file", self.password), "program", "MISMATCH"),
                (("--password-file", self.password, "--ca-file", self.cert), "program", "MISMATCH"),
                (("--password-file", self.password), "signature", "setup.exe: signed, but the signature is broken: "),
                (("--password-file", self.password, "--ca-file", self.cert), "signature",
                 "setup.exe: signed, but the signature does not verify: ")]:
            with self.subTest(args=args, spoil=spoil):
                r = self.sign("--pkcs12", self.p12, "--all", *args, spoil=spoil)
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn(reason, r.stderr)
                self.assertEqual(before, snapshot(self.disc))
        # A folder it may not write in, met once three files are signed beside theirs.
        as_user = unprivileged()
        if as_user is None:
            return
        os.chmod(os.path.join(self.disc, "Tools"), 0o555)
        self.addCleanup(os.chmod, os.path.join(self.disc, "Tools"), 0o755)
        r = subprocess.run(as_user + [testlib.BXDISC, "sign", self.disc, "--pkcs12", self.p12, "--password-file", self.password,
                                      "--ca-file", self.cert, "--all"], capture_output=True, text=True, timeout=120,
                           env=dict(os.environ, PATH=self.bin + ":" + os.environ["PATH"]))
        self.assertEqual(2, r.returncode, r.stderr)
        self.assertIn("Tools/helper.dll: cannot write in its folder (Permission denied)", r.stderr)
        self.assertEqual(before, snapshot(self.disc))

    def test_nothing_is_signed_through_a_link(self) -> None:
        top = os.path.dirname(self.disc)
        os.mkdir(os.path.join(top, "outside"))
        os.replace(os.path.join(self.disc, "DemoSetup.exe"), os.path.join(top, "outside", "DemoSetup.exe"))
        os.symlink("../outside/DemoSetup.exe", os.path.join(self.disc, "DemoSetup.exe"))
        os.symlink("../outside", os.path.join(self.disc, "Setup"))
        inf = os.path.join(self.disc, "Autorun.inf")
        before = snapshot(top)
        for setup_exe, reason in [("DemoSetup.exe", "DemoSetup.exe:" + LINK_REFUSED + "file itself"),
                                  ("Setup\\DemoSetup.exe", 'Setup/DemoSetup.exe: "Setup"' + LINK_REFUSED + "folder itself")]:
            with self.subTest(setup_exe=setup_exe):
                with open(inf, "rb") as f:
                    text = f.read().replace(b"SetupExe=DemoSetup.exe", b"SetupExe=" + setup_exe.encode())
                with open(inf, "wb") as f:
                    f.write(text)
                before["disc/Autorun.inf"] = snapshot(self.disc)["Autorun.inf"]
                r = self.sign("--pkcs12", self.p12, "--password-file", self.password, "--ca-file", self.cert,
                              "--all")
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn(reason, r.stderr)
                self.assertEqual(before, snapshot(top))

    def test_what_is_refused_before_any_signing(self):
        before = snapshot(self.disc)
        r = self.sign("--all", "--dry-run")
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertEqual(["would sign setup.exe (the launcher)", "would sign DemoSetup.exe (SetupExe)",
                          "would sign BrindleDemo.msi (SetupMSI)", "would sign Tools/helper.dll"], r.stdout.splitlines())
        with open(os.path.join(self.disc, "OLE9X", "OLEAUT32.DLL"), "rb") as f:
            self.assertEqual(b"MZ", f.read())  # a placeholder is no program: --all passes it over
        cases = [((), "no key"),
                 (("--pkcs12", self.p12, "--pkcs11-module", "m.so"), "give the one key"),
                 (("--pkcs11-module", "m.so", "--key", "pkcs11:id=1;pin-value=1234", "--pkcs11-cert", "pkcs11:id=1"),
                  "pin-value"),
                 (("--pkcs12", self.p12), "no terminal")]
        for args, message in cases:
            with self.subTest(args=args):
                r = subprocess.run([testlib.BXDISC, "sign", self.disc, *args], capture_output=True, text=True, timeout=60,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
                self.assertEqual(2, r.returncode)
                self.assertIn(message, r.stderr)
        shutil.copy(os.path.join(self.disc, "OLE9X", "OLEAUT32.DLL"), os.path.join(self.disc, "DemoSetup.exe"))
        r = self.sign("--pkcs12", self.p12, "--password-file", self.password)
        self.assertEqual(2, r.returncode)
        self.assertIn("SetupExe (\"DemoSetup.exe\") is neither a Windows program", r.stderr)
        os.remove(os.path.join(self.disc, "DemoSetup.exe"))
        os.mkfifo(os.path.join(self.disc, "DemoSetup.exe"))  # reading it would wait for a writer
        r = self.sign("--dry-run")
        self.assertEqual(2, r.returncode)
        self.assertIn("SetupExe (\"DemoSetup.exe\") is not a plain file", r.stderr)


class NewTest(unittest.TestCase):
    """new with a launcher of its own data folder ($BXDISC_DATA), so that
    the test needs no cross build."""

    def setUp(self):
        if not has_art():
            self.skipTest("bxdisc new draws with the art command's libraries")
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = tmp.name
        self.data = os.path.join(self.tmp, "data")
        os.mkdir(self.data)
        with open(os.path.join(self.data, "setup.exe"), "wb") as f:
            f.write(b"MZ launcher")
        self.disc = os.path.join(self.tmp, "disc")

    def new(self, *args, data=None):
        return bxdisc("new", self.disc, "--product", "Brindle Caf\u00e9", *args,
                      env={"BXDISC_DATA": data or self.data})

    def test_a_new_disc_has_two_settings_to_fill(self):
        r = self.new()
        self.assertEqual(0, r.returncode, r.stderr)
        written = ["setup.exe", "backdrop.bmp", "buttons.bmp", "Autorun.inf", "README.txt"]
        self.assertEqual(["wrote " + os.path.join(self.disc, n) for n in written],
                         r.stdout.splitlines()[:5])
        self.assertEqual(sorted(written), sorted(os.listdir(self.disc)))
        with open(os.path.join(self.disc, "Autorun.inf"), "rb") as f:
            self.assertIn(b"label=Brindle Caf\xe9\r\n", f.read())
        r = bxdisc("check", self.disc)
        self.assertEqual(1, r.returncode)
        self.assertEqual(["SetupExe: still to fill", "SetupMSI: still to fill"],
                         [line[:len("SetupExe: still to fill")] for line in findings(r.stdout)])

    @unittest.skipUnless(shutil.which("wixl"), "wixl builds the package")
    def test_with_its_setup_program_and_package_the_check_is_clean(self):
        demo_disc(self.tmp)
        r = self.new("--setup", os.path.join(self.tmp, "DemoSetup.exe"),
                     "--package", os.path.join(self.tmp, "BrindleDemo.msi"))
        self.assertEqual(0, r.returncode, r.stderr)
        r = bxdisc("check", self.disc)
        self.assertEqual((0, []), (r.returncode, findings(r.stdout)))

    def test_nothing_is_written_unless_all_can_be(self):
        os.mkdir(self.disc)
        with open(os.path.join(self.disc, "AUTORUN.INF"), "wb") as f:
            f.write(b"the author's own")
        for name in ("setup.exe", "a/Caf\u00e9.exe", "c/CAF\u00c9.EXE"):
            os.makedirs(os.path.dirname(os.path.join(self.tmp, name)), exist_ok=True)
            with open(os.path.join(self.tmp, name), "wb") as f:
                f.write(b"MZ")
        cases = [
            ((), "would overwrite " + os.path.join(self.disc, "AUTORUN.INF")),
            (("--setup", os.path.join(self.tmp, "setup.exe"), "--force"), "has that name already"),
            # Windows sees one name, folded in its code page.
            (("--setup", os.path.join(self.tmp, "a/Caf\u00e9.exe"), "--package", os.path.join(self.tmp, "c/CAF\u00c9.EXE"),
              "--force"), "the disc's Caf\u00e9.exe has that name already"),
            (("--package", os.path.join(self.tmp, "absent.msi")), "cannot be read"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.new(*args)
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn(message, r.stderr)
                self.assertEqual(["AUTORUN.INF"], os.listdir(self.disc))
        r = self.new("--force")
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertNotIn("Autorun.inf", os.listdir(self.disc))  # the author's file, in its case, replaced

    def test_dry_run_and_a_missing_launcher_write_nothing(self):
        r = self.new("--dry-run")
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertEqual(5, len([line for line in r.stdout.splitlines() if line.startswith("would write")]))
        r = self.new(data=os.path.join(self.tmp, "absent"))
        self.assertEqual(2, r.returncode)
        self.assertIn("the launcher is not at " + os.path.join(self.tmp, "absent", "setup.exe"), r.stderr)
        self.assertFalse(os.path.exists(self.disc))

    def test_missing_parents_are_made_and_nothing_is_left_when_they_cannot_be(self):
        long_name = "n" * 300
        # Deep enough that the files' paths are longer than a path may be, which
        # writing by descriptor does not mind; then one that no path can hold.
        deep = "/".join(["d" * 255] * 17)[:4080]
        deeper = deep + "/" + "d" * 15
        # folder, what a dry run lists (False: a dry run cannot tell), where the
        # files go; or the message of exit status 2
        cases = [
            ("a/real/disc", ["a", "a/real", "a/real/disc"], "a/real/disc", None),
            ("via/disc", ["via/disc"], "real/disc", None),
            ("file/a/disc", None, None, "file: is not a folder"),
            ("dangling/disc", None, None, "dangling: is a symbolic link that leads nowhere"),
            ("loop/disc", None, None, "loop: cannot be reached (Too many levels of symbolic links)"),
            ("a/%s/disc" % long_name, None, None, "a/%s: cannot be made (File name too long)" % long_name),
            (deep, False, deep, None),
            (deeper, None, None, ": cannot be made (File name too long)"),
        ]
        as_user = unprivileged()
        if as_user is not None:
            cases.append(("locked/a/disc", None, None, "locked/a: cannot be made (Permission denied)"))
        for folder, would_make, lands, message in cases:
            for dry in (True, False) if would_make is not False else (False,):
                with self.subTest(folder=folder[:40], dry=dry), tempfile.TemporaryDirectory() as tmp:
                    os.mkdir(os.path.join(tmp, "real"))
                    os.mkdir(os.path.join(tmp, "locked"), 0o555)
                    os.symlink("real", os.path.join(tmp, "via"))
                    os.symlink("nowhere", os.path.join(tmp, "dangling"))
                    os.symlink("loop", os.path.join(tmp, "loop"))
                    with open(os.path.join(tmp, "file"), "wb") as f:
                        f.write(b"in the way")
                    before = sorted(os.walk(tmp))
                    r = subprocess.run((as_user or []) + [testlib.BXDISC, "new", folder, "--product", "P"] + ["--dry-run"] * dry,
                                       cwd=tmp, capture_output=True, text=True, timeout=120,
                                       env=dict(os.environ, BXDISC_DATA=self.data))
                    self.assertEqual(2 if message else 0, r.returncode, r.stderr)
                    self.assertIn(message or "", r.stderr)
                    if dry and would_make:
                        self.assertEqual(["would make " + m for m in would_make],
                                         [line for line in r.stdout.splitlines() if "would make" in line])
                    if lands and not dry:
                        ls = subprocess.run(["ls", lands], cwd=tmp, capture_output=True, text=True)
                        self.assertIn("README.txt", ls.stdout.split(), ls.stderr)
                    else:
                        self.assertEqual(before, sorted(os.walk(tmp)))


if __name__ == "__main__":
    testlib.BXDISC = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
