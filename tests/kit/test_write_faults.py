#!/usr/bin/env python3
"""Every command that writes, run again and again with one file-system call
failing (fail_call.c, preloaded): the first such call, then the second, and
so on through every call a run without faults makes. After a failed run the
test's whole tree (the disc, its parent, the outputs) is as before, names,
modes, bytes and links; the command said what failed and why on standard
error and exited with a status, not a signal. A run that gets through all
the same leaves what the run without faults left. The table at the end is
one line a command.

    python3 tests/kit/test_write_faults.py PATH/TO/bxdisc PATH/TO/fail_call.so
"""
from __future__ import annotations

import collections
import dataclasses
import errno
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path
from typing import Callable

sys.dont_write_bytecode = True
import testlib  # noqa: E402
from testlib import Snapshot  # noqa: E402

PRELOAD = ""  # set from the command line, below
# Runs at once: xorriso and fsync wait more than they work.
WORKERS = 4
# The only calls of its own whose failure a command may pass over: openat2 has the walk without
# it, and a second name to put a file back by is kept only where the file system allows one. A
# program it runs is its own judge; what counts is what it leaves.
PASSED_OVER = {"openat2", "linkat"}
# The names a command gives its temporary files, which differ from run to run.
TEMPORARY = re.compile(r"\.bxdisc(-old)?-[A-Za-z0-9]{6}|\.[a-z0-9_]{8}\.tmp\b|\.old-[0-9a-f]{8}")

def differences(want: Snapshot, got: Snapshot) -> list[str]:
    return (["left " + p for p in sorted(got.keys() - want.keys())]
            + ["gone " + p for p in sorted(want.keys() - got.keys())]
            + ["changed " + p for p in sorted(want.keys() & got.keys()) if want[p] != got[p]])


@dataclasses.dataclass(frozen=True)
class Case:
    """A command on a tree that prepare lays out; argv relative to the tree.
    fiu: the libfiu points to fail for good, one run each."""
    name: str
    argv: list[str]
    prepare: Callable[[Path], None]
    env: dict[str, str] = dataclasses.field(default_factory=dict)
    fiu: tuple[str, ...] = ("posix/io/sync/fsync", "posix/io/rw/write")


@dataclasses.dataclass(frozen=True)
class Run:
    status: int
    stderr: str
    tree: Snapshot
    # "name path" by the number the preload gave it; a number no line names (a call of a program in a
    # sandbox, say, which cannot reach the log) is not failed in turn.
    calls: dict[int, str] = dataclasses.field(default_factory=dict)
    failed: str = ""  # the call that failed, "" for none
    failed_own: bool = False  # made by the command's own process, not a program it ran


@dataclasses.dataclass
class Row:
    case: str
    calls: int = 0
    refused: int = 0  # failed, the tree as before
    through: collections.Counter[str] = dataclasses.field(default_factory=collections.Counter)  # by call
    named: int = 0  # got through, but an old copy stays, named on standard error
    problems: list[str] = dataclasses.field(default_factory=list)
    fiu: list[str] = dataclasses.field(default_factory=list)
    seconds: float = 0


ROWS: list[Row] = []


def launch(case: Case, base: Path, work: Path, env: dict[str, str], before: tuple[str, ...] = ()) -> Run:
    """The case on a copy of base in work/tree."""
    tree = work / "tree"
    shutil.copytree(base, tree, symlinks=True)
    with subprocess.Popen([*before, *case.argv], cwd=tree, env=dict(os.environ, **case.env, **env),
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True) as p:
        stderr = p.communicate(timeout=300)[1]
    log = work / "calls.log"
    lines = [line.split(" ", 2) for line in log.read_text().splitlines()] if log.exists() else []
    calls = {int(n): rest.replace(str(tree.resolve()) + "/", "") for n, _, rest in lines}
    failed = [(pid, calls[int(n)]) for n, pid, rest in lines if rest.endswith(" FAILED")]
    return Run(p.returncode, stderr, testlib.snapshot(tree, modes=True), calls,
               failed[0][1].removesuffix(" FAILED") if failed else "", bool(failed) and failed[0][0] == str(p.pid))


