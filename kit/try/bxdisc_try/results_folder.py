"""bxdisc try --matrix --results DIR: a shard's runs kept for --merge, and
read back. The folder holds

    manifest.json   bxdisc's version, the disc (its folder's name and the
                    SHA-256 of its content), the options that change a run,
                    the matrix's systems, the shard (I/N) and its systems
    SYSTEM.json     a run's result (run_result.RunResult), its report included
    SYSTEM.txt      the run's report, to read
    SYSTEM.png      its screenshot, where one was taken
    SYSTEM-NN.png   with --whole, its frames, in order

Each file is written atomically, the manifest last: a folder without one is
a shard that did not end. What --merge reads comes from other machines' CI
jobs: every file is checked, read only as a regular file (never through a
link), and a fault is named with its file.
"""
from __future__ import annotations

import dataclasses
import errno
import hashlib
import json
import os
import re
import stat
from dataclasses import dataclass
from pathlib import Path
from typing import Any

from .disc_view import MAX_VIEW_ENTRIES
from .matrix_page import copy_frames, copy_screenshot, frame_name, write_atomically
from .outcome import Unusable
from .request import SYSTEMS, Request, shard_of
from .run_result import RunResult

FORMAT = 1
MANIFEST = "manifest.json"
MOST_BYTES = 64 << 20  # a result with its whole report is some kilobytes
SHA256 = re.compile(r"[0-9a-f]{64}\Z")


@dataclass(frozen=True)
class Manifest:
    version: str                 # bxdisc's
    disc: str                    # the disc folder's name
    digest: str                  # SHA-256 of its names and files (disc_digest)
    options: tuple[str, ...]     # try's options that change a run, as words
    matrix: tuple[str, ...]      # the systems the shards were cut from
    shard: tuple[int, int]       # (I, N)
    systems: tuple[str, ...]     # this shard's part of the matrix

    def to_json(self) -> dict[str, Any]:
        return {"format": FORMAT, "bxdisc_version": self.version, "disc": self.disc,
                "disc_sha256": self.digest, "options": list(self.options),
                "matrix": list(self.matrix), "shard": "%d/%d" % self.shard,
                "systems": list(self.systems)}


@dataclass(frozen=True)
class Shard:
    folder: Path
    manifest: Manifest
    results: tuple[RunResult, ...]   # in the manifest's order, screenshots in the folder


def run_options(request: Request) -> tuple[str, ...]:
    """The options that change what a run does, as try's command line gives
    them: shards run with other ones are no parts of one matrix."""
    words = [] if request.disc.launcher == "setup.exe" else ["--launcher", request.disc.launcher]
    words += ["--installed"] if request.options.installed else []
    words += ["--whole"] if request.options.whole else []
    for name in ("click", "answer", "oleaut32", "timeout", "dpi"):
        value = getattr(request.options, name)
        words += [] if value is None else ["--" + name, str(value)]
    return tuple(words + (["--", *request.options.tail] if request.options.tail is not None else []))


def disc_digest(disc: str) -> str:
    """SHA-256 of the disc folder's names and files, links followed as the
    launcher's D: follows them: the same disc wherever a CI job checked it out."""
    digest = hashlib.sha256()
    entries = 0

    def walk(folder: str, relative: bytes, ancestors: frozenset[str]) -> None:
        nonlocal entries
        real = os.path.realpath(folder)
        if real in ancestors:
            return
        for name in sorted(os.listdir(folder)):
            entries += 1
            if entries > MAX_VIEW_ENTRIES:
                raise Unusable("the disc folder holds more than %d files and folders, its links followed"
                               % MAX_VIEW_ENTRIES)
            path, key = os.path.join(folder, name), relative + b"/" + os.fsencode(name)
            if os.path.isdir(path):
                digest.update(b"D%s\0" % key)
                walk(path, key, ancestors | {real})
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    digest.update(b"F%d %s\0" % (os.fstat(f.fileno()).st_size, key))
                    for chunk in iter(lambda: f.read(1 << 20), b""):
                        digest.update(chunk)
    walk(disc, b"", frozenset())
    return digest.hexdigest()


def claim(folder: Path) -> None:
    """Makes the folder for a shard's results, which must be new or empty:
    results of an older run are never mixed in."""
    try:
        folder.mkdir(parents=True)
        return
    except FileExistsError:
        pass
    except OSError as e:
        raise Unusable("--results: cannot make %s (%s)" % (folder, e.strerror))
    if not folder.is_dir():
        raise Unusable("--results: %s is not a folder" % folder)
    if any(folder.iterdir()):
        raise Unusable("--results: %s is not empty; give a new or empty folder, so that no older "
                       "results are mixed in" % folder)


def write(folder: Path, manifest: Manifest, results: list[RunResult]) -> None:
    """Each run's files, then the manifest."""
    for r in results:
        shot = copy_screenshot(r, folder)
        doc = dataclasses.replace(copy_frames(r, folder), screenshot=r.system + ".png" if shot else None).to_json()
        write_atomically(folder / (r.system + ".json"), json.dumps(doc, indent=1).encode("ascii"))
        write_atomically(folder / (r.system + ".txt"), r.report.encode("utf-8", "replace"))
    write_atomically(folder / MANIFEST, json.dumps(manifest.to_json(), indent=1).encode("ascii"))


