"""The UI driver (uidriver.exe, README.md beside this file) as the runner
runs it: its command line, a whole script run to its end, or a Session that
takes one step at a time; and its report, one JSON record a step, which it
writes to a file so that a killed driver's steps are kept and apart from
whatever Wine prints."""
from __future__ import annotations

import json
import time
from collections.abc import Iterable, Mapping, Sequence
from pathlib import Path
from typing import Any

from . import executor
from .executor import Command

DRIVER_TIMEOUT = 30.0  # a whole driver script, seconds
Record = dict[str, Any]  # one JSON line of the driver's report


class DriverReport(list[Record]):
    """The driver's JSON lines: one dict per step."""

    def step(self, name: str) -> list[Record]:
        """The records of one step kind, in order."""
        return [r for r in self if r["step"] == name]

    def first(self, name: str) -> Record:
        found = self.step(name)
        if not found:
            raise AssertionError("no %r step in report:\n%s" % (name, self))
        return found[0]

    @property
    def ok(self) -> bool:
        return bool(self) and self[-1]["step"] == "done" and bool(self[-1]["ok"])

    def __str__(self) -> str:
        return "\n".join(json.dumps(r) for r in self)


def driver_command(driver: str, out: str, slowness: float, timeout: float, kill: Iterable[str],
                   script: str) -> list[str]:
    """The driver's command line: its report to out (a Windows path), its
    waits stretched by slowness, its total time (seconds, which -x
    stretches), the processes it ends when it ends, and its script (a
    Windows path, or "-" for standard input)."""
    args = ["wine", driver, "-o", out, "-x", "%.2f" % slowness, "-t", str(int(timeout * 1000))]
    for name in kill:
        args += ["-k", name]
    return args + ["-f", script]


def one_line(line: str) -> str:
    if "\n" in line or "\r" in line:
        raise ValueError("a step is one line: %r" % line)
    return line


def write_script(path: Path, steps: Iterable[str]) -> None:
    """The step lines as the driver reads a script: ANSI, CR LF."""
    with path.open("w", encoding="cp1252", newline="\r\n") as f:
        for line in steps:
            f.write(one_line(line) + "\n")


def run_script(argv: Sequence[str], env: Mapping[str, str] | None, limit: float, out: Path) -> DriverReport:
    """Runs the driver over a script file to its end, or to limit seconds;
    its report, however far it came."""
    executor.run(Command(argv, env=env, timeout=limit))  # the report says how it ended
    report = DriverReport()
    if out.exists():
        report.extend(json.loads(line) for line in out.read_bytes().decode("ascii").splitlines())
    return report


class Session:
    """The driver reading its steps from a pipe; the report file is read as
    it grows. Ends with close(), or when its total time runs out."""

    def __init__(self, argv: Sequence[str], env: Mapping[str, str] | None, out: Path, slowness: float,
                 timeout: float) -> None:
        self.out = out
        self.slowness = slowness
        self.seen = 0
        self.syncs = 0
        self.done = False
        self.process = executor.start(Command(argv, env=env, stdin_pipe=True))
        self.deadline = time.monotonic() + (timeout + 10) * slowness

    def _lines(self) -> list[Record]:
        """The report lines written since the last call."""
        try:
            with self.out.open("rb") as f:
                f.seek(self.seen)
                data = f.read()
        except OSError:
            return []
        end = data.rfind(b"\n") + 1
        self.seen += end
        return [json.loads(line) for line in data[:end].decode("ascii").splitlines()]

    def step(self, line: str, wait: float = 5.0) -> DriverReport:
        """Sends one step line; gives its records (a DriverReport) once the driver
        has taken it, within the step's own wait (seconds, stretched), or
        those it got to. A failed step ends the driver's script: "done"."""
        one_line(line)
        report = DriverReport()
        if self.done:
            return report
        self.syncs += 1
        sync = "sync %d" % self.syncs
        assert self.process.stdin is not None  # a pipe: Command(stdin_pipe=True)
        try:
            self.process.stdin.write(("%s\r\necho %s\r\n" % (line, sync)).encode("cp1252"))
            self.process.stdin.flush()
        except OSError:  # the driver has ended
            pass
        deadline = min(self.deadline, time.monotonic() + (wait + 10) * self.slowness)
        while time.monotonic() < deadline:
            for record in self._lines():
                if record["step"] == "echo" and record.get("text") == sync:
                    return report
                report.append(record)
                if record["step"] in ("done", "watchdog"):
                    self.done = True
                    return report
            if self.process.poll() is not None:
                report.extend(self._lines())
                self.done = True
                return report
            time.sleep(0.05)
        return report

    def close(self) -> None:
        """Ends the script: the driver ends its leftovers and itself, or is
        killed with its group after 10 s (stretched)."""
        try:
            if self.process.stdin:
                self.process.stdin.close()
        except OSError:
            pass
        self.process.end(10 * self.slowness, ask=None)
        self.done = True
