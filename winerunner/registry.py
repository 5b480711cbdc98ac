"""The prefix's registry as Wine's reg.exe changes it: the command lines of
one value set or deleted, and a REGEDIT4 file that sets many values with one
program's start, which under emulation costs most of a second."""
from __future__ import annotations

from collections.abc import Iterable
from pathlib import Path

RegValue = tuple[str, str, str]  # key, value name, string
HIVES = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT"}
# By its path: "wine reg" looks the name up through start.exe, one more
# process, which under emulation doubles the cost of each call.
REG = r"C:\windows\system32\reg.exe"


def reg_file(values: Iterable[RegValue]) -> str:
    """A REGEDIT4 file setting the string values, keys in the order first named."""
    keys: dict[str, list[tuple[str, str]]] = {}
    for key, name, data in values:
        hive, _, rest = key.partition("\\")
        keys.setdefault(HIVES.get(hive, hive) + "\\" + rest, []).append((name, data))

    def quoted(text: str) -> str:
        return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')
    return "REGEDIT4\n\n" + "".join(
        "[%s]\n%s\n" % (key, "".join("%s=%s\n" % (quoted(n), quoted(d)) for n, d in named))
        for key, named in keys.items())


def write_reg_file(path: Path, values: Iterable[RegValue]) -> None:
    """reg_file's text as reg.exe reads it: the ANSI code page, CR LF."""
    with path.open("w", encoding="cp1252", newline="\r\n") as f:
        f.write(reg_file(values))


def set_command(key: str, name: str, data: str, kind: str = "REG_SZ") -> list[str]:
    return ["wine", REG, "add", key, "/v", name, "/t", kind, "/d", data, "/f"]


def delete_command(key: str, name: str | None = None) -> list[str]:
    """Deletes the value, or without a name the whole key."""
    return ["wine", REG, "delete", key, *(["/v", name] if name is not None else []), "/f"]


def import_command(windows_path: str) -> list[str]:
    return ["wine", REG, "import", windows_path]


def hive_text(values: Iterable[tuple[str, str, str | int]]) -> str:
    """Keys and values in the text of Wine's own registry files (system.reg,
    user.reg), keys relative to the file's hive: a string value, or a DWORD
    for an int. Wine's server reads a key named again as more of the same
    key, the later value winning, so the text may go after what is there."""
    keys: dict[str, list[tuple[str, str | int]]] = {}
    for key, name, data in values:
        keys.setdefault(key, []).append((name, data))

    def quoted(text: str) -> str:
        return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')

    def typed(data: str | int) -> str:
        return "dword:%08x" % data if isinstance(data, int) else quoted(data)
    return "".join("\n[%s] 0\n%s" % (key.replace("\\", "\\\\"),
                                     "".join("%s=%s\n" % (quoted(n), typed(d)) for n, d in named))
                   for key, named in keys.items())


def append_to_hive(path: Path, values: Iterable[tuple[str, str, str | int]]) -> None:
    """Sets the values in a registry file of a prefix whose server is not
    running (it writes the file as it ends): no Wine program's start."""
    with path.open("a", encoding="utf-8", newline="\n") as f:
        f.write(hive_text(values))