def failing(case: Case, base: Path, work: Path, at: int, errname: str) -> Run:
    """Its call number at failing with errname (none for 0), through fail_call.c."""
    work.mkdir()
    (work / "count").write_bytes(bytes(8))
    tree = (work / "tree").resolve()
    run = launch(case, base, work, {
        "BX_FAIL_UNDER": str(tree), "BX_FAIL_AT": str(at), "BX_FAIL_ERRNO": errname,
        "BX_FAIL_COUNT": str(work / "count"), "BX_FAIL_LOG": str(work / "calls.log"),
        "LD_PRELOAD": " ".join(filter(None, [os.environ.get("LD_PRELOAD"), PRELOAD]))})
    shutil.rmtree(work)
    return run


def judge(run: Run, before: Snapshot, clean: Run, written: set[str], reason: str) -> str:
    """"refused", "through" or "named" (see Row), or what is wrong."""
    if run.status < 0:
        return "killed by signal %d" % -run.status
    if run.status == 0:
        wrong = differences(clean.tree, run.tree)
        named = [w for w in wrong if w.startswith("left ") and Path(w).name in run.stderr]
        if len(named) < len(wrong):
            return "exit 0, but " + "; ".join(wrong)
        if named:
            return "named"
        if run.failed_own and run.failed.split(" ", 1)[0] not in PASSED_OVER:
            return "exit 0 after the %s failed" % run.failed.split(" ", 1)[0]
        return "through"
    wrong = differences(before, run.tree)
    if wrong:
        return "exit %d, and %s" % (run.status, "; ".join(wrong))
    # A program the command ran says what it will; the command names the file.
    if written and ((reason and run.failed_own and reason not in run.stderr)
                    or not any(n in run.stderr for n in written)):
        return "exit %d, said only %r" % (run.status, run.stderr.strip())
    return "refused"


def sweep(case: Case, tmp: Path) -> Row:
    """Fails each call of the run without faults in turn, then each libfiu point for good."""
    base = tmp / "base"
    base.mkdir()
    case.prepare(base)
    before = testlib.snapshot(base, modes=True)
    clean = failing(case, base, tmp / "clean", 0, "ENOSPC")
    row = Row(case.name, len(clean.calls))
    # Without faults the command itself has nothing to say on standard error (xorriso has its banner).
    if clean.status != 0 or re.search("^bxdisc", clean.stderr, re.M):
        row.problems.append("without faults: exit %d: %r" % (clean.status, clean.stderr))
        return row
    # What a message may name: a file or folder the command writes, or one it writes in.
    written = {part for d in differences(before, clean.tree) for part in Path(d.split(" ", 1)[1]).parts}

    def one(at: int) -> tuple[str, str, str]:
        # Either, by a draw that is the same every time: calls come in patterns that turns would follow.
        errname = random.Random(at).choice(("ENOSPC", "EIO"))
        run = failing(case, base, tmp / ("run%d" % at), at, errname)
        said = "call %d (%s, %s)" % (at, clean.calls[at], errname)
        if TEMPORARY.sub("*", run.failed) != TEMPORARY.sub("*", clean.calls[at]):
            return said, "", "this run failed %r instead" % run.failed
        return said, run.failed.split(" ", 1)[0], judge(run, before, clean, written,
                                                        os.strerror(getattr(errno, errname)))

    def fiu(point: str) -> tuple[str, str]:
        work = tmp / point.replace("/", "-")
        run = launch(case, base, work, {}, ("fiu-run", "-x", "-f", "", "-c",
                                            "enable name=%s,failinfo=%d" % (point, errno.EIO)))
        shutil.rmtree(work)
        # Each call of the kind fails, every program's (standard error's writes too): nothing can get
        # through, and what is said may be lost.
        verdict = judge(run, before, clean, set(), "")
        return point, "refused" if verdict == "refused" else verdict if run.status else "exit 0"

    with ThreadPoolExecutor(WORKERS) as pool:
        for said, kind, verdict in pool.map(one, sorted(clean.calls)):
            if verdict == "refused":
                row.refused += 1
            elif verdict == "through":
                row.through[kind] += 1
            elif verdict == "named":
                row.named += 1
            else:
                row.problems.append("%s: %s" % (said, verdict))
        for point, verdict in pool.map(fiu, case.fiu):
            row.fiu.append("%s %s" % (point.rsplit("/", 1)[1], verdict))
            if verdict != "refused":
                row.problems.append("libfiu %s failing for good: %s" % (point, verdict))
    return row


