"""The one place where the runner and try start another program: Wine and
its server, the X servers, bubblewrap, the screen's grabs.

A Command says what to run; run() starts it in a process group of its own,
holds it to its time limit and, at the limit or when the caller is
interrupted, kills the whole group, so that nothing it started is left
behind; the Outcome says how it ended. start() gives a program that lives
beside its caller (an X server, the driver's session) as a Running, which
ends its group however the caller's work ends.

Failures are subprocess's own (TimeoutExpired, CalledProcessError), raised
by Outcome.checked where a caller wants them: the callers above catch those.
"""
from __future__ import annotations

import ctypes
import enum
import os
import signal
import subprocess
import time
from collections.abc import Callable, Mapping, Sequence
from dataclasses import dataclass, field
from pathlib import Path
from types import TracebackType
from typing import IO, Any


class Output(enum.Enum):
    """Where a program's standard output and error go."""
    DISCARD = "discard"
    CAPTURE = "capture"  # kept in the Outcome
    INHERIT = "inherit"  # ours


@dataclass(frozen=True)
class Command:
    """A program to run: argv, its environment (None: ours), its working
    folder, its time limit in seconds (None: none), where its output goes
    (an Output, or a file that takes both streams), and for start() alone, a
    pipe to its standard input (else it reads /dev/null), descriptors it
    keeps, and whether it ends with its parent."""
    argv: Sequence[str]
    env: Mapping[str, str] | None = None
    cwd: Path | None = None
    timeout: float | None = None
    output: Output | IO[Any] = Output.DISCARD
    stdin_pipe: bool = False
    pass_fds: tuple[int, ...] = ()
    die_with_parent: bool = False

    def __post_init__(self) -> None:
        object.__setattr__(self, "argv", tuple(self.argv))


@dataclass(frozen=True)
class Outcome:
    """How a program ended: its exit status (negative: the signal that
    ended it), whether its time limit did, its output where captured, and
    the seconds it took."""
    argv: tuple[str, ...]
    returncode: int
    timed_out: bool = False
    stdout: bytes = b""
    stderr: bytes = b""
    seconds: float = 0.0
    timeout: float | None = field(default=None, repr=False)

    def checked(self, status: bool = True) -> Outcome:
        """Itself, where it ended within its limit (and, with status, with
        0); else the subprocess error that says how it ended."""
        if self.timed_out:
            raise subprocess.TimeoutExpired(list(self.argv), self.timeout or 0.0)
        if status and self.returncode:
            raise subprocess.CalledProcessError(self.returncode, list(self.argv), self.stdout, self.stderr)
        return self


def _die_with_parent() -> None:
    # A server must not outlive a harness that was killed.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Running:
    """A started program, the leader of its own process group. Leaving its
    with block ends the group where the leader still runs, or where the
    block ended in an exception (an interruption)."""

    def __init__(self, command: Command) -> None:
        self.command = command
        output = command.output
        streams: Any = (subprocess.DEVNULL if output is Output.DISCARD else
                        subprocess.PIPE if output is Output.CAPTURE else
                        None if output is Output.INHERIT else output)
        self.process = subprocess.Popen(
            list(command.argv), env=command.env, cwd=command.cwd, process_group=0,
            stdin=subprocess.PIPE if command.stdin_pipe else subprocess.DEVNULL,
            stdout=streams, stderr=streams, pass_fds=command.pass_fds,
            preexec_fn=_die_with_parent if command.die_with_parent else None)

    @property
    def stdin(self) -> IO[bytes] | None:
        return self.process.stdin

    def poll(self) -> int | None:
        return self.process.poll()

    def wait(self, timeout: float | None = None) -> int:
        """The exit status; TimeoutExpired where it runs on past timeout."""
        return self.process.wait(timeout)

    def send(self, signum: int) -> None:
        """Sends signum to the whole group. Not once the leader is reaped:
        its number may then be another's."""
        if self.process.returncode is None:
            try:
                os.killpg(self.process.pid, signum)
            except ProcessLookupError:
                pass

    def kill(self) -> None:
        self.send(signal.SIGKILL)

    def end(self, grace: float, ask: int | None = signal.SIGTERM) -> int:
        """Asks the group to end (with ask; None waits for the program to
        end by itself), kills it after grace seconds, and reaps it."""
        if ask is not None and self.poll() is None:
            self.send(ask)
        try:
            return self.wait(grace)
        except subprocess.TimeoutExpired:
            self.kill()
            return self.wait()

    def __enter__(self) -> Running:
        return self

    def __exit__(self, kind: type[BaseException] | None, error: BaseException | None,
                 trace: TracebackType | None) -> None:
        if kind is not None or self.poll() is None:
            self.kill()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            if stream:
                try:
                    stream.close()
                except OSError:  # a pipe whose reader is gone
                    pass
        self.process.wait()


def start(command: Command) -> Running:
    """The program started, beside its caller; OSError where it cannot be."""
    return Running(command)


def run(command: Command, tick: Callable[[float], object] | None = None, every: float = 15.0) -> Outcome:
    """Runs the program to its end or its limit; with tick, calls it every
    `every` seconds meanwhile with the seconds spent. OSError where it
    cannot start; an interruption (or an exception of tick) kills its group
    and goes on up."""
    started = time.monotonic()
    deadline = None if command.timeout is None else started + command.timeout
    with start(command) as running:
        while True:
            left = None if deadline is None else max(deadline - time.monotonic(), 0.0)
            wait = left if tick is None else every if left is None else min(every, left)
            try:
                out, err = running.process.communicate(timeout=wait)
                return Outcome(tuple(command.argv), running.process.returncode, False, out or b"",
                               err or b"", time.monotonic() - started, command.timeout)
            except subprocess.TimeoutExpired:
                if deadline is not None and time.monotonic() >= deadline:
                    running.kill()
                    return Outcome(tuple(command.argv), running.wait(), True,
                                   seconds=time.monotonic() - started, timeout=command.timeout)
                if tick:
                    tick(time.monotonic() - started)
