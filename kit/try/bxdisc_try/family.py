"""The launcher and every program it starts, followed as one family
(the driver's follow-family): the launcher's own windows as the Follower
takes them, every other process's window by the wizard, until the whole
family has ended; each member's exit code noted as it ends."""
from __future__ import annotations

import os
import time
from typing import Callable

from .follow import MAX_MOVES, WAIT, Follower, Record, Screen, Session
from .frames import Frames
from .report import Report, cp1252
from .request import Request
from .wizard import MAX_STEPS, TIME_LIMIT, Wizard

RESTART_CODES = (3010, 1641)  # done, and a restart asked for
CRASH = 0xC0000000


def code_text(code: int | None) -> str:
    """An exit code as Windows' tools show it: a status (a crash) in hex."""
    if code is None:
        return "unknown"
    code &= 0xFFFFFFFF
    return "0x%08X" % code if code >= 0x80000000 else str(code)


def exit_problem(code: int) -> str | None:
    """What a setup program's exit code says went wrong, or None."""
    code &= 0xFFFFFFFF
    if code in (0,) + RESTART_CODES:
        return None
    if code >= CRASH:
        return "crashed (exception 0x%08X)" % code
    return "ended with exit code %d" % code


class FamilyFollower(Follower):
    def __init__(self, screen: Screen, request: Request, report: Report, frames: Frames, phase: str,
                 caption: str = "the front window",
                 product: Callable[[Record], bool] | None = None, needs: tuple[str, ...] = ()) -> None:
        super().__init__(screen, request, report)
        self.frames = frames
        self.phase = phase
        self.caption = caption
        self.product = product       # with it, following stops at the window it takes
        self.needs = needs           # the buttons the first front window must offer
        self.launcher = os.path.basename(request.disc.launcher).lower()
        self.wizard = Wizard(report, frames, phase, request.options.answer)
        self.exits: list[Record] = []
        self.fronts: list[tuple[str, ...]] = []   # each front window's buttons
        self.found: Record | None = None          # the product's window

    def limit(self) -> float:
        """The session's total time, natively."""
        wait = self.request.options.timeout or WAIT
        return (MAX_MOVES + MAX_STEPS) * wait + TIME_LIMIT

    def seen(self, window: Record, labels: tuple[str, ...]) -> None:
        missing = [label for label in self.needs if label not in labels]
        if missing and not self.fronts:
            # Before the click that would fail on it: this is the reason.
            self.report.fail("the launcher does not offer %s after the install (it offers %s)"
                             % (" and ".join(missing), ", ".join(labels) or "no button"))
        self.fronts.append(labels)
        shot = self.request.plan.screenshot if self.report.screenshot else None
        self.frames.taken(lambda path: self.picture(window, path), self.caption, self.phase,
                          copy_of=shot if len(self.fronts) == 1 else None)

    def ran(self, image: str) -> list[int | None]:
        """The exit codes of the members of that file name, in order; None
        for one that ended before the driver could open it."""
        return [r.get("code") for r in self.exits if r.get("image", "").lower() == image.lower()]

    def code_of(self, image: str) -> int | None:
        """The last exit code of a member by its file name."""
        codes = self.ran(image)
        return codes[-1] if codes else None

    def follow(self, session: Session) -> bool:
        """Follows the family until it ends (or the product's window shows);
        False when it failed, its members then ended by try."""
        wait = self.request.options.timeout or WAIT
        deadline = time.monotonic() + self.screen.scaled(TIME_LIMIT)
        for _ in range(MAX_MOVES + MAX_STEPS):
            records = session.step("follow-family %d" % (wait * 1000), wait=wait)
            move = next((r for r in records if r["step"] == "follow-family"), None)
            if not move or not move["ok"]:
                self.report.line("the driver lost the programs: %s" % (records or "no report"))
                self.report.fail("the programs could not be followed")
                return False
            for ended in move.get("exits", []):
                self.exits.append(ended)
                said = "%s, exit code %s" % (ended.get("image") or "?", code_text(ended.get("code")))
                self.report.line("ended: " + said)
                if ended.get("image", "").lower() != self.launcher:
                    self.report.programs.append(said)
            if move["ended"]:
                return True
            if not move["moved"]:
                if self.product:
                    running = ", ".join(r.get("image", "?") for r in move.get("running", [])) or "nothing"
                    # The phase fails on it: no product's window found.
                    self.report.line("no window of the product within %d s (running: %s)" % (wait, running))
                else:
                    self.wizard.stuck(move.get("windows", []), move.get("running", []), wait)
                return self.ended(session)
            if move.get("image", "").lower() == self.launcher:
                if move["box"]:
                    self.box(session, move)
                elif not self.front_window(session, move):
                    return self.ended(session)
            elif self.product and self.product(move):
                self.found = move
                self.report.line("the product's window: \"%s\" (%s)" % (cp1252(move["title"]), move.get("image")))
                self.frames.window(move, "the product's window", self.phase)
                return True
            elif not self.wizard.window(session, move):
                return self.ended(session)
            if self.wizard.steps > MAX_STEPS or time.monotonic() > deadline:
                break
        self.report.line("the setup went on past %d dialogs or %d s (stretched); ended by try"
                         % (MAX_STEPS, TIME_LIMIT))
        self.report.fail("the setup did not end within %d dialogs and %d s" % (MAX_STEPS, TIME_LIMIT))
        return self.ended(session)

    def ended(self, session: Session) -> bool:
        """Ends what is left of the family; False, for the failure."""
        for record in session.step("kill-family"):
            for gone in record.get("killed", []):
                self.report.line("ended by try: %s" % gone.get("image", "?"), 1)
        return False
