#!/usr/bin/env python3
"""The CI recipes of docs/ci run here on the demo disc, so that a recipe that
drifts from the tool (an option renamed, a path wrong) fails.

Each job's shell steps run in order, in a workspace of its own, and a job of
a matrix once per shard. The CI systems' own parts stand in small:
- the checkout: a copy of the source's files;
- scripts/install-deps.sh: nothing, as this machine has what it installs;
- scripts/package.sh: the native build given, packaged by CPack as
  package.sh packages its release build, in the folder package.sh uses (a
  release build of everything is no part of a test);
- apt-get and dpkg: a package given as a file is unpacked into the job's
  own root, first on PATH; one given by name must be installed here;
- artifacts: folders copied; code scanning, the JUnit report and Pages:
  their files checked.
GitHub's recipe runs whole, its shards under Wine. GitLab's shards run
their bxdisc try as far as the runner's request, which must be the request
of GitHub's shard of the same number (bar the results' folder), and take
that shard's results: the recipes try alike, and Wine runs once.

    ci_recipes.py NATIVE_BUILD
"""
from __future__ import annotations

import fnmatch
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path
from typing import Any, Callable

ROOT = Path(__file__).resolve().parents[2]
# What bxdisc starts its runner with, found before the stand-ins come first on PATH.
PYTHON = os.environ.get("BXDISC_RECIPE_PYTHON") or shutil.which("python3") or sys.executable
Context = dict[str, Any]


# ---- the runner's request: recorded on GitHub, taken on GitLab ------------------

def try_stand_in(words: list[str]) -> int:
    """python3 -P -B -m bxdisc_try run, as bxdisc starts it, with its request on
    standard input: in GitHub's recipe the real run, recorded; in GitLab's,
    the recorded run of the same request, its results copied."""
    data = sys.stdin.buffer.read()
    request = json.loads(data)
    results = os.path.abspath(request["options"].pop("results"))
    del request["disc"]  # each job has its own checkout
    runs = Path(os.environ["BXDISC_RECIPE_RUNS"])
    if os.environ.get("BXDISC_RECIPE_REPLAY"):
        for path in sorted(runs.iterdir()):
            run = json.loads(path.read_text())
            if run["request"] == request:
                shutil.copytree(run["results"], results)
                print("ci_recipes: the results of GitHub's run of this request")
                return int(run["status"])
        print("ci_recipes: GitHub's recipe made no such request: %s" % json.dumps(request), file=sys.stderr)
        return 2
    status = subprocess.run([PYTHON, *words], input=data).returncode
    (runs / ("%d.json" % len(list(runs.iterdir())))).write_text(
        json.dumps({"request": request, "results": results, "status": status}))
    return status


# ---- a CI machine, here ---------------------------------------------------------

STAND_INS = {
    "install-deps.sh": """#!/bin/sh
# What it installs is installed here.
exit 0
""",
    "package.sh": """#!/bin/sh
# The native build given stands in for the release build, packaged as package.sh packages it.
set -e
cd "$(dirname "$0")/.."
mkdir -p build/package
for part in bin share windows-parts; do ln -s "$BXDISC_BUILT/$part" build/package/$part; done
cpack --config "$BXDISC_BUILT/CPackConfig.cmake" -G DEB -B build/package >/dev/null
rm -rf build/package/_CPack_Packages
ls build/package/bxdisc_*_amd64.deb
""",
}
SHIMS = {
    "apt-get": """#!/bin/sh
# A package given as a file is unpacked into the job's root; one given by name must be here.
set -e
[ "$1" = update ] && exit 0
[ "$1" = install ] || { echo "apt-get stand-in: no $1" >&2; exit 100; }
shift
for word in "$@"; do
  case $word in
    -y|-q|-qq|--no-install-recommends) ;;
    -*) echo "apt-get stand-in: no option $word" >&2; exit 100 ;;
    */*) dpkg-deb -x "$word" "$JOB_ROOT" ;;
    *) dpkg-query -W -f='${Status}' "$word" 2>/dev/null | grep -q 'install ok installed' ||
         { echo "apt-get stand-in: $word is not installed here" >&2; exit 100; } ;;
  esac
done
""",
    "dpkg": """#!/bin/sh
# The architecture is there; the rest (dpkg-shlibdeps asks) is dpkg's.
[ "$*" = "--add-architecture i386" ] && exit 0
exec "%s" "$@"
""" % shutil.which("dpkg"),
    "python3": """#!/bin/sh
if [ "$*" = "-P -B -m bxdisc_try run" ]; then exec "%(python)s" "%(me)s" --try-stand-in "$@"; fi
exec "%(python)s" "$@"
""" % {"python": PYTHON, "me": Path(__file__).resolve()},
}


