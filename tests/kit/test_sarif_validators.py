#!/usr/bin/env python3
"""bxdisc check's SARIF as the tools that read it judge it, on the demo
disc's log and on a broken disc's: the SARIF 2.1.0 JSON schema through
Debian's python3-jsonschema, and Microsoft's SARIF Multitool with its own
rules and GitHub code scanning's. The Multitool comes from the npm registry
into CACHE on first use, with the schema it ships (sarif-2.1.0.json), which
the schema check takes too; without npm the test is skipped.

    python3 tests/kit/test_sarif_validators.py PATH/TO/bxdisc CACHE
"""
from __future__ import annotations

import collections
import importlib.metadata
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path
from typing import Any

import jsonschema

import testlib
from testlib import BROKEN_INF, bxdisc

PACKAGE = "@microsoft/sarif-multitool-linux@5.7.0"
CACHE = Path()  # set from the command line, below

# A .NET program: without ICU's libraries it runs only with invariant
# globalization, which is all it needs to read a log.
DOTNET_ENV = {"DOTNET_SYSTEM_GLOBALIZATION_INVARIANT": "1", "DOTNET_CLI_TELEMETRY_OPTOUT": "1",
              "DOTNET_NOLOGO": "1"}

# SARIF2006 fetches every http(s) URI of the log, the $schema's too: no
# network in the tests.
CONFIG = """<?xml version="1.0" encoding="utf-8"?>
<Properties>
  <Properties Key="SARIF2006.UrisShouldBeReachable.Options">
    <Property Key="RuleEnabled" Value="Disabled" Type="Driver.RuleEnabledState" />
  </Properties>
</Properties>
"""


def multitool() -> Path:
    """The package's folder in CACHE, installed unless it already is."""
    folder = CACHE / "node_modules" / "@microsoft" / "sarif-multitool-linux"
    stamp = CACHE / "installed"
    if stamp.exists() and stamp.read_text() == PACKAGE and (folder / "Sarif.Multitool").exists():
        return folder
    npm = shutil.which("npm")
    if not npm:
        raise unittest.SkipTest("npm is missing: it installs the SARIF Multitool (%s); "
                                "the JSON schema check goes with the schema it ships" % PACKAGE)
    CACHE.mkdir(parents=True, exist_ok=True)
    r = subprocess.run([npm, "install", "--prefix", str(CACHE), "--no-audit", "--no-fund", PACKAGE],
                       capture_output=True, text=True, timeout=600)
    assert r.returncode == 0, "npm install %s: %s" % (PACKAGE, r.stdout + r.stderr)
    # Its postinstall script makes it executable, where npm runs such scripts.
    program = folder / "Sarif.Multitool"
    program.chmod(program.stat().st_mode | 0o100)
    r = subprocess.run([str(program), "--version"], capture_output=True, text=True, timeout=120,
                       env=dict(os.environ, **DOTNET_ENV))
    assert r.returncode == 0, r.stdout + r.stderr
    stamp.write_text(PACKAGE)
    return folder


def schema_errors(schema: Any, log: Any) -> list[str]:
    cls = jsonschema.validators.validator_for(schema)
    cls.check_schema(schema)
    validator = cls(schema, format_checker=jsonschema.FormatChecker())
    return ["%s: %s" % ("/".join(map(str, e.absolute_path)), e.message)
            for e in sorted(validator.iter_errors(log), key=lambda e: list(map(str, e.absolute_path)))]


