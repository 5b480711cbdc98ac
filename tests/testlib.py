"""What the Python tests share: bxdisc on its command line, snapshots of a
folder, bitmaps, try's requests, the demo disc and a signing key, and the
watching of processes. Tests import it from here, never from one another.
"""
from __future__ import annotations

import dataclasses
import hashlib
import json
import os
import shutil
import stat
import struct
import subprocess
import sys
import time
import zlib
from collections.abc import Callable, Iterable, Sequence
from pathlib import Path
from typing import Any

from bxdisc_try import matrix_page
from winerunner import DriverReport, RegValue
from bxdisc_try import request as requests
from bxdisc_try.run_result import Frame, RunResult

ROOT = Path(__file__).resolve().parent.parent
BXDISC = ""  # the bxdisc under test: each suite sets it from its command line

Rgb = tuple[int, int, int]
Snapshot = dict[str, str]


def bxdisc(*args: str, env: dict[str, str] | None = None) -> subprocess.CompletedProcess[str]:
    return subprocess.run([BXDISC, *args], capture_output=True, text=True, timeout=120,
                          env=dict(os.environ, **(env or {})))


def snapshot(top: str | Path, *, modes: bool = False, through_links: bool = False) -> Snapshot:
    """Every folder, file and link below top (and top itself, with modes), a
    file by its hash and a link by what it reads: what a test compares before
    and after. through_links follows links as the files they lead to."""
    top = Path(top)
    entries: Snapshot = {}
    for folder, folders, names in os.walk(top, followlinks=through_links):
        for name in sorted(folders + names):
            path = Path(folder, name)
            entries[str(path.relative_to(top))] = _entry(path, modes, through_links)
    if modes:
        entries["."] = _entry(top, modes, through_links)
    return entries


def _entry(path: Path, modes: bool, through_links: bool) -> str:
    st = path.stat() if through_links else path.lstat()
    kind = ("-> " + os.readlink(path) if stat.S_ISLNK(st.st_mode)
            else "folder" if stat.S_ISDIR(st.st_mode)
            else hashlib.sha256(path.read_bytes()).hexdigest())
    return "%o %s" % (stat.S_IMODE(st.st_mode), kind) if modes else kind


def bmp8(width: int, height: int, palette: Sequence[Rgb], index: Callable[[int, int], int],
         colours_used: int = 0, bit_count: int = 8) -> bytes:
    """An 8-bit bitmap file: index(x, y) the palette entry of each pixel, y
    counted from the top. colours_used 0 writes a table of 256 entries, as
    the format's default; else the table holds just the palette."""
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    if not colours_used:
        table += bytes(4 * (256 - len(palette)))
    stride = (width + 3) & ~3
    bits = b"".join(bytes(index(x, y) for x in range(width)).ljust(stride, b"\0")
                    for y in reversed(range(height)))
    offset = 14 + 40 + len(table)
    return (struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, len(bits), 0, 0, colours_used, 0)
            + table + bits)


