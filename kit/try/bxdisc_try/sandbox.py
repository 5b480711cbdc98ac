"""The sandbox of bxdisc try: every Windows program of a run, with Wine, its
server and the private X server, inside bubblewrap. No network; a private
/tmp and $HOME; the host's files read-only, or absent where they are the
user's own; only the run's work folder writable. The author's disc folder is
not in it at all: the launcher's D: is a throwaway copy in the work folder.
"""
from __future__ import annotations

import os
import shutil
import subprocess
import sys
from typing import Iterable, Mapping

from winerunner import executor
from winerunner.executor import Command, Output

REMEDY = ("allow unprivileged user namespaces (sysctl kernel.unprivileged_userns_clone=1; "
          "on Ubuntu also kernel.apparmor_restrict_unprivileged_userns=0), or run with "
          "--no-sandbox to let the disc's programs reach your files")


class SandboxUnusable(Exception):
    """bubblewrap is missing or cannot make its namespaces here."""


def check() -> None:
    """Raises SandboxUnusable with the reason and the remedy where bubblewrap
    cannot run; it fails at once where namespaces are restricted."""
    if not shutil.which("bwrap"):
        raise SandboxUnusable("bubblewrap (bwrap) is not installed; install Debian's bubblewrap, "
                              "or run with --no-sandbox to let the disc's programs reach your files")
    try:
        done = executor.run(Command(["bwrap", "--unshare-all", "--ro-bind", "/", "/", "true"], timeout=60,
                                    output=Output.CAPTURE)).checked(status=False)
    except (OSError, subprocess.SubprocessError) as e:
        raise SandboxUnusable("bubblewrap does not run (%s); %s" % (e, REMEDY))
    if done.returncode != 0:
        said = done.stderr.decode(errors="replace").strip()
        reason = said.splitlines()[-1] if said else "exit status %d" % done.returncode
        raise SandboxUnusable("bubblewrap cannot make its namespaces here (%s); %s"
                              % (reason, REMEDY))


def _hidden() -> list[str]:
    """What of the host the sandbox leaves out: the user's own files."""
    places = ["/tmp", "/var/tmp", "/run/user", "/dev/shm", "/home"]
    home = os.path.realpath(os.path.expanduser("~"))
    if home != "/" and not any(home.startswith(p + "/") for p in places):
        places.append(home)
    return [p for p in places if os.path.isdir(p)]


def command(argv: list[str], work: str, readable: Iterable[str] = (), writable: Iterable[str] = (),
            sockets: Iterable[str] = (), env: Mapping[str, str] | None = None) -> list[str]:
    """The bwrap command line that runs argv inside: work (and writable)
    read-write, readable read-only, the X sockets given as paths, and env
    set."""
    line = ["bwrap", "--unshare-all", "--die-with-parent", "--new-session",
            "--ro-bind", "/", "/", "--dev", "/dev", "--proc", "/proc"]
    for place in _hidden():
        line += ["--tmpfs", place]
    # The interpreter and the scripts may live in what was hidden.
    for place in sorted({os.path.realpath(p) for p in
                         (sys.base_prefix, sys.prefix, os.path.dirname(os.path.realpath(sys.executable)))
                         } | {os.path.realpath(p) for p in readable}):
        line += ["--ro-bind", place, place]
    for place in [work] + list(writable):
        line += ["--bind", place, place]
    for socket in sockets:
        line += ["--bind", socket, socket]
    for name in ("DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY", "SSH_AUTH_SOCK", "WAYLAND_DISPLAY"):
        line += ["--unsetenv", name]
    # The host's $TMPDIR may not be inside; the sandbox's own /tmp is.
    line += ["--setenv", "HOME", os.path.join(work, "home"), "--setenv", "TMPDIR", "/tmp"]
    for name, value in (env or {}).items():
        line += ["--setenv", name, value]
    line += ["--chdir", work, "--"]
    return line + list(argv)
