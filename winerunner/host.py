"""What this machine's Wine is: whether its 32-bit programs run, and under
qemu-user's emulation; its version; how it names a host path; and the
folder its server leaves behind. Probes asked once by a run, apart from
any prefix."""
from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

from . import executor
from .executor import Command, Output

WINE32 = "/usr/lib/wine/wine"  # Debian's 32-bit loader
StrPath = str | os.PathLike[str]


def runs_32bit() -> bool:
    """Whether Wine's 32-bit programs run here at all: natively, or through
    an emulator registered for them."""
    try:
        executor.run(Command([WINE32, "--version"], timeout=120, output=Output.CAPTURE)).checked()
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def emulated() -> bool:
    """Whether 32-bit programs run under qemu-user's emulator here."""
    try:
        with Path("/proc/sys/fs/binfmt_misc/qemu-i386").open() as f:
            return f.readline().strip() == "enabled"
    except OSError:
        return False


def wine_version() -> str:
    """Wine's own name for its version (wine --version), such as wine-8.0."""
    done = executor.run(Command(["wine", "--version"], timeout=120, output=Output.CAPTURE)).checked()
    return done.stdout.decode(errors="replace").strip()


def to_windows(path: StrPath) -> str:
    """A Unix path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def remove_server_folder(prefix_key: tuple[int, int], tmp: StrPath = "/tmp") -> None:
    """Removes the folder an ended wineserver leaves for the prefix of that
    (st_dev, st_ino): Wine names it server-<dev>-<ino> in hexadecimal, in a
    folder of its own in tmp (".wine-UID" or Debian's "wine-XXXXXX"), which
    goes too once empty. Other prefixes' servers are left alone."""
    name = "server-%x-%x" % prefix_key
    try:
        parents = [e for e in Path(tmp).iterdir() if e.name.startswith(("wine-", ".wine-"))]
    except OSError:
        return
    for parent in parents:
        folder = parent / name
        if folder.is_dir() and not folder.is_symlink():
            shutil.rmtree(folder, ignore_errors=True)
            try:
                parent.rmdir()
            except OSError:  # another server's folder is there
                pass
