"""What bxdisc try --matrix leaves behind: with --html DIR a page of the runs
and their screenshots, with --junit FILE a JUnit report for CI.

The page is one file with its screenshots beside it: no script, no style
sheet, font or picture from elsewhere, so that it reads the same opened from
a disk, attached to a mail or served by a CI job. Whatever a run saw (window
titles, button labels, reports) comes from the disc under test and is
escaped everywhere.
"""
import contextlib
import dataclasses
import html
import io
import os
import re
import secrets
import shutil
import stat
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path
from typing import BinaryIO, Sequence

from . import matrix_table
from .run_result import PHASES, Frame, RunResult

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Characters XML 1.0 has no place for, escaped or not; HTML's parsers take
# them, but they are no text either.
NOT_XML = re.compile("[^\t\n\r\x20-\ud7ff\ue000-\ufffd\U00010000-\U0010ffff]")
HEADINGS = ("system", "front window", "clicked", "programs started", "staged", "restart",
            "phase", "verdict", "time")
STYLE = """
body { font: 15px/1.45 sans-serif; margin: 1.5em; color: #1b1b1b; background: #fff; }
h1 small { font-weight: normal; font-size: 0.6em; color: #555; margin-left: 0.6em; }
table { border-collapse: collapse; margin: 1em 0 2em; }
th, td { border: 1px solid #b8b8b8; padding: 0.3em 0.7em; text-align: left; vertical-align: top; }
thead th { background: #ececec; }
td.number { text-align: right; white-space: nowrap; }
tr.pass td { background: #dcf1d8; }
tr.fail td { background: #f8d7d7; }
tr.unusable td, tr.interrupted td { background: #e4e4e4; color: #444; }
section { border-left: 0.45em solid #999; padding: 0.1em 1em 0.5em; margin: 1.5em 0; }
section.pass { border-color: #3b983b; }
section.fail { border-color: #c83232; }
figure { margin: 0.5em 0; }
img { max-width: 100%; height: auto; border: 1px solid #777; }
figcaption { color: #555; font-size: 0.9em; }
.strip { display: flex; flex-wrap: wrap; gap: 0.8em; align-items: flex-start; }
.strip figure { flex: none; max-width: 17em; margin: 0; }
pre { background: #f5f5f5; padding: 0.7em; white-space: pre-wrap; overflow-wrap: anywhere; }
"""


def write_reports(html: Path | None, junit: Path | None, disc_name: str, version: str,
                  results: list[RunResult]) -> Path | None:
    """Writes the page (html/index.html and each run's screenshot beside it
    as <system>.png) and the JUnit file, all of them or none: when one
    cannot be written, every place is as before and the folders made for the
    page are gone, and the OSError names the file. The folder may hold the
    author's own files: only those names are replaced, never written
    through. Returns the page's path."""
    systems = [r.system for r in results]
    if len(set(systems)) != len(systems):
        raise ValueError("a system appears twice among the runs: " + ", ".join(systems))
    made = _make_folders(html) if html else []
    moves: list[tuple[Path, Path]] = []
    try:
        page = None
        if html:
            shown = set()
            strips: dict[str, list[tuple[str, Frame]]] = {}
            for r in results:
                temp = _screenshot_beside(r, html)
                if temp:
                    moves.append((temp, html / (r.system + ".png")))
                    shown.add(r.system)
                for frame in r.frames:
                    name = frame_name(r, len(strips.get(r.system, [])) + 1)
                    temp = _png_beside(frame.file, html / name)
                    if temp:
                        moves.append((temp, html / name))
                        strips.setdefault(r.system, []).append((name, frame))
            page = html / "index.html"
            moves.append((_write_beside(page, _page(disc_name, version, results, shown, strips).encode("utf-8")),
                          page))
        if junit:
            moves.append((_write_beside(junit, _junit(disc_name, results)), junit))
        _replace_together(moves)
    except BaseException:
        for temp, _ in moves:
            temp.unlink(missing_ok=True)
        for folder in reversed(made):
            with contextlib.suppress(OSError):
                folder.rmdir()
        raise
    return page


def write_page(folder: Path, disc_name: str, version: str, results: list[RunResult]) -> Path:
    """The page alone; its path."""
    page = write_reports(folder, None, disc_name, version, results)
    assert page is not None
    return page


def write_junit(path: Path, disc_name: str, results: list[RunResult]) -> None:
    """The JUnit file alone."""
    write_reports(None, path, disc_name, "", results)


