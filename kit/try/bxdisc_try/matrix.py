"""bxdisc try --matrix: the disc on each system, side by side. The runs go
in parallel, all from the one base prefix, each in a work folder and a
sandbox of its own; a row of the table is printed as each ends. A run that
fails or hangs does not stop the others; an interruption ends them all.
With --shard I/N only the I-th of N parts of the systems runs, and --results
keeps its runs for --merge (results_folder.py, merge.py)."""
from __future__ import annotations

import dataclasses
import json
import math
import os
import shutil
import subprocess
import tempfile
import threading
import time
from concurrent.futures import FIRST_COMPLETED, Future, ThreadPoolExecutor, wait
from pathlib import Path
from typing import Callable

from winerunner import Running

from . import outer_run
from . import results_folder
from .matrix_page import write_reports
from .matrix_table import table_header, table_row
from .outcome import CLEAN, FINDINGS, INTERRUPTED, UNUSABLE, Unusable
from .request import SYSTEMS, Plan, Request
from .run_result import RunResult
from .schema import SCHEMA

EVERY_WINE = SCHEMA.every_wine  # what every Wine of Debian 12 and later emulates


def chosen_systems(request: Request, knows: Callable[[str], bool]) -> list[str]:
    """The systems asked for, in the order of their release; by default
    every one this Wine emulates."""
    if request.options.matrix:
        return [s for s in SYSTEMS if s in request.options.matrix]
    return list(EVERY_WINE) + [s for s in SYSTEMS if s not in EVERY_WINE and knows(s)]


# A run's share of one core over its wall time, by whether Wine is emulated:
# a native run mostly waits on Wine's timers, the X server and the driver's
# polls (2.4 core-seconds in 4.1 s for the demo disc); under qemu-user it
# computes for more of it, as the matrix benchmark measures.
RUN_SHARE = {False: 0.6, True: 0.7}


def default_jobs(cores: int, emulated: bool, runs: int) -> int:
    """Runs at once that keep the cores busy: the cores over one run's
    share of a core; no fewer than the cores, and no more than twice them
    (each run holds its own prefix and X server) or the runs to go."""
    jobs = max(cores, math.ceil(cores / RUN_SHARE[emulated]))
    return max(1, min(jobs, 2 * cores, runs))


def shard_systems(systems: list[str], index: int, total: int) -> list[str]:
    """The index-th (from 1) of total contiguous parts of systems, as equal
    as can be, the earlier parts taking one more: Playwright's --shard. A
    part is empty where the shards outnumber the systems."""
    size, extra = divmod(len(systems), total)
    start = (index - 1) * size + min(index - 1, extra)
    return systems[start:start + size + (index <= extra)]


def matrix_status(results: list[RunResult]) -> int:
    """0 only when every system did what the disc intends."""
    statuses = {r.status for r in results}
    if statuses <= {CLEAN}:
        return CLEAN
    if INTERRUPTED in statuses:
        return INTERRUPTED
    return FINDINGS if FINDINGS in statuses else UNUSABLE


