#!/usr/bin/env bash
# Builds the launcher, lays out the demo disc and runs the launcher on it
# under Wine with bxdisc try, the way a disc's automatic start would
# (setup.exe /autorun). With a $DISPLAY the window shows there; without one
# it runs under Xvfb, Install is clicked and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" = 0 ]; then
  scripts/install-deps.sh
fi

cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
# The launcher, the demo's setup program, and the Wine runner's programs that
# bxdisc try runs it with (the driver, the recorder, the package query and
# the stand-ins of the system's automation library).
ninja -C build/win32 setup DemoSetup uidriver recstub msiquery verdll400 verdll350 >/dev/null

# The disc authoring kit makes the artwork, then checks the disc, previews
# its front window and makes its image; all before Wine is involved.
cmake -S . -B build/native -G Ninja >/dev/null
ninja -C build/native bxdisc >/dev/null
bxdisc=build/native/bin/bxdisc

disc=$root/build/demo-disc
rm -rf "$disc" && mkdir -p "$disc"
cp build/win32/setup.exe build/win32/demo/DemoSetup.exe demo/Autorun.inf "$disc/"
# The update folder for Windows 95 and 98: the Wine runner's version-only
# stand-in of the automation library (Microsoft's own is not ours to ship).
mkdir -p "$disc/OLE9X" && cp build/win32/winerunner/verdll350.dll "$disc/OLE9X/OLEAUT32.DLL"
# The artwork from an ordinary PNG and the buttons' labels: one palette for
# both bitmaps, named in the disc's Autorun.inf.
python3 demo/make_backdrop.py build/demo-backdrop.png
"$bxdisc" art "$disc" --backdrop build/demo-backdrop.png --background 081030 \
    --labels 'Run|Setup again|Install|Exit' --face 150x36 --accent 2858A8 --update-inf
# The package tells the launcher whether the demo product is installed.
(cd build/win32/demo && wixl -D Program=DemoSetup.exe -o "$disc/BrindleDemo.msi" \
   "$root/demo/BrindleDemo.wxs" 2>/dev/null)

"$bxdisc" check "$disc"
"$bxdisc" preview "$disc" build/demo-preview.png
"$bxdisc" preview "$disc" build/demo-preview-installed.png --installed
"$bxdisc" preview "$disc" build/demo-faces.png --state all
"$bxdisc" image "$disc" build/demo-disc.iso --label BRINDLE_DEMO
echo "disc check clean; previews: build/demo-preview.png, build/demo-preview-installed.png," \
     "every face: build/demo-faces.png; image: build/demo-disc.iso"
echo "demo disc: $disc"
ls -l "$disc"

# The launcher itself, on emulated Windows in a throwaway Wine prefix: with a
# display, there for you to click; without one, on a private Xvfb, clicking
# Install, with a screenshot of the front window.
if [ -n "${DISPLAY:-}" ]; then
  exec "$bxdisc" try "$disc" --show
fi
"$bxdisc" try "$disc" --click install --screenshot build/demo-screenshot.png
