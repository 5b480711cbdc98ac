"""The plain-text table that bxdisc try --matrix prints as its runs end: a
header, then one line a system, in fixed columns so that the lines printed
minutes apart still line up.
"""
import unicodedata

from .run_result import PHASES, RunResult

# (heading, width in terminal cells, right-aligned). The restart column fits
# its longest text, "yes, rerun followed", and the phase (--whole's, reached)
# "Started again"; the others cut with an ellipsis.
COLUMNS = (
    ("system", 7, False),
    ("front window", 22, False),
    ("clicked", 9, False),
    ("started", 7, True),
    ("staged", 6, True),
    ("restart", 19, False),
    ("phase", 13, False),
    ("verdict", 30, False),
    ("time", 6, True),
)
GAP = "  "
ELLIPSIS = "\u2026"


def front_window(r: RunResult) -> str:
    """'540x340 Install,Exit', or 'none' where no window showed."""
    if r.window is None and not r.buttons:
        return "none"
    size = "%dx%d" % r.window if r.window else "?"
    return " ".join([size] + ([",".join(r.buttons)] if r.buttons else []))


def restart(r: RunResult) -> str:
    if not r.restart:
        return "no"
    return "yes, rerun followed" if r.rerun else "yes"


def verdict(r: RunResult) -> str:
    """pass, FAIL: reason, unusable: reason or interrupted."""
    if r.outcome in ("pass", "interrupted"):
        return r.outcome
    label = "FAIL" if r.outcome == "fail" else r.outcome
    return label + ": " + r.reason if r.reason else label


def cells(r: RunResult) -> tuple[str, ...]:
    """The row's texts, whole; the page shows them uncut."""
    return (r.system, front_window(r), r.clicked or "-", str(len(r.programs)),
            str(len(r.staged)), restart(r), PHASES[r.phase] if r.phase else "-", verdict(r),
            "%.0f s" % r.seconds)


def table_header() -> str:
    return _line(tuple(name for name, _, _ in COLUMNS))


def table_row(r: RunResult) -> str:
    return _line(cells(r))


def _line(texts: tuple[str, ...]) -> str:
    return GAP.join(_fit(text, width, right)
                    for text, (_, width, right) in zip(texts, COLUMNS))


def _printable(text: str) -> str:
    # Titles and labels come from the disc: a newline would break the row
    # and an escape sequence would drive the author's terminal.
    return "".join(" " if ch in "\t\n\r" else
                   "?" if unicodedata.category(ch).startswith("C") else ch for ch in text)


def _cells(ch: str) -> int:
    """Terminal cells a character takes: wide East Asian ones two, marks
    that combine with the one before none."""
    if unicodedata.combining(ch) or unicodedata.category(ch) in ("Mn", "Me"):
        return 0
    return 2 if unicodedata.east_asian_width(ch) in ("W", "F") else 1


def _fit(text: str, width: int, right: bool) -> str:
    text = _printable(text)
    used = sum(map(_cells, text))
    if used > width:
        kept, used = "", 1   # the ellipsis' cell
        for ch in text:
            if used + _cells(ch) > width:
                break
            kept, used = kept + ch, used + _cells(ch)
        text = kept + ELLIPSIS
    pad = " " * (width - used)
    return pad + text if right else text + pad