def read(folder: Path, version: str) -> Shard:
    """A shard's folder as its runs; Unusable naming the file for a folder
    that is not one, of another bxdisc, or with a file of the wrong shape."""
    if not folder.is_dir():
        raise Unusable("%s is not a folder of try --results" % folder)
    path = folder / MANIFEST
    if not os.path.lexists(path):
        raise Unusable("%s has no %s: not the --results folder of a shard that ended" % (folder, MANIFEST))
    doc = _json(path)
    theirs = doc.get("bxdisc_version") if isinstance(doc, dict) else None
    if not isinstance(theirs, str):
        raise Unusable("%s: not a manifest of try --results (no bxdisc_version)" % path)
    # Before the rest of its form, which another version may write otherwise.
    if theirs != version:
        raise Unusable("%s holds results of bxdisc %s, and this is bxdisc %s: merge them with the "
                       "bxdisc that made them, or run that shard again" % (folder, theirs, version))
    try:
        manifest = _manifest(doc)
    except (TypeError, ValueError) as e:
        raise Unusable("%s: %s" % (path, e))
    results = []
    for system in manifest.systems:
        path = folder / (system + ".json")
        try:
            r = RunResult.from_json(_json(path))
        except ValueError as e:
            raise Unusable("%s: %s" % (path, e))
        if r.system != system or r.screenshot not in (None, system + ".png"):
            raise Unusable("%s: not the result of %s (system %r, screenshot %r)"
                           % (path, system, r.system, r.screenshot))
        strange = [f.file for i, f in enumerate(r.frames, 1) if f.file != frame_name(r, i)]
        if strange:
            raise Unusable("%s: frames named %s, not %s" % (path, ", ".join(strange), frame_name(r, 1)[:-6] + "NN.png"))
        # The pictures are only ever the folder's own SYSTEM.png and SYSTEM-NN.png.
        frames = tuple(dataclasses.replace(f, file=str(folder / f.file)) for f in r.frames)
        results.append(dataclasses.replace(r, screenshot=r.screenshot and str(folder / r.screenshot), frames=frames))
    return Shard(folder, manifest, tuple(results))


def _json(path: Path) -> Any:
    try:
        # Not opened blocking, in case the name is a pipe with no writer.
        fd = os.open(path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK)
    except OSError as e:
        raise Unusable("%s: %s" % (path, "a symbolic link; results are read only from files"
                                   if e.errno == errno.ELOOP else e.strerror))
    with open(fd, "rb") as f:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise Unusable("%s is not a file" % path)
        data = f.read(MOST_BYTES + 1)
    if len(data) > MOST_BYTES:
        raise Unusable("%s is over %d MiB: no result is so long" % (path, MOST_BYTES >> 20))
    try:
        return json.loads(data)
    except (ValueError, RecursionError) as e:
        raise Unusable("%s is not JSON (%s)" % (path, e))


def _systems(value: object, name: str) -> tuple[str, ...]:
    if not isinstance(value, list) or not all(isinstance(s, str) and s in SYSTEMS for s in value):
        raise ValueError("%s is not a list of systems try knows: %r" % (name, value))
    if list(value) != sorted(set(value), key=SYSTEMS.index):
        raise ValueError("%s does not name each system once, in the order of their release: %r"
                         % (name, value))
    return tuple(value)


def _manifest(doc: dict[str, Any]) -> Manifest:
    fields = {"format", "bxdisc_version", "disc", "disc_sha256", "options", "matrix", "shard", "systems"}
    if doc.keys() != fields:
        raise ValueError("not the fields of a manifest of format %d (%s)" % (FORMAT, ", ".join(sorted(fields))))
    if doc["format"] != FORMAT or isinstance(doc["format"], bool):
        raise ValueError("format %r, not %d" % (doc["format"], FORMAT))
    disc, digest, options = doc["disc"], doc["disc_sha256"], doc["options"]
    if not isinstance(disc, str) or not disc:
        raise ValueError("disc is not a folder's name: %r" % (disc,))
    if not isinstance(digest, str) or not SHA256.match(digest):
        raise ValueError("disc_sha256 is not a SHA-256 in hex: %r" % (digest,))
    if not isinstance(options, list) or not all(isinstance(o, str) for o in options):
        raise ValueError("options is not a list of words: %r" % (options,))
    if not isinstance(doc["shard"], str):
        raise ValueError("shard is not I/N: %r" % (doc["shard"],))
    matrix, systems = _systems(doc["matrix"], "matrix"), _systems(doc["systems"], "systems")
    if not matrix or not set(systems) <= set(matrix):
        raise ValueError("systems %s are not a part of matrix %s" % (", ".join(systems), ", ".join(matrix)))
    return Manifest(doc["bxdisc_version"], disc, digest, tuple(options), matrix, shard_of(doc["shard"]),
                    systems)
