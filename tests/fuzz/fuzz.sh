#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while:
#   tests/fuzz/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# The test command runs it briefly; run it for longer by hand, e.g. 3600.
# Seeds come from tests/fuzz/corpus/<name>/; what a run learns stays in
# build/fuzz/corpus/<name>/. A crash leaves its input in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true

cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DBX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/fuzz >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" _fuzz.cpp)"); done
fi

mkdir -p build/fuzz/crashes

# One target's run; its verdict in build/fuzz/<name>.verdict.
fuzz_one() {
  local t=$1 corpus=build/fuzz/corpus/$1 log=build/fuzz/$1.log
  rm -f "build/fuzz/$t.verdict"
  mkdir -p "$corpus"
  if build/fuzz/tests/fuzz/${t}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=build/fuzz/crashes/${t}- "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    stats=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -E 's/^#([0-9]+)\s+\w+\s+cov: ([0-9]+) ft: ([0-9]+).*/\1 runs, coverage \2 edges, \3 features/')
    echo "fuzz $t: ok: $stats" >"build/fuzz/$t.verdict"
  else
    { echo "fuzz $t: FAILED (see $log)"; grep -E 'ERROR|SUMMARY|#[0-9]+ 0x' "$log" | head -15; } \
      >"build/fuzz/$t.verdict"
  fi
}

# As many targets at once as there are cores: the time given is each one's.
jobs=$(nproc)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  fuzz_one "$t" &
done
wait

failed=0
for t in "${targets[@]}"; do
  cat "build/fuzz/$t.verdict"
  grep -q ': ok: ' "build/fuzz/$t.verdict" || failed=1
done
exit $failed
