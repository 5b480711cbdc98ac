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
failed=0
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  mkdir -p "$corpus"
  log=build/fuzz/$t.log
  if build/fuzz/tests/fuzz/${t}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=build/fuzz/crashes/${t}- "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    stats=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -E 's/^#([0-9]+)\s+\w+\s+cov: ([0-9]+) ft: ([0-9]+).*/\1 runs, coverage \2 edges, \3 features/')
    echo "fuzz $t: ok: $stats"
  else
    failed=1
    echo "fuzz $t: FAILED (see $log)"
    grep -E 'ERROR|SUMMARY|#[0-9]+ 0x' "$log" | head -15
  fi
done
exit $failed