class Machine:
    """Jobs' workspaces and roots, the artifacts between them, and what
    every step's environment holds."""

    def __init__(self, work: Path, built: Path, runs: Path, cache: Path) -> None:
        self.work, self.built = work, built
        self.artifacts: dict[str, Path] = {}
        shims = work / "shims"
        shims.mkdir()
        for name, text in SHIMS.items():
            (shims / name).write_text(text)
            (shims / name).chmod(0o755)
        self.env = dict(os.environ, BXDISC_BUILT=str(built), BXDISC_RECIPE_RUNS=str(runs), CI="true",
                        BXDISC_RECIPE_PYTHON=PYTHON,
                        XDG_CACHE_HOME=str(cache), PATH="%s:%s" % (shims, os.environ["PATH"]))
        self.env.pop("BXDISC_DATA", None)

    def job(self, name: str) -> tuple[Path, dict[str, str]]:
        """A new job's workspace and environment: its own root first on PATH."""
        folder = self.work / "jobs" / name
        (folder / "root" / "usr" / "bin").mkdir(parents=True)
        (folder / "workspace").mkdir()
        env = dict(self.env, JOB_ROOT=str(folder / "root"),
                   PATH="%s:%s" % (folder / "root" / "usr" / "bin", self.env["PATH"]))
        return folder / "workspace", env

    def checkout(self, workspace: Path) -> None:
        files = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z", "--cached", "--others",
                                "--exclude-standard"], capture_output=True, check=True).stdout
        for name in sorted(set(os.fsdecode(n) for n in files.split(b"\0") if n)):
            if os.path.lexists(ROOT / name):
                (workspace / name).parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(ROOT / name, workspace / name, follow_symlinks=False)
        for name, text in STAND_INS.items():
            (workspace / "scripts" / name).write_text(text)

    def run(self, script: str, words: list[str], workspace: Path, env: dict[str, str], what: str) -> None:
        path = workspace.parent / "step.sh"
        path.write_text(script)
        r = subprocess.run(words + [str(path)], cwd=workspace, env=env, capture_output=True, text=True,
                           timeout=1800)
        if r.returncode:
            raise AssertionError("%s: exit status %d\n%s\n%s%s" % (what, r.returncode, script, r.stdout, r.stderr))

    def keep(self, name: str, workspace: Path, paths: list[str], flat: bool) -> Path:
        """Files of the workspace kept as an artifact: by their paths from
        it (GitLab's), or GitHub's way, a folder's contents or the files
        themselves."""
        if name in self.artifacts:
            raise AssertionError("two artifacts named %s" % name)
        store = self.artifacts[name] = self.work / "artifacts" / name
        store.mkdir(parents=True)
        matched = [Path(p) for pattern in paths for p in sorted(workspace.glob(pattern.rstrip("/")))]
        if not matched:
            raise AssertionError("artifact %s: nothing matches %s" % (name, paths))
        for path in matched:
            relative = path.relative_to(workspace)
            target = store / (path.name if flat else relative)
            if flat and path.is_dir() and len(matched) == 1:
                target = store
            if path.is_dir():
                shutil.copytree(path, target, symlinks=True, dirs_exist_ok=True)
            else:
                target.parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(path, target)
        return store

    def fetch(self, name: str, target: Path) -> None:
        shutil.copytree(self.artifacts[name], target, symlinks=True, dirs_exist_ok=True)


def expand(text: str, context: Context) -> str:
    """GitHub's ${{ a.b }} in text; an expression the test does not know fails."""
    def value(match: re.Match[str]) -> str:
        found: Any = context
        for part in match.group(1).split("."):
            if not isinstance(found, dict) or part not in found:
                raise AssertionError("an expression this test does not know: " + match.group(0))
            found = found[part]
        return str(found)
    return re.sub(r"\$\{\{\s*([\w.-]+)\s*\}\}", value, text)


def load(name: str) -> dict[Any, Any]:
    import yaml
    with open(ROOT / "docs" / "ci" / name) as f:
        doc = yaml.safe_load(f)
    assert isinstance(doc, dict)
    return doc


def rows(page: Path) -> list[str]:
    return re.findall(r'<tr class="\w+" data-system="(\w+)">', page.read_text())


# ---- GitHub Actions ---------------------------------------------------------------

