#!/usr/bin/env bash
# Builds the launcher, lays out the demo disc and runs the launcher on it
# under Wine with bxdisc try, the way a disc's automatic start would
# (setup.exe /autorun). With a $DISPLAY the window shows there; without one
# it runs under Xvfb through the disc's whole life (try --whole: installed,
# started, started again, uninstalled), a picture saved at each step.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" = 0 ]; then
  scripts/install-deps.sh
fi

# The disc authoring kit, with the launcher, the demo's setup program and
# the Wine runner's programs cross-built into it as a step of its build; it
# makes the artwork, then checks the disc, previews its front window and
# makes its image, all before Wine is involved.
cmake -S . -B build/native -G Ninja >/dev/null
ninja -C build/native bxdisc >/dev/null
bxdisc=build/native/bin/bxdisc

disc=$root/build/demo-disc
scripts/demo-disc.sh build/native "$disc"
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
# display, there for you to click; without one, on a private Xvfb, the disc's
# whole life with a picture of each step (build/demo-screenshot-NN.png).
if [ -n "${DISPLAY:-}" ]; then
  exec "$bxdisc" try "$disc" --show
fi
"$bxdisc" try "$disc" --whole --screenshot build/demo-screenshot.png
