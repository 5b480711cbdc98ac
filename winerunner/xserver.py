"""The X servers a run shows its windows on: a private Xvfb, or Xephyr
nested in the user's own display. Each is started with -displayfd and
counts as up once it has written its display number, with no wait guessed;
one that fails or hangs without a number is ended."""
from __future__ import annotations

import os
import select
import time

from . import executor
from .executor import Command, Running

X_SERVER_WAIT = 30.0   # seconds for an X server to give its display number


class XServerFailed(RuntimeError):
    """An X server that gave no display number: it failed, or it hung."""


def _display_line(fd: int, timeout: float) -> str | None:
    """What a server wrote to its -displayfd pipe, up to the newline or its
    end; None when neither came within timeout seconds."""
    poller = select.poll()
    poller.register(fd, select.POLLIN)  # an ended writer shows as POLLHUP
    deadline = time.monotonic() + timeout
    data = b""
    while b"\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0 or not poller.poll(left * 1000):
            return None
        chunk = os.read(fd, 64)
        if not chunk:
            break
        data += chunk
    return data.split(b"\n")[0].decode("ascii", "replace").strip()


def start_x_server(argv: list[str], timeout: float = X_SERVER_WAIT) -> tuple[Running, str]:
    """Starts an X server (argv, to which -displayfd is added after the
    program) and gives it with its display (":N") once it has written its
    number. A server that ends or hangs without a number is ended, and
    XServerFailed raised. The server ends with the process that started it."""
    read_end, write_end = os.pipe()
    try:
        server = executor.start(Command([argv[0], "-displayfd", str(write_end), *argv[1:]],
                                        pass_fds=(write_end,), die_with_parent=True))
    except BaseException:
        os.close(read_end)
        raise
    finally:
        os.close(write_end)
    name = os.path.basename(argv[0])
    try:
        number = _display_line(read_end, timeout)
        if number is None:
            raise XServerFailed("%s gave no display number within %d s" % (name, timeout))
        if not number.isdigit():
            raise XServerFailed("%s ended without a display number" % name if not number
                                else "%s gave %r for a display number" % (name, number))
    except BaseException:
        server.kill()
        server.wait()
        raise
    finally:
        os.close(read_end)
    return server, ":" + number


def stop_x_server(server: Running) -> None:
    """Ends a server that start_x_server started, within 10 s."""
    server.end(10)


def nested_display(size: tuple[int, int], title: str) -> tuple[Running, str]:
    """Xephyr, a screen of that (width, height) in a window of that title on
    the display of $DISPLAY, and its own display (":N"): a program on the
    user's own display could read its keystrokes."""
    return start_x_server(["Xephyr", "-screen", "%dx%d" % size, "-nolisten", "tcp",
                           "-title", title])