# ---- the commands and their trees ---------------------------------------------------

def stand_in_data(folder: Path) -> Path:
    """bxdisc's data folder with a stand-in launcher, so that new needs no cross build."""
    folder.mkdir()
    (folder / "setup.exe").write_bytes(b"MZ launcher")
    return folder


def demo(tree: Path) -> None:
    """The demo disc, one of its files the author's alone, with a link out of it."""
    (tree / "disc").mkdir()
    testlib.demo_disc(str(tree / "disc"))
    (tree / "disc" / "buttons.bmp").chmod(0o600)
    (tree / "elsewhere.txt").write_bytes(b"not the disc's")
    (tree / "disc" / "elsewhere").symlink_to("../elsewhere.txt")


def signable(tree: Path) -> None:
    """Two programs to sign, one in a folder of its own, and the key."""
    (tree / "disc" / "Tools").mkdir(parents=True)
    for name in ("setup.exe", "Tools/helper.dll"):
        (tree / "disc" / name).write_bytes(testlib.STAND_IN_LAUNCHER)
    (tree / "disc" / "setup.exe").chmod(0o755)
    testlib.make_test_key(str(tree / "keys"))


def with_old_image(tree: Path) -> None:
    demo(tree)
    (tree / "out").mkdir()
    (tree / "out" / "disc.iso").write_bytes(b"last week's image")
    (tree / "out" / "disc.iso").chmod(0o640)


def shots(tree: Path) -> None:
    """Three runs' results in runs.json, their screenshots in shots/."""
    (tree / "shots").mkdir()
    runs = [dataclasses.replace(r, screenshot=r.screenshot and str(Path(r.screenshot).relative_to(tree)))
            for r in testlib.results(tree / "shots")]
    (tree / "runs.json").write_text(json.dumps([r.to_json() for r in runs]))


def old_pages(tree: Path) -> None:
    shots(tree)
    (tree / "html").mkdir()
    for name in ("index.html", "win98.png", "notes.txt"):
        (tree / "html" / name).write_bytes(b"the last page's " + name.encode())
    (tree / "html" / "win98.png").chmod(0o600)
    (tree / "junit.xml").symlink_to("shots/win98-shot.png")


# try's page and JUnit file as its matrix writes them, of the runs in runs.json; a Python that
# loads no more than try does.
REPORTS = """
import json, sys
from pathlib import Path
from bxdisc_try import matrix_page
from bxdisc_try.run_result import RunResult
runs = [RunResult.from_json(d) for d in json.loads(Path("runs.json").read_text())]
try:
    matrix_page.write_reports(Path(sys.argv[1]), Path(sys.argv[2]), "Demo", "1.0", runs)
except OSError as e:
    sys.exit("bxdisc try: neither the page nor the JUnit report is written: %s" % e)
"""


