#!/usr/bin/env python3
"""scripts/apt-tolerant.sh against a stand-in apt-get that fails the way an
archive does while its mirror is synced, and scripts/qemu-user.sh's choice
of where qemu-user comes from on each Debian release.

    python3 tests/install/test_apt_tolerant.py
"""
from __future__ import annotations

import json
import os
import subprocess
import sys
import tempfile
import unittest
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts" / "apt-tolerant.sh"
QEMU_SCRIPT = ROOT / "scripts" / "qemu-user.sh"
INDEX = "http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
RERUN = "run this again when 'apt-get update' succeeds"

# apt-get and sleep in one: each call logged as a JSON list, update failing
# for its first $FAIL_UPDATES calls and install for its first $FAIL_INSTALLS.
STAND_IN = """\
import json, os, sys
log = os.environ["CALL_LOG"]
name = os.path.basename(sys.argv[0])
call = [name] + sys.argv[1:]
with open(log) as f:
    earlier = [json.loads(line) for line in f]
with open(log, "a") as f:
    f.write(json.dumps(call) + "\\n")
if name == "apt-cache":
    print("qemu-user:\\n  Installed: (none)\\n  Candidate: %s" % os.environ["QEMU_CANDIDATE"])
if name != "apt-get":
    sys.exit(0)
verb = "update" if "update" in call else "install"
if verb == "install" and os.environ["ABSENT"] in call:
    print("E: Unable to locate package " + os.environ["ABSENT"])
    sys.exit(100)
if sum(1 for c in earlier if c[0] == name and verb in c) < int(os.environ["FAIL_" + verb.upper() + "S"]):
    if verb == "update":
        print("E: Failed to fetch %s  File has unexpected size (374820 != 376004). "
              "Mirror sync in progress? [IP: 151.101.2.132 80]" % os.environ["INDEX"])
        print("E: Some index files failed to download. They have been ignored, or old ones used instead.")
    else:
        print("E: Unable to correct problems, you have held broken packages.")
    sys.exit(100)
"""

ALWAYS = 99
UPDATE = ["apt-get", "update", "-qq"]
INSTALL = ["apt-get", "install", "-y", "-qq", "wine", "wine32:i386"]
RELEASE_INSTALL = INSTALL[:4] + ["-t", "bookworm"] + INSTALL[4:]
PAUSE = ["sleep", "0"]
OS_RELEASE = 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_CODENAME=bookworm\n'
TRIXIE = 'PRETTY_NAME="Debian GNU/Linux 13 (trixie)"\nVERSION_CODENAME=trixie\n'
DEBIAN_SOURCE = "Types: deb\nURIs: http://deb.example/debian\nSuites: bookworm\nComponents: main\n"


@dataclass(frozen=True)
class Case:
    name: str
    failed_updates: int
    failed_installs: int
    status: int
    calls: list[list[str]]
    said: tuple[str, ...] = ()
    os_release: str = OS_RELEASE
    absent: str = "-"  # a package the stand-in's archive lacks


CASES = [
    Case("update and install at once", 0, 0, 0, [UPDATE, INSTALL]),
    Case("update again after one failure", 1, 0, 0, [UPDATE, PAUSE, UPDATE, INSTALL]),
    Case("an index that keeps failing is gone on without", ALWAYS, 0, 0,
         [UPDATE, PAUSE, UPDATE, PAUSE, UPDATE, INSTALL], (INDEX, "going on without it")),
    Case("install again preferring the release", ALWAYS, 1, 0,
         [UPDATE, PAUSE, UPDATE, PAUSE, UPDATE, INSTALL, RELEASE_INSTALL],
         ("trying again preferring the bookworm suite",)),
    Case("a stop that names the index", ALWAYS, ALWAYS, 1,
         [UPDATE, PAUSE, UPDATE, PAUSE, UPDATE, INSTALL, RELEASE_INSTALL],
         (INDEX, RERUN, "held broken packages")),
    # With every index fetched, the release's suite would only pass over
    # the security suite's fixes.
    Case("no release preference after a whole update", 0, ALWAYS, 1, [UPDATE, INSTALL],
         ("held broken packages", "see apt's messages")),
    # Read, never run: the file may say anything.
    Case("the release read from os-release", ALWAYS, 1, 0,
         [UPDATE, PAUSE, UPDATE, PAUSE, UPDATE, INSTALL, INSTALL[:4] + ["-t", "trixie"] + INSTALL[4:]],
         ("preferring the trixie suite",),
         'NAME="$(touch ran)"\nVERSION_CODENAME="trixie"\n'),
    # Not "apt-get update may help": no update brings a package the release lacks.
    Case("a package the release lacks named", 0, 0, 1, [UPDATE, INSTALL],
         ("Debian's trixie has no package wine32:i386",), TRIXIE, "wine32:i386"),
]

POLICY = ["apt-cache", "policy", "qemu-user"]
QEMU = ["apt-get", "install", "-y", "-qq", "--no-install-recommends"]


@dataclass(frozen=True)
class QemuCase:
    name: str
    os_release: str
    candidate: str
    calls: list[list[str]]
    sources: dict[str, str]  # the files of sources.list.d afterwards
    before: tuple[str, ...] = ("debian.sources",)


