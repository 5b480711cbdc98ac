#!/usr/bin/env bash
# Builds the launcher, lays out the demo disc and runs the launcher on it
# under Wine, the way a disc's automatic start would (setup.exe /autorun).
# With a $DISPLAY the window shows there; without one it runs under Xvfb and
# a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" = 0 ]; then
  scripts/install-deps.sh
fi

cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
ninja -C build/win32 setup DemoSetup >/dev/null

# The disc authoring kit makes the artwork, then checks the disc, previews
# its front window and makes its image; all before Wine is involved.
cmake -S . -B build/native -G Ninja >/dev/null
ninja -C build/native bxdisc >/dev/null

disc=$root/build/demo-disc
rm -rf "$disc" && mkdir -p "$disc"
cp build/win32/setup.exe build/win32/demo/DemoSetup.exe demo/Autorun.inf "$disc/"
# The artwork from an ordinary PNG and the buttons' labels: one palette for
# both bitmaps, named in the disc's Autorun.inf.
python3 demo/make_backdrop.py build/demo-backdrop.png
build/native/kit/bxdisc art "$disc" --backdrop build/demo-backdrop.png --background 081030 \
    --labels 'Run|Setup again|Install|Exit' --face 150x36 --accent 2858A8 --update-inf
# The package tells the launcher whether the demo product is installed.
(cd build/win32/demo && wixl -D Program=DemoSetup.exe -o "$disc/BrindleDemo.msi" \
   "$root/demo/BrindleDemo.wxs" 2>/dev/null)

build/native/kit/bxdisc check "$disc"
build/native/kit/bxdisc preview "$disc" build/demo-preview.png
build/native/kit/bxdisc preview "$disc" build/demo-preview-installed.png --installed
build/native/kit/bxdisc preview "$disc" build/demo-faces.png --state all
build/native/kit/bxdisc image "$disc" build/demo-disc.iso --label BRINDLE_DEMO
echo "disc check clean; previews: build/demo-preview.png, build/demo-preview-installed.png," \
     "every face: build/demo-faces.png; image: build/demo-disc.iso"
echo "demo disc: $disc"
ls -l "$disc"

export WINEPREFIX=$root/build/demo-prefix WINEARCH=win32 WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating a Wine prefix (once)..."
  wineboot -i >/dev/null 2>&1
  # What it leaves running knows no display; the launcher's run starts afresh.
  wineserver -k 2>/dev/null || true
fi
ln -sfn "$disc" "$WINEPREFIX/dosdevices/d:"

if [ -n "${DISPLAY:-}" ]; then
  cd "$disc" && exec wine 'D:\setup.exe' /autorun
fi

# Headless: our own Xvfb, a screenshot of what the launcher shows, then end it.
# Xvfb picks a free display and writes its number once it is ready.
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null || true; rm -f "$numberfile"' EXIT
for _ in $(seq 1 100); do [ -s "$numberfile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$numberfile")
(cd "$disc" && wine 'D:\setup.exe' /autorun) &
launcher=$!
shot=$root/build/demo-screenshot.png
# The front window's caption is the disc's ProductName. The shot is taken
# once its backdrop shows, however long a first start in a new prefix takes
# (minutes where Wine runs emulated).
title=$(sed -n 's/^ProductName=//p' demo/Autorun.inf | tr -d '\r')
backdrop=$(sed -n 's/^AutorunBackdrop=//p' demo/Autorun.inf | tr -d '\r')
python3 scripts/front_window_shot.py "$title" "$disc/$backdrop" "$shot" --timeout 600
wineserver -k 2>/dev/null || true
wait $launcher 2>/dev/null || true
