#!/usr/bin/env python3
"""scripts/apt-tolerant.sh against a stand-in apt-get that fails the way an
archive does while its mirror is synced.

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
if name != "apt-get":
    sys.exit(0)
verb = "update" if "update" in call else "install"
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


@dataclass(frozen=True)
class Case:
    name: str
    failed_updates: int
    failed_installs: int
    status: int
    calls: list[list[str]]
    said: tuple[str, ...] = ()
    os_release: str = OS_RELEASE


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
]


def tree(folder: Path) -> dict[str, tuple[int, int]]:
    """Every file below the folder with its size and change time."""
    found = {}
    for path in folder.rglob("*"):
        st = path.lstat()
        found[str(path)] = (st.st_size, st.st_mtime_ns)
    return found


class AptTolerantTest(unittest.TestCase):
    def run_case(self, case: Case, tmp: Path) -> subprocess.CompletedProcess[str]:
        stand_ins = tmp / "bin"
        stand_ins.mkdir()
        program = stand_ins / "stand-in"
        program.write_text("#!%s\n%s" % (sys.executable, STAND_IN))
        program.chmod(0o755)
        for name in ("apt-get", "sleep"):
            (stand_ins / name).symlink_to(program)
        (tmp / "os-release").write_text(case.os_release)
        (tmp / "calls").write_text("")
        (tmp / "tmp").mkdir()
        env = dict(os.environ, PATH="%s:%s" % (stand_ins, os.environ["PATH"]),
                   CALL_LOG=str(tmp / "calls"), INDEX=INDEX, TMPDIR=str(tmp / "tmp"),
                   FAIL_UPDATES=str(case.failed_updates), FAIL_INSTALLS=str(case.failed_installs),
                   APT_RETRY_DELAY="0", APT_OS_RELEASE=str(tmp / "os-release"))
        return subprocess.run(["bash", "-c", 'set -euo pipefail; . "$0"; apt_update; '
                               "apt_install wine wine32:i386", str(SCRIPT)],
                              cwd=tmp, env=env, capture_output=True, text=True, timeout=60)

    def test_a_bad_hour_of_the_archive(self) -> None:
        for case in CASES:
            with self.subTest(case.name), tempfile.TemporaryDirectory() as name:
                tmp = Path(name)
                apt = Path("/etc/apt")
                before = tree(apt)
                done = self.run_case(case, tmp)
                self.assertEqual(case.status, done.returncode, done.stderr)
                calls = [json.loads(line) for line in (tmp / "calls").read_text().splitlines()]
                self.assertEqual(case.calls, calls)
                for part in case.said:
                    self.assertIn(part, done.stderr)
                if not case.said:
                    self.assertEqual("", done.stderr)
                # Nothing written anywhere but the stand-ins' log: no apt
                # configuration, no temporary file left, nothing run from os-release.
                self.assertEqual(before, tree(apt))
                self.assertEqual([], list((tmp / "tmp").iterdir()))
                self.assertFalse((tmp / "ran").exists())


if __name__ == "__main__":
    unittest.main(verbosity=1)
