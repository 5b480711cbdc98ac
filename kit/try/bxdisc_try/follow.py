"""The launcher followed step by step through the UI driver: it answers
its message boxes, looks at and clicks in its front window, and reports
each move. Knows the driver only by its records (one dict a step), so that
recorded transcripts test it without Wine."""
from __future__ import annotations

import subprocess
import time
from typing import Any, Protocol

from .backdrop import find_backdrop
from .outcome import Unusable
from .report import Report, cp1252, quoted, windows_path
from .request import BUTTON_LABELS, Request
from .schema import SCHEMA

BOX_BUTTONS = {1: "OK", 2: "Cancel", 3: "Abort", 4: "Retry", 5: "Ignore", 6: "Yes", 7: "No"}
YES, NO = 6, 7
WAIT = SCHEMA.default("timeout")  # seconds for the launcher's next move, natively
USER_WAIT = 600    # seconds for a user at the window (--show)
MAX_MOVES = 20     # windows in one run: more is a launcher going round

Record = dict[str, Any]


class Session(Protocol):
    def step(self, line: str, wait: float = 5.0) -> list[Record]: ...


class Screen(Protocol):
    slowness: float

    def scaled(self, seconds: float) -> float: ...

    def grab(self, x: int, y: int, width: int, height: int) -> bytes: ...

    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None: ...


def command_line(request: Request) -> str:
    """The launcher's command line as a disc's automatic start gives it."""
    tail = request.options.tail if request.options.tail is not None else ("/autorun",)
    program = windows_path(request.disc.launcher)
    if " " in program:
        program = '"%s"' % program
    return " ".join([program] + ['"%s"' % a if (" " in a or not a) and '"' not in a else a
                                 for a in tail])


