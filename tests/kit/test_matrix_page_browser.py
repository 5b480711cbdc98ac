#!/usr/bin/env python3
"""bxdisc try --matrix's page as a browser shows it: headless Chromium opens
a page of three runs and finds every screenshot loaded at its front window's
size, one table row a system in order, and nothing fetched from elsewhere.

Runs on Debian's Python, with Debian's chromium, chromium-driver and
python3-selenium (scripts/install-deps.sh); skipped where they are missing.
With BXDISC_PAGE_SHOT=FILE.png it leaves a screenshot of the page there.

    /usr/bin/python3 tests/kit/test_matrix_page_browser.py
"""
from __future__ import annotations

import json
import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path
from typing import Any

sys.dont_write_bytecode = True
from bxdisc_try import matrix_page  # noqa: E402
from bxdisc_try.run_result import RunResult  # noqa: E402
from testlib import results  # noqa: E402

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    SELENIUM = True
except ImportError:
    SELENIUM = False

CHROMIUM, DRIVER = shutil.which("chromium"), shutil.which("chromedriver")
MISSING = ("Debian's chromium, chromium-driver and python3-selenium (for this Python: %s)"
           % sys.executable)


@unittest.skipUnless(SELENIUM and CHROMIUM and DRIVER, MISSING)
class BrowserTest(unittest.TestCase):
    tmp: Path
    runs: list[RunResult]
    index: Path
    driver: webdriver.Chrome

    @classmethod
    def setUpClass(cls) -> None:
        # Known here: the class is skipped without them.
        assert CHROMIUM is not None and DRIVER is not None
        tmp = tempfile.TemporaryDirectory()
        cls.addClassCleanup(tmp.cleanup)
        cls.tmp = Path(tmp.name)
        cls.runs = results(cls.tmp)
        cls.index = matrix_page.write_page(cls.tmp / "page", "Demo Disc", "1.4.2", cls.runs)
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        # The tests run as root, where Chromium's own sandbox cannot start.
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--user-data-dir=" + str(cls.tmp / "profile"), "--window-size=1200,900"):
            options.add_argument(flag)
        # The DevTools log of the page's network requests, files included.
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        cls.driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        cls.addClassCleanup(cls.driver.quit)
        # get() returns at the load event, when the pictures have loaded or failed.
        cls.driver.get(cls.index.as_uri())

    def js(self, script: str) -> Any:
        return self.driver.execute_script(script)

    def test_every_screenshot_shows_at_its_window_size(self) -> None:
        images = self.js("return Array.from(document.images, i => "
                         "[i.getAttribute('src'), i.complete, i.naturalWidth, i.naturalHeight])")
        # A run with a screenshot but no window then fails the comparison below.
        expected = [[r.system + ".png", True, *(r.window or ())] for r in self.runs if r.screenshot]
        self.assertEqual(2, len(expected))
        self.assertEqual(expected, images)

    def test_one_body_row_a_system_in_order(self) -> None:
        rows = self.js("return Array.from(document.querySelectorAll('table tbody tr'), "
                       "tr => tr.dataset.system)")
        self.assertEqual([r.system for r in self.runs], rows)

    def test_pass_is_green_fail_red_unusable_grey(self) -> None:
        colours = self.js("return Array.from(document.querySelectorAll('tbody tr td:first-child'),"
                          " td => getComputedStyle(td).backgroundColor)")
        (r1, g1, b1), (r2, g2, b2), (r3, g3, b3) = (
            [int(n) for n in c[c.index("(") + 1:-1].split(",")[:3]] for c in colours)
        self.assertGreater(g1, max(r1, b1))
        self.assertGreater(r2, max(g2, b2))
        self.assertEqual(r3, g3)
        self.assertEqual(g3, b3)

    def test_nothing_is_fetched_from_elsewhere(self) -> None:
        events = [json.loads(entry["message"])["message"]
                  for entry in self.driver.get_log("performance")]
        # The browser's own pages (its new tab) load things too: only the
        # requests for this page count.
        fetched = {e["params"]["request"]["url"] for e in events
                   if e["method"] == "Network.requestWillBeSent"
                   and e["params"].get("documentURL") == self.index.as_uri()}
        page = self.index.parent
        self.assertEqual({self.index.as_uri()} | {page.joinpath(r.system + ".png").as_uri()
                                                  for r in self.runs if r.screenshot}, fetched)

    def test_zz_the_page_for_the_documentation(self) -> None:
        # Last (by name), so the other tests see the window as it opened.
        shot = os.environ.get("BXDISC_PAGE_SHOT")
        if not shot:
            self.skipTest("BXDISC_PAGE_SHOT names no file")
        height = self.js("return document.documentElement.scrollHeight")
        self.driver.set_window_size(1200, height + 150)
        self.assertTrue(self.driver.save_screenshot(shot))


if __name__ == "__main__":
    unittest.main(verbosity=1)
