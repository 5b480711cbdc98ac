#!/usr/bin/env python3
"""bxdisc check for machines: the rule list, JSON and SARIF 2.1.0 of the
same results as the text, and the short account of preview and image.

    python3 tests/kit/test_check_report.py PATH/TO/bxdisc PATH/TO/bxdisc.1

bxdisc.1: the man page as the build writes it, its rules' entries filled in.
"""
from __future__ import annotations

import json
import os
import re
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path
from typing import Any

import testlib
from bxdisc_try.schema import EXIT_STATUSES, SCHEMA
from testlib import BROKEN_INF, bxdisc

MAN_PAGE = Path()  # set from the command line, below

# What SARIF 2.1.0's schema lets each object we write hold (it allows no
# other properties), and what it requires of them.
SARIF_OBJECTS: dict[str, tuple[set[str], set[str]]] = {
    "log": ({"$schema", "version", "runs", "inlineExternalProperties", "properties"}, {"version", "runs"}),
    "run": ({"tool", "originalUriBaseIds", "results", "invocations", "artifacts", "properties"}, {"tool"}),
    "tool": ({"driver", "extensions", "properties"}, {"driver"}),
    "driver": ({"name", "version", "informationUri", "rules", "semanticVersion", "properties"}, {"name"}),
    "rule": ({"id", "name", "shortDescription", "fullDescription", "help", "defaultConfiguration", "properties"}, {"id"}),
    "message": ({"text", "markdown", "id", "arguments"}, set()),
    "configuration": ({"enabled", "level", "rank", "parameters"}, set()),
    "result": ({"ruleId", "ruleIndex", "level", "message", "locations", "relatedLocations", "properties"}, {"message"}),
    "location": ({"id", "physicalLocation", "message", "properties"}, set()),
    "physicalLocation": ({"artifactLocation", "region", "properties"}, set()),
    "artifactLocation": ({"uri", "uriBaseId", "index", "description", "properties"}, set()),
    "region": ({"startLine", "startColumn", "endLine", "endColumn", "properties"}, set()),
}
LEVELS = {"none", "note", "warning", "error"}


def shape(test: unittest.TestCase, kind: str, value: Any, where: str) -> None:
    allowed, required = SARIF_OBJECTS[kind]
    test.assertIsInstance(value, dict, where)
    test.assertLessEqual(set(value), allowed, where)
    test.assertLessEqual(required, set(value), where)


def check_sarif(test: unittest.TestCase, log: Any) -> None:
    """The structure SARIF 2.1.0 requires, for what bxdisc writes."""
    shape(test, "log", log, "log")
    test.assertEqual("2.1.0", log["version"])
    test.assertEqual(1, len(log["runs"]))
    run = log["runs"][0]
    shape(test, "run", run, "run")
    shape(test, "tool", run["tool"], "tool")
    driver = run["tool"]["driver"]
    shape(test, "driver", driver, "driver")
    rules = driver["rules"]
    ids = [r["id"] for r in rules]
    test.assertEqual(len(ids), len(set(ids)), "rule ids are unique")
    for r in rules:
        shape(test, "rule", r, r.get("id", "rule"))
        test.assertRegex(r["id"], r"^BX\d{4}$")
        test.assertRegex(r["name"], r"^[a-z0-9]+(-[a-z0-9]+)*$")
        for text in ("shortDescription", "fullDescription", "help"):
            shape(test, "message", r[text], r["id"])
            test.assertTrue(r[text]["text"])
        shape(test, "configuration", r["defaultConfiguration"], r["id"])
        test.assertIn(r["defaultConfiguration"]["level"], LEVELS)
    bases = run.get("originalUriBaseIds", {})
    for base in bases.values():
        shape(test, "artifactLocation", base, "originalUriBaseIds")
        test.assertRegex(base["uri"], r"^file:///.*/$")
    for result in run["results"]:
        shape(test, "result", result, "result")
        test.assertEqual(rules[result["ruleIndex"]]["id"], result["ruleId"])
        test.assertIn(result["level"], LEVELS)
        shape(test, "message", result["message"], "result")
        test.assertTrue(result["message"]["text"])
        for location in result.get("locations", []) + result.get("relatedLocations", []):
            shape(test, "location", location, "location")
            physical = location["physicalLocation"]
            shape(test, "physicalLocation", physical, "physicalLocation")
            artifact = physical["artifactLocation"]
            shape(test, "artifactLocation", artifact, "artifactLocation")
            test.assertNotRegex(artifact["uri"], r"^/|[ %](?![0-9A-F]{2})")
            test.assertIn(artifact["uriBaseId"], bases)
            shape(test, "region", physical["region"], "region")
            test.assertGreaterEqual(physical["region"]["startLine"], 1)


