"""bxdisc try --merge: the --results folders of a matrix's shards, run by CI
jobs apart, as the one matrix: its table, page, JUnit report and exit
status, as --matrix gives them. No Wine runs. The folders are checked
against each other before anything is written: one bxdisc, one disc, one
set of options, one matrix, each shard once and every system there.
"""
from __future__ import annotations

from pathlib import Path

from . import results_folder
from .matrix import finish, shard_systems
from .matrix_table import table_header, table_row
from .outcome import Unusable
from .results_folder import Shard
from .run_result import RunResult


def combine(shards: list[Shard]) -> list[RunResult]:
    """The shards' runs in the matrix's order; Unusable, naming the folders,
    where they are not the whole of one matrix."""
    first = shards[0]
    for other in shards[1:]:
        a, b = first.manifest, other.manifest
        if a.digest != b.digest:
            raise Unusable("%s and %s hold results of different discs (%s, %s): merge one disc's "
                           "shards at a time" % (first.folder, other.folder, a.disc, b.disc))
        if a.options != b.options:
            raise Unusable("%s and %s were run with different options (%s; %s): run every shard "
                           "with the same ones" % (first.folder, other.folder,
                                                   " ".join(a.options) or "none", " ".join(b.options) or "none"))
        if (a.matrix, a.shard[1]) != (b.matrix, b.shard[1]):
            raise Unusable("%s is a shard of %d of %s, %s one of %d of %s: shards of different matrices"
                           % (first.folder, a.shard[1], ", ".join(a.matrix), other.folder, b.shard[1],
                              ", ".join(b.matrix)))
    matrix, total = list(first.manifest.matrix), first.manifest.shard[1]
    by_index: dict[int, Shard] = {}
    for shard in shards:
        index = shard.manifest.shard[0]
        if list(shard.manifest.systems) != shard_systems(matrix, index, total):
            raise Unusable("%s: shard %d/%d of %s is %s, not %s" % (
                shard.folder / results_folder.MANIFEST, index, total, ", ".join(matrix),
                ", ".join(shard_systems(matrix, index, total)) or "none",
                ", ".join(shard.manifest.systems) or "none"))
        if index in by_index:
            raise Unusable("%s and %s are both shard %d/%d (%s): give each shard's folder once"
                           % (by_index[index].folder, shard.folder, index, total,
                              ", ".join(shard.manifest.systems) or "no system"))
        by_index[index] = shard
    # A shard that had no system is no loss.
    missing = [(i, shard_systems(matrix, i, total)) for i in range(1, total + 1) if i not in by_index]
    missing = [(i, systems) for i, systems in missing if systems]
    if missing:
        raise Unusable("no results for %s: give the --results folder of every shard"
                       % "; ".join("%s (shard %d/%d)" % (", ".join(systems), i, total) for i, systems in missing))
    return [r for i in sorted(by_index) for r in by_index[i].results]


def merge(folders: list[str], version: str, html: str | None, junit: str | None) -> int:
    """Prints the merged table and writes the page and the JUnit report;
    the matrix's exit status."""
    shards = [results_folder.read(Path(folder), version) for folder in folders]
    results = combine(shards)
    disc = shards[0].manifest.disc
    print("bxdisc try: %s on %s, merged from %d folders" % (disc, ", ".join(r.system for r in results),
                                                             len(shards)), flush=True)
    print(table_header())
    for r in results:
        print(table_row(r))
    return finish(results, disc, version, html, junit)