def _junit(disc_name: str, results: list[RunResult]) -> bytes:
    """One test suite, one test case a system: a failed run a failure, an
    unusable or interrupted one an error, each with the run's report."""
    failures = sum(r.outcome == "fail" for r in results)
    errors = sum(r.outcome not in ("pass", "fail") for r in results)
    suite = ET.Element("testsuite", {
        "name": _xml("bxdisc try " + disc_name), "tests": str(len(results)),
        "failures": str(failures), "errors": str(errors),
        "time": "%.3f" % sum(r.seconds for r in results)})
    for r in results:
        case = ET.SubElement(suite, "testcase", {
            "classname": "bxdisc.try", "name": r.system, "time": "%.3f" % r.seconds})
        if r.outcome == "pass":
            ET.SubElement(case, "system-out").text = _xml(r.report)
        else:
            kind = "failure" if r.outcome == "fail" else "error"
            ET.SubElement(case, kind, {"message": _xml(r.verdict), "type": r.outcome}).text = \
                _xml(r.report)
    tree = ET.ElementTree(suite)
    ET.indent(tree)
    out = io.BytesIO()
    tree.write(out, encoding="utf-8", xml_declaration=True)
    return out.getvalue()


# ---- files ----------------------------------------------------------------------

def _make_folders(folder: Path) -> list[Path]:
    """Makes the folder and its missing parents; those made, outermost first."""
    missing = []
    while not folder.is_dir() and folder != folder.parent:
        missing.append(folder)
        folder = folder.parent
    made: list[Path] = []
    try:
        for f in reversed(missing):
            f.mkdir()
            made.append(f)
    except BaseException:
        for f in reversed(made):
            with contextlib.suppress(OSError):
                f.rmdir()
        raise
    return made


def _write_beside(path: Path, data: bytes | BinaryIO) -> Path:
    """A new file beside path holding data, whole on the disk: its path.
    mkstemp makes its file anew, never following a link."""
    try:
        fd, name = tempfile.mkstemp(dir=path.parent, prefix="." + path.name + ".", suffix=".tmp")
    except OSError as e:
        raise OSError(e.errno, "cannot write in its folder (%s)" % e.strerror, str(path)) from e
    temp = Path(name)
    try:
        with open(fd, "wb") as out:
            if isinstance(data, bytes):
                out.write(data)
            else:
                shutil.copyfileobj(data, out)
            out.flush()
            # mkstemp's file is the owner's alone; a page is for reading.
            os.fchmod(out.fileno(), 0o644)
            os.fsync(out.fileno())
    except OSError as e:
        temp.unlink(missing_ok=True)
        raise OSError(e.errno, "cannot write it (%s)" % e.strerror, str(path)) from e
    return temp


def _replace_together(moves: list[tuple[Path, Path]]) -> None:
    """Renames each new file (first) onto its place (second); when one
    cannot be, every place is as before and every new file gone."""
    try:
        _rename_together(moves)
    except BaseException:
        for temp, _ in moves:
            temp.unlink(missing_ok=True)
        raise


def _rename_together(moves: list[tuple[Path, Path]]) -> None:
    """Renames each new file onto its place: a reader never sees half a
    file, and whatever had the name before (a link to the author's files,
    say) is replaced, not written through. When one rename fails, those
    done are put back by a second name of what they replaced."""
    existed = [os.path.lexists(place) for _, place in moves]
    olds: list[Path | None] = []
    done = 0
    try:
        # None for the last, after which nothing can fail.
        for i, (_, place) in enumerate(moves):
            olds.append(_second_name(place) if existed[i] and i + 1 < len(moves) else None)
        for temp, place in moves:
            try:
                os.replace(temp, place)
            except OSError as e:
                raise OSError(e.errno, "cannot be replaced (%s)" % e.strerror, str(place)) from e
            done += 1
    except BaseException:
        for (_, place), old, was in zip(moves[:done], olds, existed):
            with contextlib.suppress(OSError):
                if old:
                    os.replace(old, place)
                elif not was:
                    place.unlink()
        for old in olds:
            if old:
                with contextlib.suppress(OSError):
                    old.unlink(missing_ok=True)
        raise
    for (_, place), old in zip(moves, olds):
        if old is None:
            continue
        try:
            old.unlink()
        except OSError as e:
            # Every file is in place by now: the author is told of the copy left.
            print("bxdisc try: %s: its old copy is left beside it as %s (%s); delete it"
                  % (place, old.name, e.strerror), file=sys.stderr)


def _second_name(place: Path) -> Path | None:
    """A hard link to what is at place (a link itself, not what it leads
    to), beside it; None where the file system keeps no second name."""
    for _ in range(100):
        old = place.with_name("." + place.name + ".old-" + secrets.token_hex(4))
        try:
            os.link(place, old, follow_symlinks=False)
            return old
        except FileExistsError:
            continue
        except OSError:
            return None
    return None


def write_atomically(path: Path, data: bytes | BinaryIO) -> None:
    """One file replaced whole, as write_reports replaces each."""
    _replace_together([(_write_beside(path, data), path)])


def copy_screenshot(r: RunResult, folder: Path) -> bool:
    """Copies the run's screenshot to folder/<system>.png, replacing it
    whole; False when there is none such (see _png_beside)."""
    temp = _screenshot_beside(r, folder)
    if temp:
        _replace_together([(temp, folder / (r.system + ".png"))])
    return temp is not None