def cases(bxdisc: str, tmp: Path) -> list[Case]:
    data = stand_in_data(tmp / "data")
    shim = tmp / "bin"
    shim.mkdir()
    # Signatures made at one time, so that two runs sign alike.
    (shim / "osslsigncode").write_text('#!/bin/sh\n[ "$1" = sign ] && { shift; set -- sign -time 1000000000 "$@"; }\n'
                                       'exec %s "$@"\n' % shutil.which("osslsigncode"))
    (shim / "osslsigncode").chmod(0o755)
    reports = [sys.executable, "-P", "-s", "-S", "-B", "-c", REPORTS]
    try_package = {"PYTHONPATH": str(Path(__file__).resolve().parents[2] / "kit" / "try")}
    return [
        Case("new, its parents made", [bxdisc, "new", "parent/disc", "--product", "Brindle"], lambda t: None,
             {"BXDISC_DATA": str(data)}),
        Case("art --update-inf", [bxdisc, "art", "disc", "--backdrop", "backdrop.png", "--background", "102040",
                                  "--labels", "Go|Again|Install|Leave", "--update-inf"], demo),
        Case("sign --all (2 files)", [bxdisc, "sign", "disc", "--pkcs12", "keys/brindle.p12", "--password-file",
                                      "keys/password", "--ca-file", "keys/cert.pem", "--all"], signable,
             {"PATH": "%s:%s" % (shim, os.environ["PATH"])}, Case.fiu + ("posix/stdio/oc/fopen",)),
        # xorriso's writes counted one by one. Each of them failing for good, xorriso waits half a minute
        # before it gives up: that run is left to the one-by-one failures.
        Case("image over an old one", [bxdisc, "image", "disc", "out/disc.iso", "--label", "DEMO"], with_old_image,
             {"SOURCE_DATE_EPOCH": "1000000000", "BX_FAIL_TOOLS": "all"}, ("posix/io/sync/fsync",)),
        Case("try --html --junit over old ones", reports + ["html", "junit.xml", "shots"], old_pages, try_package,
             fiu=Case.fiu + ("posix/io/dir/rename",)),
        Case("try --html in new folders", reports + ["reports/html", "junit.xml", "shots"], shots, try_package),
    ]


class WriteFaultTest(unittest.TestCase):
    def setUp(self) -> None:
        missing = [t for t in ("fiu-run", "osslsigncode", "openssl", "xorriso", "wixl") if not shutil.which(t)]
        if missing:
            raise AssertionError("these tests need %s: scripts/install-deps.sh installs them" % ", ".join(missing))
        if not testlib.has_art():
            self.skipTest("new and art draw with the art command's libraries")

    def test_every_call_failed_in_turn(self) -> None:
        with tempfile.TemporaryDirectory() as name:
            tmp = Path(name)
            for i, case in enumerate(cases(testlib.BXDISC, tmp)):
                with self.subTest(case.name):
                    (tmp / str(i)).mkdir()
                    start = time.monotonic()
                    row = sweep(case, tmp / str(i))
                    row.seconds = time.monotonic() - start
                    ROWS.append(row)
                    self.assertEqual([], row.problems)


def tearDownModule() -> None:
    print("\n%-32s %5s %7s %7s %5s %8s %4s" % ("command", "calls", "refused", "through", "named", "problems", "s"))
    for r in ROWS:
        print("%-32s %5d %7d %7d %5d %8d %4.0f" % (r.case, r.calls, r.refused, sum(r.through.values()), r.named,
                                                   len(r.problems), r.seconds))
    print("\ncalls: each failed in turn, one run each; refused: the run failed, said what failed and why,\n"
          "and left the whole tree as before; through: it got through all the same, as a run without\n"
          "faults; named: it got through, and named the old copy it could not remove afterwards.\n")
    for r in ROWS:
        print("%s: got through %s; libfiu, each kind failing for good: %s"
              % (r.case, ", ".join("%s x%d" % k for k in sorted(r.through.items())) or "none", ", ".join(r.fiu)))


if __name__ == "__main__":
    testlib.BXDISC = os.path.abspath(sys.argv.pop(1))
    PRELOAD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
