"""The launcher's D: in bxdisc try: a throwaway view of the author's disc
folder, made before any Windows program runs, and what was written to it.
"""
from __future__ import annotations

import os
import shutil

COPY_LIMIT = 4 << 20  # bytes: bigger files of the disc are linked into its view
MAX_VIEW_ENTRIES = 100000  # a CD holds far fewer; links could make a folder appear endlessly


class ViewTooBig(Exception):
    """The disc folder, its links followed, holds more than a disc could."""


def make_view(disc: str, view: str, standins: list[str], recorder: str) -> None:
    """The author's folder as the launcher's D:, with recorders in place of
    standins (paths relative to the disc). Every folder of the view is its
    own, linked folders included, so that nothing placed in it reaches the
    author's files through a link; files are copied, and only big ones
    (installer payloads) linked, to spare the copying."""
    entries = [0]

    def copy_folder(source: str, target: str, ancestors: frozenset[str]) -> None:
        real = os.path.realpath(source)
        if real in ancestors:
            return  # a link back up: a disc of its own is no endless one
        os.makedirs(target, exist_ok=True)
        for name in sorted(os.listdir(source)):
            entries[0] += 1
            if entries[0] > MAX_VIEW_ENTRIES:
                raise ViewTooBig("the disc folder holds more than %d files and folders, "
                                 "its links followed" % MAX_VIEW_ENTRIES)
            here, there = os.path.join(source, name), os.path.join(target, name)
            if os.path.isdir(here):
                copy_folder(here, there, ancestors | {real})
            elif not os.path.isfile(here):
                continue  # a dangling link, a socket: nothing a disc holds
            elif os.path.getsize(here) <= COPY_LIMIT:
                shutil.copy2(here, there)
            else:
                os.symlink(os.path.realpath(here), there)

    copy_folder(disc, view, frozenset())
    for rel in standins:
        path = os.path.join(view, rel)
        base = os.path.splitext(path)[0]
        for own in (path, os.path.splitext(path)[0] + ".log", base + ".hold"):
            if os.path.lexists(own):
                os.unlink(own)  # a link goes, never what it leads to
        shutil.copy(recorder, path)


def view_state(view: str, logs: set[str]) -> dict[str, tuple[int, int]]:
    """Name -> (size, mtime) of every file of the view but the recorders'
    logs; a linked file by what it links to."""
    state = {}
    for d, _, names in os.walk(view):
        for n in names:
            path = os.path.join(d, n)
            if path not in logs and os.path.exists(path):
                st = os.stat(path)
                state[path] = (st.st_size, st.st_mtime_ns)
    return state


def file_state(path: str) -> tuple[int, int]:
    st = os.lstat(path)
    return st.st_size, st.st_mtime_ns


def lies_within(folder: str, path: str) -> bool:
    """Whether path, its links followed, is a file of the folder: what a
    package names may lead anywhere through a link or ".."."""
    return os.path.realpath(path).startswith(os.path.realpath(folder) + os.sep)


def linked_files(view: str) -> list[str]:
    """What the view's links lead to: the author's big files."""
    return sorted({os.path.realpath(os.path.join(d, n)) for d, _, names in os.walk(view)
                   for n in names if os.path.islink(os.path.join(d, n))})