class SarifValidatorsTest(unittest.TestCase):
    folder: Path  # the Multitool's package
    schema: Any   # the SARIF 2.1.0 schema it ships
    tmp: Path

    @classmethod
    def setUpClass(cls) -> None:
        cls.folder = multitool()
        cls.schema = json.loads((cls.folder / "sarif-2.1.0.json").read_text(encoding="utf-8-sig"))
        tmp = tempfile.TemporaryDirectory()
        cls.addClassCleanup(tmp.cleanup)
        cls.tmp = Path(tmp.name)
        (cls.tmp / "config.xml").write_text(CONFIG)

    def sarif(self, disc: Path, status: int) -> Path:
        r = bxdisc("check", str(disc), "--format", "sarif")
        self.assertEqual((status, ""), (r.returncode, r.stderr))
        path = self.tmp / (disc.name + ".sarif")
        path.write_text(r.stdout)
        return path

    def validate(self, path: Path) -> Any:
        """Both validators on the log: no error; the Multitool's warnings and
        a count of its notes are printed."""
        log = json.loads(path.read_text())
        errors = schema_errors(self.schema, log)
        self.assertEqual([], errors, "%s against %s" % (path.name, self.folder / "sarif-2.1.0.json"))
        print("%s: jsonschema %s: valid against the Multitool's sarif-2.1.0.json (%s)"
              % (path.name, importlib.metadata.version("jsonschema"), self.schema["$schema"]), file=sys.stderr)
        out = self.tmp / (path.stem + ".multitool.sarif")
        r = subprocess.run([str(self.folder / "Sarif.Multitool"), "validate", str(path), "--output", str(out),
                            "--log", "ForceOverwrite", "--level", "Error;Warning;Note",
                            "--rule-kind", "Sarif;Gh", "--config", str(self.tmp / "config.xml")],
                           capture_output=True, text=True, timeout=300, env=dict(os.environ, **DOTNET_ENV))
        self.assertEqual(0, r.returncode, r.stdout + r.stderr)
        run = json.loads(out.read_text(encoding="utf-8-sig"))["runs"][0]
        invocation = run["invocations"][0]
        self.assertTrue(invocation["executionSuccessful"], invocation)
        self.assertEqual([], invocation.get("toolExecutionNotifications", []))
        said: dict[str, list[str]] = collections.defaultdict(list)
        for result in run.get("results", []):
            rules = run["tool"]["driver"].get("rules", [])
            rule: dict[str, Any] = next((x for x in rules if x["id"] == result["ruleId"]), {})
            text = result["message"].get("text") or rule.get("messageStrings", {}).get(
                result["message"].get("id", ""), {}).get("text", "")
            for n, argument in enumerate(result["message"].get("arguments", [])):
                text = text.replace("{%d}" % n, argument)
            said[result.get("level", "warning")].append("%s: %s" % (result["ruleId"], text))
        self.assertEqual([], said["error"], "the Multitool's errors on " + path.name)
        # A log it cannot read (a level not in the schema, say) it passes without a word; the rules of
        # any log of ours draw its notes.
        self.assertTrue(said["note"], "the Multitool said nothing of %s: it did not read it" % path.name)
        for line in said["warning"]:
            print("%s: Multitool warning %s" % (path.name, line), file=sys.stderr)
        notes = collections.Counter(line.split(":")[0] for line in said["note"])
        print("%s: Multitool %s: %d errors, %d warnings, notes %s" % (
            path.name, PACKAGE.split("@")[-1], len(said["error"]), len(said["warning"]),
            ", ".join("%s x%d" % kv for kv in sorted(notes.items())) or "none"), file=sys.stderr)
        return log

    @unittest.skipUnless(shutil.which("wixl"), "wixl builds the demo package")
    def test_the_demo_disc(self) -> None:
        disc = self.tmp / "demo-disc"
        disc.mkdir()
        testlib.demo_disc(str(disc))
        log = self.validate(self.sarif(disc, 0))
        self.assertEqual({"note"}, {x["level"] for x in log["runs"][0]["results"]})

    def test_a_broken_disc(self) -> None:
        # Findings (error) and notes (note); bxdisc has no level between them.
        disc = self.tmp / "broken disc"
        disc.mkdir()
        (disc / "setup.exe").write_bytes(b"MZ")
        (disc / "AUTORUN.INF").write_bytes(BROKEN_INF.encode())
        (disc / "back.bmp").write_bytes(b"BM not a bitmap")
        log = self.validate(self.sarif(disc, 1))
        self.assertEqual({"error", "note"}, {x["level"] for x in log["runs"][0]["results"]})


if __name__ == "__main__":
    testlib.BXDISC = str(Path(sys.argv.pop(1)).resolve())
    CACHE = Path(sys.argv.pop(1)).resolve()
    outcome = unittest.main(verbosity=1, exit=False).result
    # Skipped whole (no npm): ctest says so.
    sys.exit(1 if not outcome.wasSuccessful() else 77 if outcome.skipped and not outcome.testsRun else 0)