class Matrix:
    def __init__(self, request: Request, say: Callable[[str], None]) -> None:
        self.request = request
        self.say = say
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.running: list[Running] = []
        self.keep = tempfile.mkdtemp(prefix="bxdisc-try-matrix-")

    def started(self, process: Running) -> None:
        with self.lock:
            self.running.append(process)
            if self.stopping.is_set():
                process.kill()

    def stop(self) -> None:
        """Ends every run: each one's own folder goes as its thread sees it end."""
        self.stopping.set()
        with self.lock:
            for process in self.running:
                if process.poll() is None:
                    process.kill()

    def run_one(self, system: str, base: outer_run.BasePrefix | None) -> RunResult:
        if self.stopping.is_set():
            return RunResult(system=system, status=INTERRUPTED, verdict="interrupted", seconds=0)
        keep = os.path.join(self.keep, system)
        os.mkdir(keep)
        started = time.monotonic()
        report = os.path.join(keep, "report.txt")
        # Screenshots only for a page, now or merged: each is a wait for the window to be painted.
        options = self.request.options
        shot = os.path.join(keep, "screenshot.png") if options.html or options.results else None
        # The author's options stand; the plan is this system's.
        plan = Plan(system=system, emulated=self.request.plan.emulated, screenshot=shot,
                    screenshot_as=shot and system + ".png")
        request = dataclasses.replace(self.request, plan=plan)
        try:
            with open(report, "w") as out:
                status = outer_run.run_disc(request, lambda line: None, base, out=out, started=self.started,
                                            keep=keep)
        except Unusable as e:
            return RunResult(system=system, status=UNUSABLE, verdict=str(e), seconds=time.monotonic() - started)
        except (OSError, subprocess.SubprocessError) as e:
            return RunResult(system=system, status=UNUSABLE, verdict="Wine failed: %s" % e,
                             seconds=time.monotonic() - started)
        seconds = time.monotonic() - started
        if status not in (CLEAN, FINDINGS, UNUSABLE, INTERRUPTED):
            # Killed by a signal (negative) or ended some other way: the run could not go on.
            return RunResult(system=system, status=UNUSABLE, seconds=seconds,
                             verdict="the run ended with %s" % ("signal %d" % -status if status < 0
                                                                 else "exit status %d" % status))
        try:
            with open(os.path.join(keep, "result.json")) as f:
                result = RunResult.from_json(json.load(f))
        except (OSError, ValueError):
            with open(report, errors="replace") as f:
                text = f.read()
            result = RunResult(system=system, status=status or UNUSABLE, seconds=seconds, report=text,
                               verdict="interrupted" if status == INTERRUPTED else
                               (text.strip().splitlines() or ["the run ended without a report"])[-1])
        status = INTERRUPTED if self.stopping.is_set() else status
        # The run's exit status is the verdict; its system, time and files are the matrix's own.
        return dataclasses.replace(result, system=system, seconds=seconds, status=status,
                                   verdict=result.verdict if result.status == status else
                                   "interrupted" if status == INTERRUPTED else "exit status %d" % status,
                                   screenshot=shot if shot and outer_run.regular_file(shot) else None,
                                   frames=tuple(dataclasses.replace(f, file=os.path.join(keep, f.file))
                                                for f in result.frames
                                                if outer_run.regular_file(os.path.join(keep, os.path.basename(f.file)))
                                                and f.file == os.path.basename(f.file)))

    def run(self, systems: list[str], base: outer_run.BasePrefix | None) -> list[RunResult]:
        jobs = self.request.options.jobs or default_jobs(os.cpu_count() or 1, self.request.plan.emulated,
                                                         len(systems))
        print(table_header(), flush=True)
        ended: dict[str, RunResult] = {}
        with ThreadPoolExecutor(max_workers=min(jobs, len(systems))) as pool:
            pending: set[Future[RunResult]] = {pool.submit(self.run_one, s, base) for s in systems}
            try:
                while pending:
                    done, pending = wait(pending, timeout=0.5, return_when=FIRST_COMPLETED)
                    for future in done:
                        result = future.result()
                        ended[result.system] = result
                        print(table_row(result), flush=True)
            except BaseException:
                self.stop()
                raise
        return [ended[s] for s in systems]


def finish(results: list[RunResult], disc_name: str, version: str, html: str | None,
           junit: str | None) -> int:
    """The page and the JUnit report where asked for, the last line, and
    the matrix's exit status."""
    try:
        page = write_reports(Path(html) if html else None, Path(junit) if junit else None, disc_name, version,
                             results)
    except OSError as e:
        raise Unusable("neither the page nor the JUnit report is written: %s" % e) from e
    if page:
        print("bxdisc try: the page: %s" % page, flush=True)
    if junit:
        print("bxdisc try: the JUnit report: %s" % junit, flush=True)
    status = matrix_status(results)
    passed = sum(r.status == CLEAN for r in results)
    print("bxdisc try: %d of %d systems did what the disc intends (exit status %d)"
          % (passed, len(results), status), flush=True)
    return status


def run_matrix(request: Request, say: Callable[[str], None]) -> int:
    options, folder = request.options, request.disc.folder
    # The author's folder first: nothing runs to be thrown away.
    if options.results:
        results_folder.claim(Path(options.results))
    outer_run.check_platform(request)
    base = None if options.fresh else outer_run.base_prefix(request, say)
    known = base.known_systems() if base else list(EVERY_WINE)
    if base:
        base.say = lambda line: None  # said once, not for every run
    every = chosen_systems(request, lambda s: s in known)
    unknown = [s for s in options.matrix or () if base and s not in known]
    if unknown:
        raise Unusable("this Wine does not emulate %s; leave %s out of --matrix, or use a newer Wine"
                       % (", ".join(unknown), "it" if len(unknown) == 1 else "them"))
    index, total = options.shard or (1, 1)
    systems = shard_systems(every, index, total)
    shard = " (shard %d/%d of %s)" % (index, total, ", ".join(every)) if options.shard else ""
    if systems:
        print("bxdisc try: %s on %s%s" % (folder, ", ".join(systems), shard), flush=True)
    else:
        # A CI job of a matrix that has more shards than systems: nothing to do, which is no failure.
        print("bxdisc try: %s: no system%s, as there are more shards than systems; nothing to run"
              % (folder, shard), flush=True)
    name = os.path.basename(folder.rstrip("/")) or folder
    matrix = Matrix(request, say)
    try:
        results = matrix.run(systems, base) if systems else []
        if options.results:
            manifest = results_folder.Manifest(
                request.bxdisc_version, name, results_folder.disc_digest(folder),
                results_folder.run_options(request), tuple(every), (index, total), tuple(systems))
            results_folder.write(Path(options.results), manifest, results)
            print("bxdisc try: the results: %s (bxdisc try --merge takes them)" % options.results, flush=True)
        return finish(results, name, request.bxdisc_version, options.html, options.junit)
    finally:
        shutil.rmtree(matrix.keep, ignore_errors=True)
