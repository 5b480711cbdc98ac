#!/usr/bin/env python3
"""bxdisc try --matrix's output without Wine: a run's result.json, the table
printed as runs end, the JUnit file, the page of screenshots, and the
shards' --results folders merged back into one matrix.

    python3 tests/kit/test_matrix_output.py
"""
from __future__ import annotations

import contextlib
import dataclasses
import html.parser
import io
import json
import os
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path
from typing import Any, Callable

sys.dont_write_bytecode = True
from bxdisc_try import matrix, matrix_page, matrix_table, merge, results_folder  # noqa: E402
from bxdisc_try.outcome import Unusable  # noqa: E402
from bxdisc_try.run_result import RunResult  # noqa: E402
from testlib import png, results, whole_result  # noqa: E402

HOSTILE = '<script>alert("x")</script>'


class Page(html.parser.HTMLParser):
    """What a test reads of the page: elements with their attributes, and
    the body rows' systems."""

    def __init__(self, text: str) -> None:
        super().__init__()
        self.elements: list[tuple[str, dict[str, str | None]]] = []
        self.rows: list[str | None] = []
        self.in_body = False
        self.feed(text)

    def handle_starttag(self, tag: str, attrs: list[tuple[str, str | None]]) -> None:
        self.elements.append((tag, dict(attrs)))
        self.in_body = self.in_body or tag == "tbody"
        if tag == "tr" and self.in_body:
            self.rows.append(dict(attrs).get("data-system"))

    def handle_endtag(self, tag: str) -> None:
        self.in_body = self.in_body and tag != "tbody"


class ResultJsonTest(unittest.TestCase):
    def test_a_result_comes_back_as_it_went(self) -> None:
        for r in results() + [RunResult("nt40", 130, "interrupted", 3)]:
            with self.subTest(r.system):
                doc = r.to_json()
                self.assertIsInstance(doc["buttons"], list)
                back = RunResult.from_json(json.loads(json.dumps(doc)))
                self.assertEqual(r, back)
                self.assertIsInstance(back.buttons, tuple)

    def test_a_document_of_the_wrong_shape_is_refused(self) -> None:
        good = results()[0].to_json()
        cases: list[tuple[str, Any]] = [
            ("not an object", [good]),
            ("no system", {k: v for k, v in good.items() if k != "system"}),
            ("an unknown field", {**good, "colour": "red"}),
            ("status as text", {**good, "status": "0"}),
            ("status as a flag", {**good, "status": True}),
            ("status no run ends with", {**good, "status": 3}),
            ("status a list", {**good, "status": [0]}),
            ("seconds as text", {**good, "seconds": "41"}),
            ("seconds below 0", {**good, "seconds": -1}),
            ("seconds not a number", {**good, "seconds": float("nan")}),
            ("window of one number", {**good, "window": [540]}),
            ("window with text", {**good, "window": [540, "340"]}),
            ("window of no size", {**good, "window": [0, 340]}),
            ("buttons as one text", {**good, "buttons": "Install"}),
            ("a button not a text", {**good, "buttons": ["Install", 1]}),
            ("restart as text", {**good, "restart": "yes"}),
            ("title a number", {**good, "title": 5}),
            ("report missing its text", {**good, "report": None}),
            ("system a path", {**good, "system": "../win98"}),
            ("system empty", {**good, "system": ""}),
            ("a phase --whole has not", {**good, "phase": "setup"}),
            ("frames not a list", {**good, "frames": {"file": "a.png"}}),
            ("a frame without its caption", {**good, "frames": [{"file": "a.png", "phase": "install"}]}),
            ("a frame of no phase", {**good, "frames": [{"file": "a.png", "caption": "c", "phase": "run"}]}),
        ]
        for name, doc in cases:
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    RunResult.from_json(doc)

    def test_a_whole_run_comes_back_with_its_phase_and_frames(self) -> None:
        with tempfile.TemporaryDirectory() as tmp:
            r = whole_result(Path(tmp))
            self.assertEqual(r, RunResult.from_json(json.loads(json.dumps(r.to_json()))))

    def test_a_result_json_cut_short_is_a_value_error_too(self) -> None:
        # json's own error is a ValueError: the reader needs one except.
        text = json.dumps(results()[0].to_json())[:-20]
        with self.assertRaises(ValueError):
            RunResult.from_json(json.loads(text))