def make_pe(resources: list[tuple[int, bytes]]) -> bytes:
    """A 32-bit program of headers and a resource section only, as
    TestDisc.cpp's MakePe writes it: each resource its own type, name 1,
    language 0x409."""
    opt, raw, va = 0x58, 0x200, 0x1000
    b = bytearray(raw)
    b[0:2] = b"MZ"
    struct.pack_into("<I", b, 0x3C, 0x40)
    b[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HH", b, 0x44, 0x14C, 1)
    struct.pack_into("<HH", b, 0x54, 0xE0, 0x0102)
    struct.pack_into("<H", b, opt, 0x10B)
    struct.pack_into("<I", b, opt + 92, 16)
    r = bytearray(16 + 8 * len(resources))
    struct.pack_into("<H", r, 14, len(resources))
    for i, (kind, data) in enumerate(resources):
        names = len(r)
        languages, entry = names + 24, names + 48
        r.extend(bytes(entry + 16 + (len(data) + 3) // 4 * 4 - len(r)))
        struct.pack_into("<II", r, 16 + 8 * i, kind, names | 0x80000000)
        struct.pack_into("<HII", r, names + 14, 1, 1, languages | 0x80000000)
        struct.pack_into("<HII", r, languages + 14, 1, 0x409, entry)
        struct.pack_into("<II", r, entry, va + entry + 16, len(data))
        r[entry + 16:entry + 16 + len(data)] = data
    struct.pack_into("<II", b, opt + 96 + 16, va, len(r))
    section = opt + 0xE0
    b[section:section + 5] = b".rsrc"
    struct.pack_into("<IIII", b, section + 8, len(r), va, len(r), raw)
    return bytes(b + r)


# What the check asks of a launcher: an icon and a manifest that asks for asInvoker and is DPI-aware.
STAND_IN_LAUNCHER = make_pe([(14, b"\1" * 20), (24, b'<assembly xmlns="urn:schemas-microsoft-com:asm.v1"><trustInfo>'
                                                      b'<security><requestedPrivileges><requestedExecutionLevel '
                                                      b'level="asInvoker"/></requestedPrivileges></security>'
                                                      b'</trustInfo><application xmlns="urn:schemas-microsoft-com:asm.v3">'
                                                      b'<windowsSettings><dpiAware>true</dpiAware></windowsSettings>'
                                                      b'</application></assembly>')])


def make_test_key(folder: str | Path) -> None:
    """A code-signing certificate made for the test in folder: cert.pem, and
    brindle.p12 with its key, whose password is the first line of password."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    cert, key, password = folder / "cert.pem", folder / "key.pem", folder / "password"
    password.write_text("s3cret\n")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Brindle Test", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert,
                    "-out", folder / "brindle.p12", "-passout", "file:%s" % password],
                   check=True, capture_output=True)


def has_art() -> bool:
    return "without cairo" not in bxdisc("art", "/nonexistent", "--backdrop", "x.png").stderr


def demo_disc(folder: str | Path) -> None:
    """The demo disc as scripts/demo.sh lays it out, the Windows programs
    stood in for by placeholders; a kit without its art command takes the
    fixed artwork of demo/make_art.py."""
    folder, demo = Path(folder), ROOT / "demo"
    shutil.copy(demo / "Autorun.inf", folder)
    (folder / "OLE9X").mkdir()
    for name in ("setup.exe", "DemoSetup.exe", "OLE9X/OLEAUT32.DLL"):
        (folder / name).write_bytes(b"MZ")
    if has_art():
        backdrop = folder.parent / "backdrop.png"
        subprocess.run([sys.executable, demo / "make_backdrop.py", backdrop], check=True)
        r = bxdisc("art", str(folder), "--backdrop", str(backdrop), "--background", "081030",
                   "--labels", "Run|Setup again|Install|Exit", "--update-inf")
        assert r.returncode == 0, r.stderr
    else:
        subprocess.run([sys.executable, demo / "make_art.py", folder], check=True)
    subprocess.run(["wixl", "-D", "Program=DemoSetup.exe", "-o", "BrindleDemo.msi", demo / "BrindleDemo.wxs"],
                   cwd=folder, check=True, capture_output=True)


# A disc with findings in each part of the file and notes beside them.
BROKEN_INF = (
    "[autorun]\r\n"                      # 1
    "shellexecute=setup.exe /autorun\r\n"  # 2
    "[AutoRun.Amd64]\r\n"                # 3
    "open=other.exe\r\n"                 # 4
    "icon=setup.exe\r\n"                 # 5
    "[BXPARAM]\r\n"                      # 6
    "SetupExe=NotOnDisc.exe\r\n"         # 7
    "AutorunBackdrop=back.bmp\r\n"       # 8
    "AutorunButtons=\r\n"                # 9
    "ProductName=Broken\r\n"             # 10
)


def png(width: int, height: int, colour: tuple[int, int, int] = (40, 90, 160)) -> bytes:
    """A PNG of a window: a title bar in the colour over a grey client area."""
    def chunk(kind: bytes, data: bytes) -> bytes:
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    bar, body = b"\0" + bytes(colour) * width, b"\0" + b"\xd4\xd0\xc8" * width
    rows = [bar if y < min(18, height // 4) else body for y in range(height)]
    return (matrix_page.PNG_SIGNATURE
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows)))
            + chunk(b"IEND", b""))


def results(shots: Path | None = None) -> list[RunResult]:
    """Three systems, each ending its own way; with shots, their screenshots
    written there at the front window's size."""
    runs = [
        RunResult("win98", 0, "did what the disc intends", 41.6, title="Demo Setup",
                  window=(540, 340), buttons=("Install", "Exit"), clicked="Install",
                  programs=('D:\\Setup\\setup32.exe: "setup32.exe /s" in D:\\',),
                  staged=("C:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL=C:\\WINDOWS\\OLEAUT32.NEW",),
                  restart=True, rerun=True, report="started: D:\\setup.exe in D:\\\n"),
        RunResult("winxp", 1, "message box \"Error\": setup32.exe is missing", 12.2,
                  title="Demo Setup", window=(640, 400), buttons=("Install", "Exit"),
                  clicked="Install", report="message box \"Error\": setup32.exe is missing\n"),
        RunResult("win11", 2, "Wine does not know win11", 0.4,
                  report="Wine does not know win11\n"),
    ]
    if shots is None:
        return runs
    out = []
    for r in runs:
        if r.window:
            path = shots / (r.system + "-shot.png")
            path.write_bytes(png(*r.window))
            r = dataclasses.replace(r, screenshot=str(path))
        out.append(r)
    return out


def whole_result(shots: Path, system: str = "win10", failed: bool = False) -> RunResult:
    """A run of --whole with its film strip, the pictures written in shots."""
    frames = []
    for n, (caption, phase) in enumerate((("the front window", "install"), ("Brindle Demo Setup", "install"),
                                          ("the installed front window", "installed"),
                                          ("the product's window", "installed"))[:2 if failed else 4], 1):
        path = shots / ("%s-frame-%d.png" % (system, n))
        path.write_bytes(png(40 + n, 30))
        frames.append(Frame(str(path), caption, phase))
    verdict = ('Install: the dialog "Brindle Demo Setup" ("Choose a folder") stayed after Next was pressed'
               if failed else "did what the disc intends")
    return RunResult(system, 1 if failed else 0, verdict, 300.0, title="Brindle Demo", window=(540, 340),
                     buttons=("Install", "Exit"), clicked="Install", report="-- Install\n",
                     phase="install" if failed else "uninstall", frames=tuple(frames))


# try's requests, as bxdisc writes them for a disc at /d.
LAUNCHER_IDS = {"run": 100, "again": 101, "install": 102, "exit": 103}  # the launcher's own


def request_of(**options: Any) -> requests.Request:
    """A request with these author's options, as bxdisc would send it."""
    document = {"format": 1, "disc": "/d", "launcher": "setup.exe", "buttons": LAUNCHER_IDS, "options": options}
    return requests.load(json.dumps(document))


def changed(original: requests.Request, **fields: Any) -> requests.Request:
    """The request with fields of what bxdisc found, or of the options, changed."""
    disc = {k: v for k, v in fields.items() if k in {f.name for f in dataclasses.fields(requests.Disc)}}
    options = {k: v for k, v in fields.items() if k not in disc}
    return dataclasses.replace(original, disc=dataclasses.replace(original.disc, **disc),
                               options=dataclasses.replace(original.options, **options))


# A shell that starts a child of its own, writes the child's pid to the file
# $0 once it runs, and waits.
WITH_CHILD = 'sleep 60 & echo $! >"$0.tmp"; mv "$0.tmp" "$0"; wait'


def ended(pid: int, within: float = 30.0) -> bool:
    """Whether the process is gone (or a zombie, no longer running) within
    that many seconds."""
    deadline = time.monotonic() + within
    while True:
        try:
            with open("/proc/%d/stat" % pid) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            return True
        if state in ("Z", "X") or time.monotonic() > deadline:
            return state in ("Z", "X")
        time.sleep(0.05)


class FakeScreen:
    """The runner's screen as try's follower uses it: a picture is a text
    of its rectangle."""
    slowness = 1.0

    def scaled(self, seconds: float) -> float:
        return seconds

    def grab(self, x: int, y: int, width: int, height: int) -> bytes:
        return bytes(3 * width * height)

    def save_png(self, x: int, y: int, width: int, height: int, path: str) -> None:
        Path(path).write_text("%d %d %d %d" % (x, y, width, height))


class FakeRunnerBase(FakeScreen):
    """What a fake Wine runner does alike in try's tests: a prefix of a
    system folder alone, the registry values it would set noted, no program
    run but through its sessions (each test's own), no restart asked."""
    programs = ""

    def __init__(self, prefix: str) -> None:
        self.prefix, self.work = prefix, os.path.dirname(prefix)
        self.asked: list[str] = []
        self.deleted: list[str] = []
        self.registry: list[RegValue] = []
        os.makedirs(self.system32())

    def system32(self) -> str:
        return os.path.join(self.prefix, "drive_c", "windows", "system32")

    def knows_system(self, system: str) -> bool:
        return True

    def map_drive(self, path: str) -> None:
        pass

    def to_windows(self, path: str) -> str:
        return path

    def program(self, name: str) -> str:
        return os.path.join(self.programs, name)

    def stub_restart(self, registry: Iterable[RegValue] = ()) -> bytes:
        self.registry.extend(registry)
        return b""

    def reg_import(self, values: Iterable[RegValue]) -> None:
        pass

    # Only --installed runs a program or a driver script.
    def run(self, args: Sequence[str], timeout: float, progress: str | None = None) -> None:
        raise AssertionError("ran %s" % args)

    def drive(self, steps: Iterable[str], *, kill: Iterable[str] = ()) -> DriverReport:
        raise AssertionError("drove %s" % list(steps))

    def restart_requests(self) -> list[str]:
        return self.asked

    def restart_server(self) -> None:
        pass

    def reg_delete(self, key: str, name: str | None = None) -> None:
        self.deleted.append(name or key)