class CheckReportTest(unittest.TestCase):
    def setUp(self) -> None:
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.disc = Path(tmp.name) / "my disc"
        self.disc.mkdir()
        (self.disc / "setup.exe").write_bytes(b"MZ")
        (self.disc / "AUTORUN.INF").write_bytes(BROKEN_INF.encode())

    def report(self, fmt: str, *more: str) -> tuple[int, Any]:
        r = bxdisc("check", str(self.disc), "--format", fmt, *more)
        self.assertEqual("", r.stderr)
        return r.returncode, json.loads(r.stdout)

    def test_json_gives_each_result_where_it_stands(self) -> None:
        status, doc = self.report("json")
        self.assertEqual((1, 1), (status, doc["status"]))
        got = [(x["ruleId"], x["rule"], x["level"], x["key"], x["file"], x["line"]) for x in doc["results"]]
        for want in [
            ("BX0202", "autorun-starts-other", "finding", "[AutoRun.Amd64] open", "AUTORUN.INF", 4),
            ("BX0107", "name-not-on-disc", "finding", "SetupExe", "AUTORUN.INF", 7),
            ("BX0107", "name-not-on-disc", "finding", "AutorunBackdrop", "AUTORUN.INF", 8),
            ("BX0105", "buttons-unset", "finding", "AutorunButtons", "AUTORUN.INF", 9),
            ("BX0204", "autorun-shellexecute-only", "note", "[autorun] shellexecute", "AUTORUN.INF", 2),
            ("BX0205", "autorun-icon-missing", "note", "[autorun] icon", "AUTORUN.INF", 1),
            ("BX0703", "unsigned", "note", "setup.exe", "setup.exe", None),
        ]:
            self.assertIn(want, got)
        # The text's lines, in its order, from the same results.
        text = bxdisc("check", str(self.disc)).stdout.splitlines()
        self.assertEqual(len(text), len(doc["results"]))
        for line, x in zip(text, doc["results"]):
            self.assertEqual(line, "%s%s: %s; fix: %s" % ("note: " if x["level"] == "note" else "",
                                                          x["key"], x["message"], x["remedy"]))

    def test_sarif_has_the_structure_and_is_the_same_each_run(self) -> None:
        status, log = self.report("sarif")
        self.assertEqual(1, status)
        check_sarif(self, log)
        results = log["runs"][0]["results"]
        levels = [x["level"] for x in results]
        self.assertGreaterEqual(levels.count("error"), 3)
        self.assertGreaterEqual(levels.count("note"), 2)
        first = results[0]["locations"][0]["physicalLocation"]
        self.assertEqual(({"uri": "AUTORUN.INF", "uriBaseId": "DISCROOT"}, {"startLine": 4}),
                         (first["artifactLocation"], first["region"]))
        self.assertTrue(log["runs"][0]["originalUriBaseIds"]["DISCROOT"]["uri"].endswith("/my%20disc/"))
        self.assertEqual("man:bxdisc(1)", log["runs"][0]["tool"]["driver"]["informationUri"])
        self.assertEqual(bxdisc("check", str(self.disc), "--format", "sarif").stdout,
                         bxdisc("check", str(self.disc), "--format", "sarif").stdout)
        # A finding about the whole of Autorun.inf stands on its first line.
        (self.disc / "AUTORUN.INF").write_bytes(b"[autorun]\r\nopen=setup.exe /autorun\r\n")
        _, log = self.report("sarif")
        check_sarif(self, log)
        # The status is that of the text, in every format.
        for fmt in ("text", "json", "sarif"):
            with self.subTest(fmt=fmt):
                (self.disc / "AUTORUN.INF").write_bytes(b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
                for strict, status in ((), 0), (("--strict",), 1):
                    self.assertEqual(status, bxdisc("check", str(self.disc), "--format", fmt, *strict).returncode)

    def test_a_file_that_a_key_names_is_the_place_and_the_key_beside_it(self) -> None:
        (self.disc / "back.bmp").write_bytes(b"BM not a bitmap")
        _, log = self.report("sarif")
        refused = [x for x in log["runs"][0]["results"] if x["ruleId"] == "BX0302"]
        self.assertEqual(1, len(refused))
        place = refused[0]["locations"][0]["physicalLocation"]
        beside = refused[0]["relatedLocations"][0]["physicalLocation"]
        self.assertEqual(("back.bmp", 1), (place["artifactLocation"]["uri"], place["region"]["startLine"]))
        self.assertEqual(("AUTORUN.INF", 8), (beside["artifactLocation"]["uri"], beside["region"]["startLine"]))

    def test_every_rule_is_listed_with_its_remedy(self) -> None:
        r = bxdisc("check", "--list-rules")
        self.assertEqual((0, ""), (r.returncode, r.stderr))
        listed = re.findall(r"^(BX\d{4}) (\S+) +(finding|note)\n    .+\n    fix: .+$", r.stdout, re.M)
        _, log = self.report("sarif")
        rules = log["runs"][0]["tool"]["driver"]["rules"]
        self.assertEqual([(x["id"], x["name"]) for x in rules], [(i, n) for i, n, _ in listed])
        # The same list as JSON, with what the text says of each.
        r = bxdisc("check", "--list-rules", "--format", "json")
        self.assertEqual((0, ""), (r.returncode, r.stderr))
        as_json = json.loads(r.stdout)
        self.assertEqual(listed, [(x["id"], x["name"], x["level"]) for x in as_json])
        for x, sarif in zip(as_json, rules):
            self.assertEqual(["id", "name", "level", "summary", "remedy"], list(x))
            self.assertEqual((sarif["shortDescription"]["text"], sarif["help"]["text"]),
                             (x["summary"], "Fix: " + x["remedy"]))
        man = MAN_PAGE.read_text()
        for rule_id, name, _ in listed:
            self.assertIn(rule_id, man)
            self.assertIn(name, man)
        absent = str(self.disc / "absent.pem")
        for args, message in ((("check", str(self.disc), "--list-rules"), "check: --list-rules takes no DISC_FOLDER"),
                              (("check", "--list-rules", "--format", "sarif"),
                               "check: --list-rules gives text or json, not sarif: every SARIF log of a check holds "
                               "the rules (runs[0].tool.driver.rules)"),
                              (("check", "--format", "xml", str(self.disc)), 'check: --format takes text|json|sarif, not "xml"'),
                              (("check", str(self.disc), "--verify-timeout", "0"), 'check: --verify-timeout takes whole seconds'),
                              (("check", str(self.disc), "--ca-file", absent), "check: --ca-file %s: cannot be read" % absent),
                              (("check", str(self.disc), "--ca-file", str(self.disc)),
                               "check: --ca-file %s: cannot be read" % self.disc),
                              (("check", str(self.disc / "absent")), ": cannot read the folder")):
            with self.subTest(args=args):
                r = bxdisc(*args)
                self.assertEqual((2, ""), (r.returncode, r.stdout))
                self.assertIn("bxdisc" + (" " if message.startswith("check") else "") + message, r.stderr)

    def test_the_rule_list_the_man_page_and_sarif_agree(self) -> None:
        listed = json.loads(bxdisc("check", "--list-rules", "--format", "json").stdout)
        rules = [(x["id"], x["name"], x["level"], x["summary"], x["remedy"]) for x in listed]
        # Each id and each name is one rule's alone.
        self.assertEqual((len(rules), len(rules)), (len({x[0] for x in rules}), len({x[1] for x in rules})))
        self.assertEqual(rules, re.findall(r"^(BX\d{4}) (\S+) +(finding|note)\n    (.+)\n    fix: (.+)\n",
                                           bxdisc("check", "--list-rules").stdout, re.M))
        _, log = self.report("sarif")
        levels = {"error": "finding", "note": "note"}
        self.assertEqual([x + ("%s Fix: %s." % (x[3], x[4]),) for x in rules],
                         [(x["id"], x["name"], levels[x["defaultConfiguration"]["level"]], x["shortDescription"]["text"],
                           x["help"]["text"].removeprefix("Fix: "), x["fullDescription"]["text"])
                          for x in log["runs"][0]["tool"]["driver"]["rules"]])
        # The page lists them by id, an option's dashes as minus signs, and no escapes but those.
        page = MAN_PAGE.read_text()
        section = page[page.index("\n.SH RULES\n"):page.index("\n.SH EXIT STATUS\n") + 1]
        self.assertEqual([], re.findall(r"(?m)(?:^|[ (])-\S*", section))
        section = re.sub(r"\\(.)", lambda m: {"-": "-", "e": "\\"}[m.group(1)], section)
        self.assertEqual(sorted(rules), re.findall(r"^\.TP\n\.B (BX\d{4}) (\S+)\n\((finding|note)\) (.+)\n\.br\n"
                                                   r"Fix: (.+)\.\n", section, re.M))

    def test_the_man_page_s_exit_statuses_are_the_table_s(self) -> None:
        # Each status in the table that try's runner reads, with what it means, its options in bold.
        page = MAN_PAGE.read_text()
        section = page[page.index("\n.SH EXIT STATUS\n"):page.index("\n.SH ENVIRONMENT\n") + 1]
        self.assertEqual([], re.findall(r"(?<!\\fB)\\-\\-", section))
        plain = re.sub(r"\\f[BR]", "", section).replace("\\-", "-")
        self.assertEqual([(str(s.status), ((s.meaning + "; ") if s.meaning else "") + "for try: " + s.for_try + ".")
                          for s in EXIT_STATUSES], re.findall(r"^\.TP\n\.B (\d+)\n(.+)\n", plain, re.M))

    def test_the_man_page_s_try_options_are_the_schema_s(self) -> None:
        # Written by hand: each entry names what the schema holds.
        page = MAN_PAGE.read_text()

        def entry(option: str) -> str:
            start = page.index('\\-\\-%s "' % option)
            return page[start:page.index("\n.TP\n", start)]
        systems = re.findall(r"\b(?:%s)\b" % "|".join(SCHEMA.systems), entry("system"))
        self.assertEqual((list(SCHEMA.systems), [SCHEMA.default_system]),
                         (systems, re.findall(r"(\w+)\n\(default\)", entry("system"))))
        numbers = SCHEMA.numbers
        for option, said in (("jobs", "%d to %d" % (numbers["jobs"].least, numbers["jobs"].most)),
                             ("dpi", "%d to %d" % (numbers["dpi"].least, numbers["dpi"].most)),
                             ("dpi", "the prefix keeps %d." % SCHEMA.default("dpi")),
                             ("timeout", "(default %d)" % SCHEMA.default("timeout"))):
            self.assertIn(said, entry(option).replace("\n", " "))

    @unittest.skipUnless(shutil.which("bwrap"), "bubblewrap confines the verifier")
    def test_a_verifier_that_hangs_or_crashes_is_a_note(self) -> None:
        # A package is always verified; its header is all the check needs for that.
        (self.disc / "Product.msi").write_bytes(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(504))
        (self.disc / "AUTORUN.INF").write_bytes(b"[BXPARAM]\r\nSetupExe=setup.exe\r\nSetupMSI=Product.msi\r\n")
        stand_in = self.disc.parent / "bin" / "osslsigncode"
        stand_in.parent.mkdir()
        for script, note in (("sleep 60", 'note: SetupMSI: osslsigncode did not finish verifying "Product.msi" within 1 s'),
                             ("kill -SEGV $$", 'note: SetupMSI: osslsigncode crashed (SIGSEGV) on the signature of "Product.msi"')):
            with self.subTest(script=script):
                stand_in.write_text("#!/bin/sh\n%s\n" % script)
                stand_in.chmod(0o755)
                began = time.monotonic()
                r = bxdisc("check", str(self.disc), "--verify-timeout", "1",
                           env={"PATH": "%s:%s" % (stand_in.parent, os.environ["PATH"])})
                self.assertLess(time.monotonic() - began, 20)
                self.assertEqual(1, r.returncode, r.stdout)  # the package does not open: a finding
                self.assertIn(note, r.stdout)

    def test_preview_and_image_count_the_notes(self) -> None:
        (self.disc / "AUTORUN.INF").write_bytes(b"[BXPARAM]\r\nSetupExe=setup.exe\r\n")
        r = bxdisc("image", str(self.disc), str(self.disc.parent / "x.iso"), "--label", "X")
        self.assertNotIn("note:", r.stdout + r.stderr)
        self.assertIn("2 notes: bxdisc check %s\n" % self.disc, r.stdout)


if __name__ == "__main__":
    testlib.BXDISC = str(Path(sys.argv.pop(1)).resolve())
    MAN_PAGE = Path(sys.argv.pop(1)).resolve()
    unittest.main(verbosity=1)
