"""The tables try shares with bxdisc, read from the package's own files:
schema.json (the systems, the buttons, the choices and the number ranges of
try's options) and exit_statuses.json (the exit statuses of bxdisc and of
try). bxdisc's C++ and its man page are written from the same files when it
is built (kit/write_tables.py, which reads them through this module), so a
table that is not as this module expects fails the build, not a run."""
from __future__ import annotations

import json
from dataclasses import dataclass
from pathlib import Path
from typing import Any

HERE = Path(__file__).resolve().parent


class SchemaError(ValueError):
    """A table that is not as try reads it."""


@dataclass(frozen=True)
class Button:
    name: str    # as --click names it
    label: str   # as the front window shows it
    id: str      # the launcher's control id, by its name in ui/FrontLayout.h


@dataclass(frozen=True)
class Number:
    least: int
    most: int
    default: int | None   # try's own, where it has one
    unit: str             # as the usage names the value


@dataclass(frozen=True)
class Schema:
    systems: tuple[str, ...]   # oldest first
    default_system: str
    newer: tuple[str, ...]     # emulated only by a Wine newer than Debian 12's
    buttons: tuple[Button, ...]
    choices: dict[str, tuple[str, ...]]   # by option, without its dashes
    numbers: dict[str, Number]            # by option, without its dashes

    def default(self, option: str) -> int:
        """The default of a number that try has one of its own for."""
        value = self.numbers[option].default
        if value is None:
            raise SchemaError("--%s has no default of try's own" % option)
        return value

    @property
    def every_wine(self) -> tuple[str, ...]:
        """The systems every Wine of Debian 12 and later emulates."""
        return tuple(s for s in self.systems if s not in self.newer)


@dataclass(frozen=True)
class ExitStatus:
    status: int
    name: str             # "findings": kExitFindings in C++, FINDINGS in Python
    meaning: str | None   # for every command, as the man page says it
    for_try: str          # for bxdisc try


def _words(value: Any, what: str) -> tuple[str, ...]:
    if not isinstance(value, list) or not value or not all(isinstance(v, str) and v for v in value) \
            or len(set(value)) != len(value):
        raise SchemaError("%s is not a list of different words: %r" % (what, value))
    return tuple(value)


def _whole(value: Any, what: str) -> int:
    if not isinstance(value, int) or isinstance(value, bool):
        raise SchemaError("%s is not a whole number: %r" % (what, value))
    return value


def _number(value: Any, what: str) -> Number:
    try:
        number = Number(_whole(value["least"], what + " least"), _whole(value["most"], what + " most"),
                        None if value["default"] is None else _whole(value["default"], what + " default"),
                        str(value["unit"]))
    except (KeyError, TypeError) as e:
        raise SchemaError("%s is not a range: %s" % (what, e))
    if not 0 <= number.least <= number.most or \
            number.default is not None and not number.least <= number.default <= number.most:
        raise SchemaError("%s's range is empty or leaves out its default" % what)
    return number


def parse_schema(text: str) -> Schema:
    try:
        document = json.loads(text)
        systems = document["systems"]
        schema = Schema(
            systems=_words(systems["names"], "systems"), default_system=systems["default"],
            newer=tuple(systems["newer"]),
            buttons=tuple(Button(b["name"], b["label"], b["id"]) for b in document["buttons"]),
            choices={k: _words(v, k) for k, v in document["choices"].items()},
            numbers={k: _number(v, k) for k, v in document["numbers"].items()})
    except (ValueError, KeyError, TypeError) as e:
        raise SchemaError("not try's schema: %s" % e)
    _words([b.name for b in schema.buttons], "buttons")
    if schema.default_system not in schema.systems or not set(schema.newer) <= set(schema.systems):
        raise SchemaError("the default or a newer system is none of the systems")
    return schema


def parse_exit_statuses(text: str) -> tuple[ExitStatus, ...]:
    try:
        rows = tuple(ExitStatus(_whole(r["status"], "a status"), r["name"], r["bxdisc"], r["try"])
                     for r in json.loads(text)["statuses"])
    except (ValueError, KeyError, TypeError) as e:
        raise SchemaError("not the table of exit statuses: %s" % e)
    if len({r.status for r in rows}) != len(rows) or len({r.name for r in rows}) != len(rows) or \
            not all(r.name.isidentifier() and r.name.islower() for r in rows):
        raise SchemaError("two exit statuses share a number or a name, or a name is no lower-case word")
    return rows


SCHEMA = parse_schema((HERE / "schema.json").read_text(encoding="utf-8"))
EXIT_STATUSES = parse_exit_statuses((HERE / "exit_statuses.json").read_text(encoding="utf-8"))