class TableTest(unittest.TestCase):
    def test_rows_show_each_run(self) -> None:
        win98, winxp, win11 = results()
        cases = [
            (win98, ["win98", "540x340 Install,Exit", "Install", "yes, rerun followed", "pass",
                     "42 s"]),
            (winxp, ["FAIL: message box", "12 s"]),
            (win11, ["none", "unusable: Wine does not know", "0 s"]),
            (RunResult("nt40", 130, "interrupted", 3, restart=True), ["interrupted", "yes "]),
            (RunResult("win7", 1, "Started again: x", 3, phase="again"), ["  Started again  FAIL: Started again"]),
        ]
        for r, shown in cases:
            with self.subTest(r.system):
                row = matrix_table.table_row(r)
                for text in shown:
                    self.assertIn(text, row)

    def test_rows_line_up_and_cut_long_text(self) -> None:
        long = RunResult("win2k", 1, "the launcher hangs: no window and no end within 30 s " * 3,
                         1234.0, window=(1024, 768), buttons=("Install the application",) * 5,
                         clicked="Install the application", programs=("x",) * 12,
                         title="a\ntitle", report="")
        hostile = RunResult("win95", 1, "line one\x1b[31m red\nline two", 5.0,
                            buttons=("Ok\r\nNext\x07",), clicked="\x1b]0;owned\x07")
        wide = RunResult("win7", 0, "did what the disc intends", 8.0, window=(400, 300),
                         buttons=("\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb",) * 3)
        lines = [matrix_table.table_header()] + [matrix_table.table_row(r)
                                                 for r in results() + [long, hostile, wide]]
        widths = {sum(map(matrix_table._cells, line)) for line in lines}
        self.assertEqual(1, len(widths), "\n".join(lines))
        for line in lines:
            self.assertTrue(line.isprintable(), repr(line))
        cut = matrix_table.table_row(long)
        self.assertIn("\u2026", cut)
        self.assertIn("1234 s", cut)
        # Each column starts where the header's does.
        starts = [matrix_table.table_header().index(h) for h, _, _ in matrix_table.COLUMNS[:3]]
        self.assertEqual("win2k", cut[starts[0]:starts[1]].strip())
        self.assertTrue(cut[starts[1]:].startswith("1024x768 Install the"))
        self.assertTrue(cut[starts[2]:].startswith("Install \u2026"), cut)


class JunitTest(unittest.TestCase):
    def test_one_failing_system_is_one_failure(self) -> None:
        with tempfile.TemporaryDirectory() as tmp:
            path = Path(tmp, "junit.xml")
            runs = results()
            runs[1] = dataclasses.replace(runs[1], report="\x01bad\ud800 byte " + HOSTILE)
            matrix_page.write_junit(path, "Demo <disc>", runs)
            suite = ET.parse(path).getroot()
            self.assertEqual([], [p.name for p in Path(tmp).iterdir() if p.name != "junit.xml"])
        self.assertEqual("testsuite", suite.tag)
        self.assertEqual("bxdisc try Demo <disc>", suite.get("name"))
        self.assertEqual(("3", "1", "1"), (suite.get("tests"), suite.get("failures"),
                                           suite.get("errors")))
        cases = suite.findall("testcase")
        self.assertEqual(["win98", "winxp", "win11"], [c.get("name") for c in cases])
        self.assertEqual({"bxdisc.try"}, {c.get("classname") for c in cases})
        failures = suite.findall("testcase/failure")
        self.assertEqual(1, len(failures))
        self.assertEqual(runs[1].verdict, failures[0].get("message"))
        self.assertEqual("bad byte " + HOSTILE, failures[0].text)
        error = cases[2].find("error")
        assert error is not None
        self.assertEqual("Wine does not know win11", error.get("message"))
        self.assertIn("started:", cases[0].findtext("system-out", ""))
        self.assertEqual("41.600", cases[0].get("time"))


