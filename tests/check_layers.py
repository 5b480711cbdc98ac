#!/usr/bin/env python3
"""The launcher's folders include downwards only: ui/ never from app/, the
framework from nothing of the launcher's own, the kit's disc model from
none of the kit's commands or tools, and no files include each other round
in a circle (a .cpp and its .h count as one).

    python3 tests/check_layers.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys
import unittest

ROOT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else __file__).resolve()
ROOT = ROOT if (ROOT / "app").is_dir() else ROOT.parent.parent
FOLDERS = ("app", "framework", "msi", "params", "platform", "prereq", "ui", "kit")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def includes() -> dict[str, set[str]]:
    """Each unit (a path without its extension) and the units it includes."""
    graph: dict[str, set[str]] = {}
    for folder in FOLDERS:
        for path in (ROOT / folder).rglob("*"):
            if path.suffix in (".cpp", ".h"):
                unit = str(path.relative_to(ROOT).with_suffix(""))
                wanted = {str(pathlib.PurePath(i).with_suffix(""))
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