class Follower:
    def __init__(self, screen: Screen, request: Request, report: Report) -> None:
        self.screen = screen
        self.request = request
        self.report = report
        self.names = {v: k for k, v in request.disc.buttons.items()}
        self.clicked = False
        self.shot = False

    def limit(self) -> float:
        """The session's total time, natively."""
        return MAX_MOVES * (self.request.options.timeout or WAIT) + 2 * USER_WAIT

    def start(self, session: Session, cmd: str) -> None:
        """Starts cmd in D:\\ under the driver; Unusable when it cannot."""
        self.report.line("started: %s in D:\\" % cmd)
        refused = next((r for r in session.step("cmd " + cmd) if r.get("error") == "too long"), None)
        if refused:
            raise Unusable("the launcher's command line is %d characters, and Wine's driver takes "
                           "%d at most" % (len(cmd), refused["max"]))
        session.step("dir D:\\")
        started = session.step("start")
        if not started or not started[-1]["ok"]:
            raise Unusable("Wine could not start the launcher: %s" % (started or "no report"))

    def follow(self, session: Session) -> bool:
        """Follows the launcher until it ends. False when it hangs or goes
        round in windows."""
        wait = self.request.options.timeout or WAIT
        for _ in range(MAX_MOVES):
            records = session.step("follow %d" % (wait * 1000), wait=wait)
            move = next((r for r in records if r["step"] == "follow"), None)
            if not move or not move["ok"]:
                self.report.line("the launcher hangs: no window and no end within %d s "
                                 "(stretched %.1f times); ended by try" % (wait, self.screen.slowness))
                self.report.fail("the launcher hung")
                return False
            if move["ended"]:
                self.report.line("the launcher ended, exit code %d" % move["code"])
                return True
            if move["box"]:
                self.box(session, move)
            elif not self.front_window(session, move):
                return True
        self.report.line("the launcher showed %d windows one after another; ended by try" % MAX_MOVES)
        self.report.fail("the launcher went round in windows")
        return False

    def box(self, session: Session, box: Record) -> None:
        buttons = [BOX_BUTTONS.get(b, str(b)) for b in box["buttons"]]
        self.report.line("message box %s: %s [%s]" % (quoted(cp1252(box["title"])),
                                                   quoted(cp1252(box["text"])), ", ".join(buttons)))
        if self.request.options.show and not self.request.options.answer:
            session.step("wait-gone %d" % (USER_WAIT * 1000), wait=USER_WAIT)
            self.report.line("answered at the window", 1)
        elif not box["buttons"]:
            session.step("close")
            self.report.line("no button to answer with; closed by try", 1)
        else:
            wanted = NO if self.request.options.answer == "no" else YES
            answer = wanted if wanted in box["buttons"] else box["buttons"][0]
            session.step("answer %d" % answer)
            self.report.line("answered %s" % BOX_BUTTONS.get(answer, str(answer)), 1)
        if box["buttons"] == [1]:
            self.report.fail("the launcher showed an error message")

    def seen(self, window: Record, labels: tuple[str, ...]) -> None:
        """A front window reported, before it is clicked or closed."""

    def front_window(self, session: Session, window: Record) -> bool:
        """Reports the window and its buttons, takes the screenshot, then
        clicks, waits for the user, or closes it. False when the click did
        not reach it."""
        children = session.step("children")
        shown = [c["id"] for c in (children[-1].get("children", []) if children else [])
                 if c["visible"] and c["id"] in self.names]
        width, height = window["client"]
        labels = tuple(BUTTON_LABELS[self.names[i]] for i in sorted(shown))
        title = cp1252(window["title"])
        self.report.line("front window %s, %d x %d: buttons %s"
                         % (quoted(title), width, height, ", ".join(labels) or "none"))
        if self.report.window is None:
            self.report.title, self.report.window, self.report.buttons = title, (width, height), labels
        if self.request.plan.screenshot and not self.shot:
            self.shot = True
            self.screenshot(window)
        self.seen(window, labels)
        click = self.request.options.click
        if click and not self.clicked:
            self.clicked = True
            label = BUTTON_LABELS[click]
            if self.request.disc.buttons[click] not in shown:
                self.report.line("no %s button to click; closed by try" % label, 1)
                self.report.fail("the front window has no %s button" % label)
                session.step("close")
                return True
            pressed = session.step("press %d" % self.request.disc.buttons[click])
            ok = bool(pressed) and pressed[-1]["ok"]
            self.report.line("clicked %s%s" % (label, "" if ok else " (failed)"), 1)
            if not ok:
                self.report.fail("the click did not reach the window")
                return False
            self.report.clicked = label
        elif self.request.options.show:
            self.report.line("waiting for you at the window (at most %d s)" % USER_WAIT, 1)
            session.step("wait-gone %d" % (USER_WAIT * 1000), wait=USER_WAIT)
        else:
            session.step("close")
            self.report.line("closed by try (no --click)", 1)
        return True

    def screenshot(self, window: Record) -> None:
        """The window's client area as it shows, once its backdrop is
        painted: the front window's size, as preview draws it."""
        assert self.request.plan.screenshot
        if self.picture(window, self.request.plan.screenshot):
            self.report.screenshot = self.request.plan.screenshot
            self.report.line("screenshot: %s" % (self.request.plan.screenshot_as or self.request.plan.screenshot), 1)
        else:
            self.report.line("screenshot: could not be taken", 1)

    def picture(self, window: Record, path: str) -> bool:
        """Saves the front window's client area to path once its backdrop
        shows (or after 10 s, stretched); False where it could not."""
        left, top, right, bottom = window["rect"]
        rect = (left, top, right - left, bottom - top)
        client = rect
        if "origin" in window:
            (x, y), (width, height) = window["origin"], window["client"]
            client = (x, y, width, height)
        deadline = time.monotonic() + self.screen.scaled(10)
        if self.request.disc.backdrop:
            try:
                while (not find_backdrop(self.screen.grab, rect, self.request.disc.backdrop)
                       and time.monotonic() < deadline):
                    time.sleep(0.3)
            except (OSError, subprocess.SubprocessError):
                pass  # take what shows
        try:
            self.screen.save_png(*client, path)
            return True
        except (OSError, subprocess.SubprocessError):
            return False