QEMU_CASES = [
    QemuCase("Debian 13's own suite", TRIXIE, "1:10.0.2+ds-2", [POLICY, QEMU + ["qemu-user"]],
             {"debian.sources": DEBIAN_SOURCE}),
    QemuCase("Debian 12 from backports, on the machine's own archive", OS_RELEASE, "1:7.2+dfsg-7+deb12u7",
             [POLICY, UPDATE, QEMU + ["qemu-user/bookworm-backports"]],
             {"debian.sources": DEBIAN_SOURCE, "bookworm-backports.sources":
              DEBIAN_SOURCE.replace("Suites: bookworm", "Suites: bookworm-backports")
              + "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n"}),
    QemuCase("Debian 12 whose sources name backports already", OS_RELEASE, "1:7.2+dfsg-7+deb12u7",
             [POLICY, UPDATE, QEMU + ["qemu-user/bookworm-backports"]],
             {"debian.sources": DEBIAN_SOURCE, "mine.list": "deb http://deb.example/debian bookworm-backports main\n"},
             ("debian.sources", "mine.list")),
    QemuCase("a release with no qemu-user of its own", TRIXIE, "(none)",
             [POLICY, UPDATE, QEMU + ["qemu-user/trixie-backports"]],
             {"debian.sources": DEBIAN_SOURCE, "trixie-backports.sources":
              DEBIAN_SOURCE.replace("Suites: bookworm", "Suites: trixie-backports")
              + "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n"}),
]


def tree(folder: Path) -> dict[str, tuple[int, int]]:
    """Every file below the folder with its size and change time."""
    found = {}
    for path in folder.rglob("*"):
        st = path.lstat()
        found[str(path)] = (st.st_size, st.st_mtime_ns)
    return found


class AptTolerantTest(unittest.TestCase):
    def run_script(self, tmp: Path, os_release: str, script: str,
                   **env: str) -> subprocess.CompletedProcess[str]:
        stand_ins = tmp / "bin"
        stand_ins.mkdir()
        program = stand_ins / "stand-in"
        program.write_text("#!%s\n%s" % (sys.executable, STAND_IN))
        program.chmod(0o755)
        for name in ("apt-get", "apt-cache", "sleep"):
            (stand_ins / name).symlink_to(program)
        (tmp / "os-release").write_text(os_release)
        (tmp / "calls").write_text("")
        (tmp / "tmp").mkdir()
        full = dict(os.environ, PATH="%s:%s" % (stand_ins, os.environ["PATH"]),
                    CALL_LOG=str(tmp / "calls"), INDEX=INDEX, TMPDIR=str(tmp / "tmp"),
                    FAIL_UPDATES="0", FAIL_INSTALLS="0", ABSENT="-",
                    QEMU_CANDIDATE="(none)", APT_RETRY_DELAY="0", APT_OS_RELEASE=str(tmp / "os-release"))
        full.update(env)
        return subprocess.run(["bash", "-c", 'set -euo pipefail; . "$0"; . "$1"; ' + script,
                               str(SCRIPT), str(QEMU_SCRIPT)],
                              cwd=tmp, env=full, capture_output=True, text=True, timeout=60)

    def calls(self, tmp: Path) -> list[list[str]]:
        return [json.loads(line) for line in (tmp / "calls").read_text().splitlines()]

    def test_a_bad_hour_of_the_archive(self) -> None:
        for case in CASES:
            with self.subTest(case.name), tempfile.TemporaryDirectory() as name:
                tmp = Path(name)
                apt = Path("/etc/apt")
                before = tree(apt)
                done = self.run_script(tmp, case.os_release, "apt_update; apt_install wine wine32:i386",
                                       FAIL_UPDATES=str(case.failed_updates),
                                       FAIL_INSTALLS=str(case.failed_installs), ABSENT=case.absent)
                self.assertEqual(case.status, done.returncode, done.stderr)
                self.assertEqual(case.calls, self.calls(tmp))
                for part in case.said:
                    self.assertIn(part, done.stderr)
                if not case.said:
                    self.assertEqual("", done.stderr)
                # Nothing written anywhere but the stand-ins' log: no apt
                # configuration, no temporary file left, nothing run from os-release.
                self.assertEqual(before, tree(apt))
                self.assertEqual([], list((tmp / "tmp").iterdir()))
                self.assertFalse((tmp / "ran").exists())

    def test_where_qemu_user_comes_from(self) -> None:
        for case in QEMU_CASES:
            with self.subTest(case.name), tempfile.TemporaryDirectory() as name:
                tmp = Path(name)
                etc = tmp / "apt"
                (etc / "sources.list.d").mkdir(parents=True)
                for name in case.before:
                    (etc / "sources.list.d" / name).write_text(case.sources[name])
                done = self.run_script(tmp, case.os_release, "install_qemu_user",
                                       QEMU_CANDIDATE=case.candidate, APT_ETC=str(etc))
                self.assertEqual(0, done.returncode, done.stderr)
                self.assertEqual(case.calls, self.calls(tmp))
                self.assertEqual(case.sources, {p.name: p.read_text() for p in (etc / "sources.list.d").iterdir()})


if __name__ == "__main__":
    unittest.main(verbosity=1)