class PageTest(unittest.TestCase):
    def setUp(self) -> None:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = Path(tmp.name)
        self.folder = self.tmp / "page"

    def test_the_page_shows_each_run_in_order(self) -> None:
        index = matrix_page.write_page(self.folder, "Demo Disc", "1.4.2", results(self.tmp))
        self.assertEqual(self.folder / "index.html", index)
        text = index.read_text()
        page = Page(text)
        self.assertEqual(["win98", "winxp", "win11"], page.rows)
        self.assertRegex(text, r"<h1>Demo Disc <small>[^<]*bxdisc 1\.4\.2</small></h1>")
        images = [a for tag, a in page.elements if tag == "img"]
        self.assertEqual([("win98.png", "540", "340"), ("winxp.png", "640", "400")],
                         [(a["src"], a["width"], a["height"]) for a in images])
        self.assertEqual(png(540, 340), (self.folder / "win98.png").read_bytes())
        self.assertFalse((self.folder / "win11.png").exists())
        # Self-contained: nothing to run, nothing fetched.
        for tag, attrs in page.elements:
            self.assertNotIn(tag, ("script", "link", "iframe", "object"))
            self.assertFalse(any(v and "//" in v for v in attrs.values()), (tag, attrs))
        self.assertEqual(["win98", "winxp", "win11"],
                         [a["id"] for tag, a in page.elements if tag == "section"])
        self.assertEqual(["pass", "fail", "unusable"],
                         [a["class"] for tag, a in page.elements if tag == "tr" and "class" in a])

    def test_what_a_disc_shows_is_escaped(self) -> None:
        hostile = RunResult("win98", 1, HOSTILE, 1.0, title=HOSTILE, window=(32, 24),
                            buttons=(HOSTILE,), clicked=HOSTILE, report="</pre>" + HOSTILE + "\0\ud800",
                            screenshot=str(self.tmp / "shot.png"))
        (self.tmp / "shot.png").write_bytes(png(32, 24))
        text = matrix_page.write_page(self.folder, HOSTILE, '1" onload="x', [hostile]).read_text()
        self.assertNotIn("<script", text.lower())
        self.assertNotIn("</pre><", text)
        self.assertNotIn("\0", text)
        self.assertIn("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;", text)
        img = [a for tag, a in Page(text).elements if tag == "img"][0]
        self.assertEqual({"src", "width", "height", "alt"}, set(img))
        alt = img["alt"]
        assert alt is not None
        self.assertIn(HOSTILE, alt)

    def test_links_in_the_folder_are_replaced_not_written_through(self) -> None:
        self.folder.mkdir()
        mine = self.tmp / "mine.png"
        mine.write_bytes(b"the author's own picture")
        os.symlink(mine, self.folder / "win98.png")
        os.symlink(mine, self.folder / "index.html")
        (self.folder / "notes.txt").write_text("kept")
        matrix_page.write_page(self.folder, "Demo Disc", "1.4.2", results(self.tmp))
        self.assertEqual(b"the author's own picture", mine.read_bytes())
        for name in ("win98.png", "index.html"):
            self.assertFalse((self.folder / name).is_symlink(), name)
        self.assertEqual(png(540, 340), (self.folder / "win98.png").read_bytes())
        self.assertEqual("kept", (self.folder / "notes.txt").read_text())
        self.assertEqual({"index.html", "win98.png", "winxp.png", "notes.txt"},
                         {p.name for p in self.folder.iterdir()})

    def test_only_a_regular_png_is_copied(self) -> None:
        (self.tmp / "real.png").write_bytes(png(8, 8))
        os.symlink(self.tmp / "real.png", self.tmp / "link.png")
        (self.tmp / "text.png").write_text("not a picture")
        os.mkfifo(self.tmp / "pipe.png")
        for source in ("link.png", "text.png", "pipe.png", "gone.png"):
            with self.subTest(source):
                r = RunResult("win98", 0, "did what the disc intends", 1.0, window=(8, 8),
                              screenshot=str(self.tmp / source))
                text = matrix_page.write_page(self.folder, "Demo", "1", [r]).read_text()
                self.assertFalse((self.folder / "win98.png").exists())
                self.assertNotIn("<img", text)
                self.assertIn("No screenshot.", text)

    def test_a_whole_run_shows_its_film_strip_in_order(self) -> None:
        runs = [whole_result(self.tmp), whole_result(self.tmp, "win98", failed=True)]
        text = matrix_page.write_page(self.folder, "Demo", "1", runs).read_text()
        images = [a for tag, a in Page(text).elements if tag == "img"]
        self.assertEqual(["win10-01.png", "win10-02.png", "win10-03.png", "win10-04.png", "win98-01.png",
                          "win98-02.png"], [a["src"] for a in images])
        self.assertEqual(png(44, 30), (self.folder / "win10-04.png").read_bytes())
        self.assertIn("<figcaption>Installed: the product&#x27;s window</figcaption>", text)
        self.assertIn("<td>Uninstalled</td>", text)
        path = self.tmp / "junit.xml"
        matrix_page.write_junit(path, "Demo", runs)
        failure = ET.parse(path).getroot().find("testcase[@name='win98']/failure")
        assert failure is not None
        self.assertEqual(runs[1].verdict, failure.get("message"))

    def test_a_system_named_twice_is_refused(self) -> None:
        r = results()[0]
        with self.assertRaises(ValueError):
            matrix_page.write_page(self.folder, "Demo", "1", [r, r])


