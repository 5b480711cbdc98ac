"""A setup program try has never seen, driven as a user in a hurry would:
each dialog pictured, then its default button pressed (Next, Install,
Finish, OK), or the answer --answer names to a yes/no question; a window
with only Cancel, or no button (a progress bar), waited out. A dialog that
asks for something try cannot give (an empty field, a disabled default
button), or that stays after its button, is a failure that names it."""
from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Protocol

from .follow import BOX_BUTTONS, NO, YES
from .frames import Frames
from .report import Report, cp1252, quoted

Record = dict[str, Any]
IDOK, IDCANCEL = 1, 2
MAX_STEPS = 30      # dialogs of one setup: more is a wizard going round
TIME_LIMIT = 600    # seconds for a whole setup, natively
PUSH_STYLES = (0, 1)  # BS_PUSHBUTTON, BS_DEFPUSHBUTTON
ES_READONLY = 0x800


class Session(Protocol):
    def step(self, line: str, wait: float = 5.0) -> list[Record]: ...


@dataclass(frozen=True)
class Move:
    """What try does with one dialog: press (a child button), answer (a
    message box), wait (for it to go), or fail."""
    kind: str
    id: int = 0
    label: str = ""
    reason: str = ""


def label(text: str) -> str:
    """A button's text as it reads: without its mnemonic's "&"."""
    return cp1252(text).replace("&&", "\0").replace("&", "").replace("\0", "&").strip()


def is_cancel(button: Record) -> bool:
    return button["id"] == IDCANCEL or label(button["text"]).lower() == "cancel"


def push_buttons(children: list[Record]) -> list[Record]:
    return [c for c in children if c["class"].lower() == "button" and c["visible"]
            and c.get("style", 0) & 0x0F in PUSH_STYLES]


def dialog_text(window: Record, children: list[Record]) -> str:
    """What a dialog says: a box's text, else its visible static texts."""
    if window.get("box"):
        return cp1252(window.get("text", ""))
    return " ".join(cp1252(c["text"]) for c in children
                    if c["class"].lower() == "static" and c["visible"] and c["text"].strip())


def decide(window: Record, children: list[Record], default: int, answer: str | None) -> Move:
    """The move for one dialog of the setup program."""
    if window.get("box"):
        buttons: list[int] = window.get("buttons", [])
        if YES in buttons and NO in buttons:
            chosen = NO if answer == "no" else YES
            return Move("answer", chosen, BOX_BUTTONS[chosen])
        chosen = IDOK if IDOK in buttons else next((b for b in buttons if b != IDCANCEL), 0)
        if not chosen:
            return Move("wait")
        return Move("answer", chosen, BOX_BUTTONS.get(chosen, str(chosen)))
    pushes = push_buttons(children)
    if all(is_cancel(b) for b in pushes):
        return Move("wait")
    by_label = {label(b["text"]).lower(): b for b in pushes if b["enabled"]}
    if answer and "yes" in by_label and "no" in by_label:
        chosen_button = by_label[answer]
        return Move("press", chosen_button["id"], label(chosen_button["text"]))
    button = next((b for b in pushes if b["id"] == default), None) if default else None
    if button is None:
        return Move("fail", reason="it has no default button to press")
    name = label(button["text"])
    if is_cancel(button):
        return Move("fail", reason="its default button is Cancel")
    if not button["enabled"]:
        return Move("fail", reason="it asks for something try cannot give: its %s button is disabled" % name)
    empty = [c for c in children if c["class"].lower() == "edit" and c["visible"] and c["enabled"]
             and not c.get("style", 0) & ES_READONLY and not c["text"]]
    if empty:
        return Move("fail", reason="it asks for something try cannot give: a field left empty")
    return Move("press", button["id"], name)


def named(title: str, text: str) -> str:
    return "%s (%s)" % (quoted(title), quoted(text)) if text else quoted(title)


class Wizard:
    """The dialogs of one phase's setup programs, as the family follower
    meets them."""

    def __init__(self, report: Report, frames: Frames, phase: str, answer: str | None) -> None:
        self.report = report
        self.frames = frames
        self.phase = phase
        self.answer = answer
        self.steps = 0
        self.said: dict[int, str] = {}      # hwnd -> the dialog, named
        self.pressed: dict[int, str] = {}   # hwnd -> the button pressed in it
        self.messages: list[str] = []   # the message boxes' texts, for an exit code that follows

    def window(self, session: Session, window: Record) -> bool:
        """Pictures the dialog and does its move; False once it failed."""
        self.steps += 1
        title = cp1252(window["title"])
        children: list[Record] = []
        default = 0
        if not window.get("box"):
            listed: Record = next((r for r in session.step("children") if r["step"] == "children"), {})
            if not listed.get("ok"):
                why = listed.get("error", "no report")
                self.report.line("dialog %s: %s: %s" % (window.get("image", "?"), quoted(title), why))
                self.frames.window(window, title or window.get("image", "a window"), self.phase)
                self.report.fail("the dialog %s cannot be read (%s)" % (quoted(title), why))
                return False
            children, default = listed.get("children", []), listed.get("default", 0)
        text = dialog_text(window, children)
        name = named(title, text)
        self.said[window["hwnd"]] = name
        shown = [label(b["text"]) + ("*" if b["id"] == default else "") for b in push_buttons(children)]
        if window.get("box"):
            shown = [BOX_BUTTONS.get(b, str(b)) for b in window.get("buttons", [])]
            self.messages.append(text)
        self.report.line("%s %s: %s [%s]" % ("message box" if window.get("box") else "dialog",
                                             window.get("image", "?"), name, ", ".join(shown)))
        self.frames.window(window, title or window.get("image", "a window"), self.phase)
        move = decide(window, children, default, self.answer)
        if move.kind == "fail":
            self.report.line("not answered: %s" % move.reason, 1)
            self.report.fail("the dialog %s: %s" % (name, move.reason))
            return False
        if move.kind == "wait":
            self.report.line("waited for it to go (no button but Cancel)", 1)
            return True
        done = session.step("%s %d" % ("answer" if move.kind == "answer" else "click", move.id))
        record = next((r for r in done if r["step"] in ("answer", "click")), None)
        if record is None or not record["ok"]:
            why = record.get("error", "the step failed") if record else "no report"
            self.report.line("%s %s: %s" % (move.kind == "answer" and "answered" or "pressed", move.label, why), 1)
            self.report.fail("the dialog %s: %s could not be pressed (%s)" % (name, move.label, why))
            return False
        self.pressed[window["hwnd"]] = move.label
        self.report.line("%s %s" % ("answered" if move.kind == "answer" else "pressed", move.label), 1)
        return True

    def stuck(self, windows: list[Record], running: list[Record], seconds: float) -> None:
        """Nothing new within the wait: the dialog left open is named,
        with its picture, else what still runs."""
        if windows:
            window = windows[0]
            title = cp1252(window["title"])
            name = self.said.get(window["hwnd"], quoted(title))
            self.frames.window(window, title or window.get("image", "a window"), self.phase)
            pressed = self.pressed.get(window["hwnd"])
            why = ("stayed after %s was pressed" % pressed if pressed else "stayed open")
            self.report.line("the dialog %s %s for %d s; ended by try" % (name, why, seconds))
            self.report.fail("the dialog %s %s" % (name, why))
            return
        images = ", ".join(r.get("image", "?") for r in running) or "nothing"
        self.report.line("no window and no end within %d s (still running: %s); ended by try" % (seconds, images))
        self.report.fail("the setup hung with no window (%s)" % images)