def frame_name(r: RunResult, index: int) -> str:
    """The name of the run's index-th frame (from 1) beside its page or results."""
    return "%s-%02d.png" % (r.system, index)


def copy_frames(r: RunResult, folder: Path) -> RunResult:
    """Copies the run's frames to folder/<system>-NN.png, each replaced
    whole; the run with its frames so named, those that could not be left out."""
    kept: list[Frame] = []
    for frame in r.frames:
        name = frame_name(r, len(kept) + 1)
        temp = _png_beside(frame.file, folder / name)
        if temp:
            _replace_together([(temp, folder / name)])
            kept.append(dataclasses.replace(frame, file=name))
    return dataclasses.replace(r, frames=tuple(kept))


def _screenshot_beside(r: RunResult, folder: Path) -> Path | None:
    return _png_beside(r.screenshot, folder / (r.system + ".png")) if r.screenshot else None


def _png_beside(source_path: str, target: Path) -> Path | None:
    """A picture copied beside target: only a regular file that is a PNG,
    not a link, a pipe or a device at the named path. None when there is
    none such."""
    try:
        # Not opened blocking, in case the name is a pipe with no writer.
        fd = os.open(source_path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK)
    except OSError:
        return None
    with open(fd, "rb") as source:
        if not stat.S_ISREG(os.fstat(fd).st_mode) or source.read(8) != PNG_SIGNATURE:
            return None
        source.seek(0)
        return _write_beside(target, source)


# ---- the page ------------------------------------------------------------------

def _xml(text: str) -> str:
    return NOT_XML.sub("", text)


def _e(text: str) -> str:
    """Text from a run as HTML text or a quoted attribute's value."""
    return html.escape(NOT_XML.sub("\ufffd", text), quote=True)


def _page(disc_name: str, version: str, results: list[RunResult], shown: set[str],
          strips: dict[str, list[tuple[str, Frame]]] | None = None) -> str:
    counts = [(sum(r.outcome == kind for r in results), kind)
              for kind in ("pass", "fail", "unusable", "interrupted")]
    summary = ", ".join("%d %s" % (n, kind) for n, kind in counts if n)
    head = "".join("<th>%s</th>" % h for h in HEADINGS)
    rows = "\n".join(_row(r) for r in results)
    sections = "\n".join(_section(r, r.system in shown, (strips or {}).get(r.system, [])) for r in results)
    return f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{_e(disc_name)}: bxdisc try --matrix</title>
<style>{STYLE}</style>
</head>
<body>
<h1>{_e(disc_name)} <small>bxdisc try --matrix, bxdisc {_e(version)}</small></h1>
<p>Runs: {summary or "none"}.</p>
<table>
<thead><tr>{head}</tr></thead>
<tbody>
{rows}
</tbody>
</table>
{sections}
</body>
</html>
"""


def _row(r: RunResult) -> str:
    system, *texts = matrix_table.cells(r)
    # Numbers right-aligned, as in the printed table.
    tds = "".join('<td class="number">%s</td>' % _e(text) if right else "<td>%s</td>" % _e(text)
                  for text, (_, _, right) in zip(texts, matrix_table.COLUMNS[1:]))
    return (f'<tr class="{r.outcome}" data-system="{_e(system)}">'
            f'<td><a href="#{_e(system)}">{_e(system)}</a></td>{tds}</tr>')


def _strip(r: RunResult, frames: Sequence[tuple[str, Frame]]) -> str:
    """What the user would see, step by step: one figure a frame."""
    figures = "".join(f'<figure><img src="{_e(name)}" alt="{_e(r.system)}: {_e(frame.caption)}">'
                      f"<figcaption>{_e(PHASES[frame.phase])}: {_e(frame.caption)}</figcaption></figure>"
                      for name, frame in frames)
    return f'<div class="strip">{figures}</div>'


def _section(r: RunResult, shown: bool, frames: Sequence[tuple[str, Frame]] = ()) -> str:
    what = "the front window" + (", \u201c%s\u201d" % r.title if r.title is not None else "")
    if shown:
        size = ' width="%d" height="%d"' % r.window if r.window else ""
        picture = (f'<figure><img src="{_e(r.system)}.png"{size} alt="{_e(r.system)}: {_e(what)}">'
                   f"<figcaption>{_e(what)}</figcaption></figure>")
    else:
        picture = "<p>No screenshot.</p>"
    if frames:
        picture = _strip(r, frames)
    return f"""<section id="{_e(r.system)}" class="{r.outcome}">
<h2>{_e(r.system)}: {_e(matrix_table.verdict(r))}</h2>
{picture}
<p>Verdict: {_e(r.verdict)}</p>
<pre>{_e(r.report)}</pre>
</section>"""