class MergeTest(unittest.TestCase):
    """Shards' --results folders, written as a shard writes them, merged back."""

    def setUp(self) -> None:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = Path(tmp.name)
        self.runs = results(self.tmp)
        self.every = tuple(r.system for r in self.runs)
        self.base = self.tmp

    def shard(self, index: int, total: int, name: str = "", **changes: Any) -> Path:
        """Shard index of total in base/IofN, its manifest with those changes."""
        folder = self.base / (name or "%dof%d" % (index, total))
        part = tuple(matrix.shard_systems(list(self.every), index, total))
        manifest = results_folder.Manifest("1.4.2", "Demo Disc", "ab" * 32, ("--click", "install"),
                                           self.every, (index, total), part)
        results_folder.claim(folder)
        results_folder.write(folder, dataclasses.replace(manifest, **changes),
                             [r for r in self.runs if r.system in part])
        return folder

    def shards(self, total: int) -> list[Path]:
        return [self.shard(i, total) for i in range(1, total + 1)]

    def merged(self, folders: list[Path], version: str = "1.4.2") -> tuple[int, list[str]]:
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = merge.merge([str(f) for f in folders], version, str(self.tmp / "merged"),
                                 str(self.tmp / "merged.xml"))
        return status, out.getvalue().splitlines()

    def test_the_merged_page_and_junit_are_those_of_one_run(self) -> None:
        status, lines = self.merged(self.shards(3)[::-1])
        self.assertEqual(1, status)
        self.assertEqual("bxdisc try: 1 of 3 systems did what the disc intends (exit status 1)", lines[-1])
        rows = [matrix_table.table_header()] + [matrix_table.table_row(r) for r in self.runs]
        self.assertEqual(rows, lines[1:5])
        matrix_page.write_page(self.tmp / "direct", "Demo Disc", "1.4.2", self.runs)
        matrix_page.write_junit(self.tmp / "direct.xml", "Demo Disc", self.runs)
        for name in ("index.html", "win98.png", "winxp.png"):
            self.assertEqual((self.tmp / "direct" / name).read_bytes(), (self.tmp / "merged" / name).read_bytes())
        self.assertEqual(3, len(list((self.tmp / "merged").iterdir())))
        self.assertEqual((self.tmp / "direct.xml").read_bytes(), (self.tmp / "merged.xml").read_bytes())

    def test_folders_that_are_not_one_whole_matrix_are_refused(self) -> None:
        rows: list[tuple[str, Callable[[], list[Path]], list[str]]] = [
            # what is wrong, the folders given, what the message names
            ("a shard missing", lambda: self.shards(3)[::2], ["no results for winxp (shard 2/3)"]),
            ("a shard twice", lambda: self.shards(2) + [self.shard(1, 2, "again")],
             ["1of2 and ", "again are both shard 1/2 (win98, winxp)"]),
            ("another bxdisc", lambda: [self.shard(1, 2), self.shard(2, 2, version="1.4.1")],
             ["2of2 holds results of bxdisc 1.4.1, and this is bxdisc 1.4.2"]),
            ("another disc", lambda: [self.shard(1, 2), self.shard(2, 2, disc="Other", digest="cd" * 32)],
             ["results of different discs (Demo Disc, Other)"]),
            ("other options", lambda: [self.shard(1, 2), self.shard(2, 2, options=())],
             ["different options (--click install; none)"]),
            ("another matrix", lambda: [self.shard(1, 2), self.shard(2, 3), self.shard(3, 3)],
             ["shards of different matrices"]),
        ]
        for what, folders, names in rows:
            with self.subTest(what):
                self.base = self.tmp / what
                with self.assertRaises(Unusable) as refused:
                    self.merged(folders())
                for name in names:
                    self.assertIn(name, str(refused.exception))
                self.assertFalse((self.tmp / "merged").exists())

    def test_a_file_of_the_wrong_form_is_named(self) -> None:
        first, second = self.shards(2)
        good = json.loads((first / "manifest.json").read_text())
        rows: list[tuple[str, bytes | None, str]] = [
            # the file of shard 1/2, its bytes (None: a link to one of shard 2), what is said
            ("manifest.json", b"{", "is not JSON"),
            ("manifest.json", b"[" * 100000, "is not JSON"),
            ("manifest.json", b"[]", "no bxdisc_version"),
            ("manifest.json", json.dumps({**good, "shard": "3/2"}).encode(), "a shard is I/N"),
            ("manifest.json", json.dumps({**good, "matrix": ["winxp", "win98"]}).encode(), "order of their release"),
            ("manifest.json", json.dumps({**good, "systems": ["win98"]}).encode(), "is win98, winxp, not win98"),
            ("manifest.json", json.dumps({k: v for k, v in good.items() if k != "disc"}).encode(), "not the fields"),
            ("manifest.json", None, "a symbolic link"),
            ("win98.json", b'{"system": "win98"}', "lacks status"),
            ("win98.json", (second / "win11.json").read_bytes(), "not the result of win98"),
            ("win98.json", json.dumps({**self.runs[0].to_json(), "screenshot": "/etc/x.png"}).encode(),
             "not the result of win98"),
            ("winxp.json", None, "a symbolic link"),
        ]
        for n, (name, data, said) in enumerate(rows):
            with self.subTest(name=name, said=said):
                self.base = self.tmp / str(n)
                first, second = self.shards(2)
                (first / name).unlink()
                if data is None:
                    (first / name).symlink_to(second / (name if name == "manifest.json" else "win11.json"))
                else:
                    (first / name).write_bytes(data)
                with self.assertRaises(Unusable) as refused:
                    self.merged([first, second])
                self.assertIn(str(first / name), str(refused.exception))
                self.assertIn(said, str(refused.exception))
        (first / "manifest.json").unlink()
        with self.assertRaisesRegex(Unusable, "has no manifest.json: not the --results folder of a shard that ended"):
            self.merged([first, second])

    def test_a_whole_run_s_frames_are_kept_and_read_back(self) -> None:
        run = whole_result(self.tmp)
        manifest = results_folder.Manifest("1", "Demo", "ab" * 32, ("--whole",), ("win10",), (1, 1), ("win10",))
        folder = self.tmp / "kept"
        results_folder.claim(folder)
        results_folder.write(folder, manifest, [run])
        back = results_folder.read(folder, "1").results[0]
        self.assertEqual([str(folder / ("win10-%02d.png" % n)) for n in range(1, 5)], [f.file for f in back.frames])
        self.assertEqual([f.caption for f in run.frames], [f.caption for f in back.frames])
        self.assertEqual(png(41, 30), Path(back.frames[0].file).read_bytes())
        doc = json.loads((folder / "win10.json").read_text())
        doc["frames"][1]["file"] = "../elsewhere.png"
        (folder / "win10.json").write_text(json.dumps(doc))
        with self.assertRaisesRegex(Unusable, "frames named ../elsewhere.png, not win10-NN.png"):
            results_folder.read(folder, "1")

    def test_results_go_only_to_a_new_or_empty_folder(self) -> None:
        (self.tmp / "empty").mkdir()
        (self.tmp / "used").mkdir()
        (self.tmp / "used" / "manifest.json").write_text("{}")
        (self.tmp / "file").write_text("")
        for name, refused in (("new/deeper", None), ("empty", None), ("used", "is not empty"),
                              ("file", "is not a folder")):
            with self.subTest(name):
                if refused:
                    with self.assertRaisesRegex(Unusable, refused):
                        results_folder.claim(self.tmp / name)
                else:
                    results_folder.claim(self.tmp / name)
                    self.assertTrue((self.tmp / name).is_dir())


if __name__ == "__main__":
    unittest.main(verbosity=1)