# The conditions the recipe may set: every step here runs.
GITHUB_CONDITIONS = ("always()", "${{ !cancelled() }}")


def github_actions(machine: Machine) -> None:
    doc = load("github-actions.yml")
    assert doc["defaults"]["run"]["shell"] == "bash"
    jobs: dict[str, Any] = doc["jobs"]
    done: list[str] = []
    while len(done) < len(jobs):
        name = next(n for n, job in jobs.items() if n not in done and
                    all(need in done for need in _listed(job.get("needs"))))
        job = jobs[name]
        container = job["container"]
        assert (container if isinstance(container, str) else container["image"]) == "debian:bookworm", name
        assert job.get("if", "always()") in GITHUB_CONDITIONS, job["if"]
        ((axis, values),) = job.get("strategy", {}).get("matrix", {"": [None]}).items()
        for index, value in enumerate(values):
            context = {"env": doc.get("env", {}), "matrix": {axis: value},
                       "strategy": {"job-index": index, "job-total": len(values)}}
            _github_job(machine, "github-%s-%d" % (name, index), job, doc, context)
        done.append(name)


def _listed(value: str | list[str] | None) -> list[str]:
    return [] if value is None else [value] if isinstance(value, str) else value


def _github_job(machine: Machine, name: str, job: dict[str, Any], doc: dict[str, Any], context: Context) -> None:
    workspace, env = machine.job(name)
    env.update(GITHUB_WORKSPACE=str(workspace), RUNNER_TEMP=str(workspace.parent),
               GITHUB_STEP_SUMMARY=str(workspace.parent / "summary.md"))
    for step in job["steps"]:
        assert step.get("if", "always()") in GITHUB_CONDITIONS, step["if"]
        given = {k: expand(str(v), context) for k, v in step.get("with", {}).items()}
        if "uses" in step:
            action = step["uses"].split("@")[0]
            if action not in GITHUB_ACTIONS:
                raise AssertionError("%s: an action this test has no stand-in for: %s" % (name, step["uses"]))
            GITHUB_ACTIONS[action](machine, workspace, given)
        else:
            step_env = dict(env, **{k: str(v) for k, v in {**doc.get("env", {}), **job.get("env", {}),
                                                             **step.get("env", {})}.items()})
            machine.run(expand(step["run"], context), ["bash", "--noprofile", "--norc", "-eo", "pipefail"],
                        workspace, step_env, "%s: %s" % (name, step.get("name", step["run"])))


def _upload(machine: Machine, workspace: Path, given: dict[str, str]) -> None:
    machine.keep(given["name"], workspace, given["path"].split(), flat=True)


def _download(machine: Machine, workspace: Path, given: dict[str, str]) -> None:
    target = workspace / given.get("path", ".")
    if "name" in given:
        machine.fetch(given["name"], target)
        return
    names = [n for n in machine.artifacts if fnmatch.fnmatchcase(n, given["pattern"])]
    assert names, "no artifact matches " + given["pattern"]
    for name in names:
        machine.fetch(name, target if given.get("merge-multiple") == "true" else target / name)


def _upload_sarif(machine: Machine, workspace: Path, given: dict[str, str]) -> None:
    log = json.loads((workspace / given["sarif_file"]).read_text())
    assert (log["version"], log["runs"][0]["tool"]["driver"]["name"]) == ("2.1.0", "bxdisc"), log


def _junit_report(machine: Machine, workspace: Path, given: dict[str, str]) -> None:
    assert ET.parse(workspace / given["report_paths"]).getroot().tag == "testsuite"


GITHUB_ACTIONS: dict[str, Callable[[Machine, Path, dict[str, str]], None]] = {
    "actions/checkout": lambda machine, workspace, given: machine.checkout(workspace),
    "actions/upload-artifact": _upload,
    "actions/download-artifact": _download,
    "github/codeql-action/upload-sarif": _upload_sarif,
    "mikepenz/action-junit-report": _junit_report,
}


# ---- GitLab CI/CD -------------------------------------------------------------------

