#!/usr/bin/env python3
"""The launcher's folders include downwards only: ui/ never from app/, the
framework from nothing of the launcher's own, the kit's disc model from
none of the kit's commands or tools, and no files include each other round
in a circle (a .cpp and its .h count as one). The UI driver's files too,
where each header's names must be defined beside it (the step files count
as one with steps.h), so that no circle hides behind a header.

    python3 tests/check_layers.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys
import unittest

ROOT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else __file__).resolve()
ROOT = ROOT if (ROOT / "app").is_dir() else ROOT.parent.parent
DRIVER = "winerunner/windows/uidriver"
FOLDERS = ("app", "framework", "msi", "params", "platform", "prereq", "ui", "kit", DRIVER)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# What a driver header declares: functions and extern variables.
DECLARED = re.compile(r"^(?!typedef\b)[A-Za-z_][\w *]*?\b(\w+)\s*(?:\([^;{]*\))?\s*(?:\[\w*\])?;", re.M)
# What a driver source defines for others: functions and variables at file scope, not static.
DEFINED = re.compile(r"^(?!static\b|typedef\b|extern\b)[A-Za-z_][\w *]*?\b(\w+)\s*"
                     r"(?:\([^;{]*\)\s*\{|(?:\[\w*\])?\s*(?:=[^;]*)?;)", re.M)


def unit_of(path: pathlib.Path) -> str:
    """A path without its extension; the driver's step files are one unit with steps.h."""
    unit = path.relative_to(ROOT).with_suffix("")
    if str(unit.parent) == DRIVER and unit.name.startswith("steps_"):
        unit = unit.with_name("steps")
    return str(unit)


def sources() -> list[pathlib.Path]:
    return [path for folder in FOLDERS for path in (ROOT / folder).rglob("*")
            if path.suffix in (".c", ".cpp", ".h")]


def includes() -> dict[str, set[str]]:
    """Each unit and the units it includes: a name beside the including file
    first, else from the source root."""
    graph: dict[str, set[str]] = {}
    for path in sources():
        unit = unit_of(path)
        wanted = {unit_of(path.parent / i) if (path.parent / i).is_file()
                  else str(pathlib.PurePath(i).with_suffix(""))
                  for i in INCLUDE.findall(path.read_text(encoding="utf-8"))}
        graph.setdefault(unit, set()).update(wanted - {unit})
    return graph


class LayerTest(unittest.TestCase):
    def test_lower_folders_include_nothing_above_them(self) -> None:
        above = {"ui": ("app/",), "framework": ("app/", "ui/", "msi/", "params/", "prereq/")}
        for unit, wanted in includes().items():
            for forbidden in above.get(unit.split("/")[0], ()):
                self.assertEqual([w for w in wanted if w.startswith(forbidden)], [], unit)

    def test_the_disc_model_includes_nothing_else_of_the_kit(self) -> None:
        for unit, wanted in includes().items():
            if unit.startswith("kit/disc/"):
                self.assertEqual([w for w in wanted if w.startswith("kit/") and not w.startswith("kit/disc/")], [],
                                 unit)

    def test_the_driver_defines_each_header_beside_it(self) -> None:
        driver = [path for path in sources() if str(path.parent.relative_to(ROOT)) == DRIVER]
        defined: dict[str, set[str]] = {}
        for path in driver:
            if path.suffix == ".c":
                text = path.read_text(encoding="utf-8")
                defined.setdefault(unit_of(path), set()).update(DEFINED.findall(text))
        for path in driver:
            if path.suffix == ".h":
                declared = set(DECLARED.findall(path.read_text(encoding="utf-8")))
                self.assertTrue(declared, path.name)
                self.assertEqual(sorted(declared - defined.get(unit_of(path), set())), [], path.name)

    def test_no_circle_of_files(self) -> None:
        graph = includes()
        done: set[str] = set()

        def visit(unit: str, path: list[str]) -> None:
            if unit in path:
                self.fail(" -> ".join(path[path.index(unit):] + [unit]))
            if unit in done or unit not in graph:
                return
            for wanted in sorted(graph[unit]):
                visit(wanted, path + [unit])
            done.add(unit)

        for unit in sorted(graph):
            visit(unit, [])


if __name__ == "__main__":
    unittest.main()
