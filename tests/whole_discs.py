"""Discs that fail bxdisc try --whole in one known way, made from a laid-out
demo disc (scripts/demo-disc.sh): each is the demo disc with one part
changed, so that the rest of its life still passes.

- refusing_disc: its package refuses Windows before 2000 (95, 98, Me, NT 4)
  with REFUSAL, through the installer's launch condition.
- stuck_disc: its setup program (tests/tools/stucksetup.c) never gets past
  its second dialog, STUCK_DIALOG, whose Next does nothing.

Both need msitools (wixl, msiextract), as the demo disc does."""
from __future__ import annotations

import shutil
import subprocess
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PACKAGE = "BrindleDemo.msi"
REFUSAL = "Brindle Demo needs Windows 2000 or later."
REFUSING_SYSTEMS = ("win95", "win98", "winme", "nt40")
STUCK_SETUP = "StuckSetup.exe"
STUCK_DIALOG = "Choose a folder"
# What the installer says of a package whose launch condition is false
# (ERROR_INSTALL_FAILURE: a launch condition ends the install as a failure).
REFUSED_CODE = 1603


def copy_disc(demo: Path, target: Path) -> Path:
    """The demo disc copied to TARGET, which must not exist yet."""
    shutil.copytree(demo, target, symlinks=True)
    return target


def refusing_disc(demo: Path, target: Path) -> Path:
    """The demo disc whose package holds a launch condition: VersionNT >= 500.
    VersionNT is unset on 95, 98 and Me and 400 on NT 4, so msi refuses
    there. The package is built again from demo/BrindleDemo.wxs around the
    product that the demo's own package carries."""
    target = copy_disc(demo, target).resolve()  # wixl runs in another folder
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        subprocess.run(["msiextract", "-C", str(work), str(demo / PACKAGE)], check=True, capture_output=True)
        # wixl takes sources relative to its folder only.
        product = next(work.rglob("BrindleDemo.exe")).relative_to(work)
        wxs = (ROOT / "demo" / "BrindleDemo.wxs").read_text()
        package = wxs.find("<Package ")
        cut = wxs.index("/>", package) + 2
        condition = f'\n    <Condition Message="{REFUSAL}">VersionNT &gt;= 500</Condition>'
        (work / "refusing.wxs").write_text(wxs[:cut] + condition + wxs[cut:])
        subprocess.run(["wixl", "-D", f"Program={product}", "-o", str(target / PACKAGE), "refusing.wxs"],
                       cwd=work, check=True, capture_output=True)
    return target


def stuck_disc(demo: Path, target: Path, tools: Path) -> Path:
    """The demo disc whose SetupExe is the stuck setup program (TOOLS: the
    cross build's tests/tools) in place of DemoSetup.exe."""
    copy_disc(demo, target)
    (target / "DemoSetup.exe").unlink()
    shutil.copy(tools / "stucksetup.exe", target / STUCK_SETUP)
    inf = target / "Autorun.inf"
    text = inf.read_bytes()
    if b"SetupExe=DemoSetup.exe" not in text:
        raise ValueError(f"{inf}: no SetupExe=DemoSetup.exe to replace")
    inf.write_bytes(text.replace(b"SetupExe=DemoSetup.exe", b"SetupExe=" + STUCK_SETUP.encode()))
    return target