def gitlab_ci(machine: Machine) -> None:
    """Every job, as on the default branch, stage after stage."""
    doc = load("gitlab-ci.yml")
    assert doc["default"]["image"] == "debian:bookworm"
    jobs = {name: job for name, job in doc.items() if isinstance(job, dict) and "script" in job}
    ran: dict[str, list[str]] = {}
    for stage in doc["stages"]:
        for name, job in jobs.items():
            if job["stage"] != stage:
                continue
            needs = job.get("needs", [n for n, j in jobs.items() if doc["stages"].index(j["stage"])
                                      < doc["stages"].index(stage)])
            total = job.get("parallel", 1)
            for index in range(1, total + 1):
                instance = "gitlab-%s-%d" % (name, index)
                workspace, env = machine.job(instance)
                machine.checkout(workspace)
                for need in needs:
                    for artifact in ran.get(need, []):
                        machine.fetch(artifact, workspace)
                env.update({k: str(v) for k, v in {**doc.get("variables", {}), **job.get("variables", {})}.items()})
                env.update(CI_PROJECT_DIR=str(workspace), CI_COMMIT_BRANCH="main", CI_DEFAULT_BRANCH="main")
                if "parallel" in job:
                    env.update(CI_NODE_INDEX=str(index), CI_NODE_TOTAL=str(total))
                script = "\n".join(doc.get("default", {}).get("before_script", []) + job["script"]) + "\n"
                machine.run(script, ["bash", "-eo", "pipefail"], workspace, env, instance)
                artifacts = job.get("artifacts", {})
                paths = [_variables(p, env) for p in artifacts.get("paths", [])]
                if paths:
                    machine.keep(instance, workspace, paths, flat=False)
                    ran.setdefault(name, []).append(instance)
                junit = artifacts.get("reports", {}).get("junit")
                if junit:
                    assert junit in artifacts["paths"], "the JUnit report is an artifact too"
                    assert ET.parse(workspace / junit).getroot().tag == "testsuite"
                if name == "pages":
                    assert (workspace / "public" / "index.html").is_file()


def _variables(text: str, env: dict[str, str]) -> str:
    """GitLab's $NAME and ${NAME} in text."""
    def value(match: re.Match[str]) -> str:
        return env[match.group(1) or match.group(2)]
    return re.sub(r"\$(\w+)|\$\{(\w+)\}", value, text)


# ---- the test -----------------------------------------------------------------------

class RecipesTest(unittest.TestCase):
    """GitHub's recipe first: GitLab's takes its shards' runs."""
    tmp: tempfile.TemporaryDirectory[str]
    machine: Machine

    @classmethod
    def setUpClass(cls) -> None:
        built = Path(sys.argv[1]).resolve()
        cls.tmp = tempfile.TemporaryDirectory(prefix="bxdisc-recipes-")
        cls.addClassCleanup(cls.tmp.cleanup)
        work = Path(cls.tmp.name)
        for folder in ("runs", "cache"):
            (work / folder).mkdir()
        cls.machine = Machine(work, built, work / "runs", work / "cache")

    def test_the_stand_ins_build_where_the_scripts_build(self) -> None:
        # The package's tree, where the recipes find bxdisc and the demo's parts.
        self.assertIn("-B build/package", (ROOT / "scripts" / "package.sh").read_text())
        self.assertIn("ls build/package/bxdisc_*_amd64.deb", (ROOT / "scripts" / "package.sh").read_text())

    def test_x_github_actions(self) -> None:
        github_actions(self.machine)
        page = self.machine.artifacts["try-page"]
        junit = ET.parse(self.machine.artifacts["try-junit"] / "try.xml").getroot()
        systems = [str(case.get("name")) for case in junit.iter("testcase")]
        self.assertGreaterEqual(len(systems), 9)
        self.assertEqual(("0", "0"), (junit.get("failures"), junit.get("errors")))
        self.assertEqual(systems, rows(page / "index.html"))
        self.assertEqual(sorted(s + ".png" for s in systems),
                         sorted(p.name for p in page.iterdir() if p.suffix == ".png"))
        self.assertEqual(3, len(list((self.machine.work / "runs").iterdir())))

    def test_y_gitlab_ci(self) -> None:
        if "try-page" not in self.machine.artifacts:
            self.skipTest("GitHub's recipe did not run to its end")
        self.machine.env["BXDISC_RECIPE_REPLAY"] = "1"
        gitlab_ci(self.machine)
        # The same runs merged by each recipe: the same page and report.
        report = self.machine.artifacts["gitlab-report-1"]
        self.assertEqual((self.machine.artifacts["try-page"] / "index.html").read_bytes(),
                         (report / "public" / "index.html").read_bytes())
        self.assertEqual((self.machine.artifacts["try-junit"] / "try.xml").read_bytes(),
                         (report / "try.xml").read_bytes())


if __name__ == "__main__":
    if sys.argv[1:2] == ["--try-stand-in"]:
        sys.exit(try_stand_in(sys.argv[2:]))
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
