"""The base prefix of bxdisc try: a Wine prefix made once for each Wine
version, kept under $XDG_CACHE_HOME/bxdisc/, which every run copies and
throws away. The emulated system is one registry value that each run sets,
so one base serves them all.

The cache is locked while it is checked, made or copied, and a base is made
in a folder of its own that becomes the base, by one rename, only once it is
whole: an interrupted or failed making leaves nothing that a run would take.
A base whose Wine has changed, or that misses one of its key files, is made
anew. Its stamp also says which systems that Wine emulates, found out once
as it is made (systems.json, written by the making).
"""
from __future__ import annotations

import fcntl
import filecmp
import json
import os
import re
import shutil
import tempfile
from typing import Callable

from winerunner import executor, wine_version
from winerunner.executor import Command, Output

FORMAT = 2
KEY_FILES = ("system.reg", "user.reg", "userdef.reg",
             os.path.join("drive_c", "windows", "system32", "kernel32.dll"))
SYSTEM32 = os.path.join("drive_c", "windows", "system32")
# Where Debian's and other Wines keep their own builtin DLLs and programs,
# of which a new prefix's system folder holds copies.
BUILTIN_FOLDERS = ("/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/wine/i386-windows",
                   "/usr/lib32/wine/i386-windows", "/usr/local/lib/wine/i386-windows")


def cache_folder() -> str:
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "bxdisc")


def _whole(folder: str, version: str) -> bool:
    try:
        with open(os.path.join(folder, "base.json")) as f:
            stamp = json.load(f)
    except (OSError, ValueError):
        return False
    prefix = os.path.join(folder, "prefix")
    return (stamp.get("format") == FORMAT and stamp.get("wine") == version
            and all(os.path.isfile(os.path.join(prefix, k)) and
                    os.path.getsize(os.path.join(prefix, k)) > 0 for k in KEY_FILES))


def _builtin_copies(prefix: str) -> dict[str, str]:
    """The system folder's files that are byte for byte Wine's own: relative
    path -> Wine's file."""
    folder = next((f for f in BUILTIN_FOLDERS if os.path.isfile(os.path.join(f, "kernel32.dll"))),
                  None)
    found: dict[str, str] = {}
    if folder is None:
        return found
    system32 = os.path.join(prefix, SYSTEM32)
    for name in os.listdir(system32):
        mine, original = os.path.join(system32, name), os.path.join(folder, name)
        if (os.path.isfile(mine) and not os.path.islink(mine) and os.path.isfile(original)
                and filecmp.cmp(mine, original, shallow=False)):
            found[os.path.join(SYSTEM32, name)] = original
    return found


class BasePrefix:
    """make(staging) makes a prefix at staging/prefix (in a sandbox of its
    own, running no program of any disc); say tells progress."""

    def __init__(self, make: Callable[[str], None], say: Callable[[str], None]) -> None:
        self.make = make
        self.say = say
        self.version = wine_version()
        key = re.sub(r"[^A-Za-z0-9.+~-]+", "_", self.version).strip("_")
        self.folder = os.path.join(cache_folder(), "prefix-" + key)

    def stamp(self) -> dict[str, object]:
        with open(os.path.join(self.folder, "base.json")) as f:
            stamp = json.load(f)
        return stamp if isinstance(stamp, dict) else {}

    def known_systems(self) -> list[str]:
        """The systems this Wine emulates, made first where it is missing."""
        self.copy_to(None)
        systems = self.stamp().get("systems", [])
        return [s for s in systems if isinstance(s, str)] if isinstance(systems, list) else []

    def copy_to(self, target: str | None, share_builtins: bool = False) -> None:
        """Copies the base (made first where it is missing or damaged) to
        target, a new prefix folder. With share_builtins, the system
        folder's copies of Wine's own files become links to them: some 500 MB
        less to copy, for a run whose sandbox has those files read-only."""
        os.makedirs(cache_folder(), exist_ok=True)
        with open(os.path.join(cache_folder(), "lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not _whole(self.folder, self.version):
                self._make()
            elif target:
                self.say("the base prefix for %s from %s" % (self.version, self.folder))
            if target is None:
                return
            # Runs of a matrix copy it side by side; only its making is alone.
            fcntl.flock(lock, fcntl.LOCK_SH)
            source = os.path.join(self.folder, "prefix")
            if not share_builtins:
                # cp keeps links and modes, and clones where the file system can.
                executor.run(Command(["cp", "-a", "--reflink=auto", source, target], timeout=600,
                                     output=Output.INHERIT)).checked()
                return
            builtins = self.stamp().get("builtins", {})
            assert isinstance(builtins, dict)
            shutil.copytree(source, target, symlinks=True,
                            ignore=lambda folder, names: [
                                n for n in names if os.path.relpath(os.path.join(folder, n), source)
                                in builtins])
            for rel, original in builtins.items():
                os.symlink(original, os.path.join(target, rel))

    def _make(self) -> None:
        # What an interrupted run left, and the bases of Wines gone: some 600 MB each.
        for name in os.listdir(cache_folder()):
            if name.startswith(".making-") or name.startswith("prefix-"):
                shutil.rmtree(os.path.join(cache_folder(), name), ignore_errors=True)
        staging = tempfile.mkdtemp(prefix=".making-", dir=cache_folder())
        try:
            self.say("making the base prefix for %s in %s (once for this Wine)"
                     % (self.version, self.folder))
            self.make(staging)
            try:
                with open(os.path.join(staging, "systems.json")) as f:
                    systems = json.load(f)
            except (OSError, ValueError):
                systems = []
            with open(os.path.join(staging, "base.json"), "w") as f:
                json.dump({"format": FORMAT, "wine": self.version, "systems": systems,
                           "builtins": _builtin_copies(os.path.join(staging, "prefix"))}, f)
            if not _whole(staging, self.version):
                raise OSError("the new base prefix in %s is not whole" % staging)
            shutil.rmtree(self.folder, ignore_errors=True)
            os.rename(staging, self.folder)
        finally:
            shutil.rmtree(staging, ignore_errors=True)
