#!/usr/bin/env bash
# The Debian package as a user gets it: built, judged by lintian, unpacked
# into a scratch root, and its bxdisc run where the checkout cannot be seen
# (bubblewrap mounts an empty folder over it): new, the two settings filled,
# art, check, preview, image and try. Prints the transcript.
#   tests/install/installed_run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
checkout=$PWD

deb=$(bash scripts/package.sh)
echo "== $deb"
dpkg -c "$deb" | awk '{print $1, $6}'
echo "== lintian"
lintian "$deb" 2>&1 | grep -v '^running with root privileges' | tee build/package/lintian.txt || true
if grep -q '^[EW]:' build/package/lintian.txt; then
  echo "lintian has errors or warnings" >&2
  exit 1
fi

scratch=$(mktemp -d /tmp/bxdisc-installed-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
work=$scratch/work
mkdir -p "$root" "$work/payload"
dpkg -x "$deb" "$root"
# The disc's product: the demo's setup program and its package.
cp build/package/windows-parts/demo/DemoSetup.exe "$work/payload/"
(cd build/package/windows-parts/demo &&
 wixl -D Program=BrindleDemo.exe -o "$work/payload/BrindleDemo.msi" "$checkout/demo/BrindleDemo.wxs" 2>/dev/null)
python3 demo/make_backdrop.py "$work/payload/backdrop.png"

cat >"$work/run.sh" <<'SCRIPT'
set -euxo pipefail
cd "$WORK"
bxdisc=$ROOT/usr/bin/bxdisc
$bxdisc --version
$bxdisc new disc --product "Brindle Demo"
$bxdisc check disc || echo "check: exit $? (the two settings still to fill)"
cp payload/DemoSetup.exe payload/BrindleDemo.msi disc/
sed -i 's/^SetupExe=\r$/SetupExe=DemoSetup.exe\r/; s/^SetupMSI=\r$/SetupMSI=BrindleDemo.msi\r/' disc/Autorun.inf
rm disc/README.txt
$bxdisc art disc --backdrop payload/backdrop.png --background 081030 --update-inf
$bxdisc check disc
$bxdisc preview disc front.png
SOURCE_DATE_EPOCH=1700000000 $bxdisc image disc disc.iso --label BRINDLE_DEMO
$bxdisc try disc --click install --screenshot shot.png
SCRIPT
# The host's own /proc and /dev, so that try's sandbox can be made inside this one.
bwrap --ro-bind / / --dev-bind /dev /dev --bind /proc /proc --tmpfs /tmp --tmpfs "$checkout" \
      --bind "$scratch" "$scratch" --die-with-parent \
      --setenv ROOT "$root" --setenv WORK "$work" --setenv XDG_CACHE_HOME "$work/cache" \
      bash "$work/run.sh"
test -s "$work/disc.iso" && test -s "$work/shot.png" && test -s "$work/front.png"
echo "installed run: passed"
