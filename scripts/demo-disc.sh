#!/usr/bin/env bash
# Lays out the demo disc from a built bxdisc:
#   scripts/demo-disc.sh BUILD DISC
# BUILD is a native build tree (build/native, or install.sh's build/release
# or package.sh's build/package): its bxdisc, the launcher and the Wine
# runner's stand-in DLL in its share/bxdisc, and the demo's setup program
# from its cross build, with the product its package installs. DISC is made
# anew.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -ne 2 ]; then
  echo "usage: scripts/demo-disc.sh BUILD DISC" >&2
  exit 2
fi
build=$(realpath "$1")
disc=$(realpath -m "$2")
bxdisc=$build/bin/bxdisc
data=$build/share/bxdisc
demo=$build/windows-parts/demo

rm -rf "$disc" && mkdir -p "$disc"
cp "$data/setup.exe" "$demo/DemoSetup.exe" demo/Autorun.inf "$disc/"
# The update folder for Windows 95 and 98: the Wine runner's version-only
# stand-in of the automation library (Microsoft's own is not ours to ship).
mkdir -p "$disc/OLE9X" && cp "$data/winerunner/verdll350.dll" "$disc/OLE9X/OLEAUT32.DLL"
# The artwork from an ordinary PNG and the buttons' labels: one palette for
# both bitmaps, named in the disc's Autorun.inf.
backdrop=$(mktemp --suffix=.png)
trap 'rm -f "$backdrop"' EXIT
python3 demo/make_backdrop.py "$backdrop"
"$bxdisc" art "$disc" --backdrop "$backdrop" --background 081030 \
    --labels 'Run|Setup again|Install|Exit' --face 150x36 --accent 2858A8 --update-inf
# The package installs the demo product, and tells the launcher whether it
# is installed; the product itself is on the disc only inside it.
wxs=$PWD/demo/BrindleDemo.wxs
(cd "$demo" && wixl -D Program=BrindleDemo.exe -o "$disc/BrindleDemo.msi" "$wxs" 2>/dev/null)
