#!/usr/bin/env python3
"""Writes the tables bxdisc shares with try's runner as C++ headers, from
the files the runner reads (kit/try/bxdisc_try/schema.json and
exit_statuses.json) through the runner's own reader, so that bxdisc never
keeps a list of its own and a table the runner would refuse fails the build:

    write_tables.py schema SCHEMA.json OUT.h
    write_tables.py exit-statuses EXIT_STATUSES.json OUT.h

Run with the folder that holds bxdisc_try on PYTHONPATH, and -B: the source
tree is not the build's to write.
"""
from __future__ import annotations

import argparse
from pathlib import Path

from bxdisc_try.schema import ExitStatus, Schema, parse_exit_statuses, parse_schema


def literal(text: str) -> str:
    """text as a C++ string literal: printable ASCII only, as the tables are."""
    if not all(" " <= c <= "~" for c in text):
        raise ValueError("not printable ASCII: %r" % text)
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def macro(name: str) -> str:
    return "BX_TRY_" + name.upper()


def schema_header(schema: Schema) -> str:
    lines = ["#pragma once", "", '#include "ui/FrontLayout.h"', "",
             "// String literals, for the option table's choices and help to be put together from.",
             "#define BX_TRY_SYSTEMS " + literal("|".join(schema.systems)),
             "#define BX_TRY_SYSTEM_COUNT %d" % len(schema.systems),
             "#define BX_TRY_DEFAULT_SYSTEM " + literal(schema.default_system),
             "#define BX_TRY_NEWER_SYSTEMS " + literal(", ".join(schema.newer)),
             "#define BX_TRY_BUTTONS " + literal("|".join(b.name for b in schema.buttons))]
    lines += ["#define %s_CHOICES %s" % (macro(name), literal("|".join(values)))
              for name, values in schema.choices.items()]
    for name, number in schema.numbers.items():
        lines += ["#define %s_RANGE %s" % (macro(name), literal("%d to %d" % (number.least, number.most))),
                  "#define %s_UNIT %s" % (macro(name), literal(number.unit))]
        if number.default is not None:
            lines.append("#define %s_DEFAULT %s" % (macro(name), literal(str(number.default))))
    lines += ["", "inline constexpr TryNumber kTryNumbers[] = {"]
    lines += ['    {"--%s", %d, %d},' % (name, n.least, n.most) for name, n in schema.numbers.items()]
    lines += ["};", "", "inline constexpr TryButton kTryButtons[] = {"]
    lines += ["    {%s, %s}," % (literal(b.name), b.id) for b in schema.buttons]
    return "\n".join(lines + ["};"]) + "\n"


def enum_name(row: ExitStatus) -> str:
    return "kExit" + "".join(word.capitalize() for word in row.name.split("_"))


def exit_header(rows: tuple[ExitStatus, ...]) -> str:
    lines = ["#pragma once", "", "enum ExitStatus {"]
    lines += ["    %s = %d," % (enum_name(row), row.status) for row in rows]
    lines += ["};", "", "inline constexpr ExitStatusMeaning kExitStatusMeanings[] = {"]
    lines += ["    {%s, %s, %s}," % (enum_name(row), literal(row.meaning) if row.meaning else "nullptr",
                                     literal(row.for_try)) for row in rows]
    return "\n".join(lines + ["};"]) + "\n"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("table", choices=("schema", "exit-statuses"))
    parser.add_argument("source", type=Path)
    parser.add_argument("out", type=Path)
    args = parser.parse_args()
    text = args.source.read_text(encoding="utf-8")
    body = schema_header(parse_schema(text)) if args.table == "schema" else exit_header(parse_exit_statuses(text))
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_text("// Written by kit/write_tables.py from kit/try/bxdisc_try/%s when bxdisc is built:\n"
                        "// edit that file.\n" % args.source.name + body)


if __name__ == "__main__":
    main()
