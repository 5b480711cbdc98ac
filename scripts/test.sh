#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native unit
# tests (plain, under valgrind, under ASan/UBSan), a bounded fuzz run of
# every parser, and the cross-built launcher's checks and end-to-end suites
# under Wine, then the Debian package as a user gets it. FUZZ_SECONDS sets
# the fuzzing time per target.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then
  scripts/install-deps.sh
fi

jobs=$(nproc)

echo "== native build and unit tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/native-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBX_SANITIZE=ON -DBXDISC_WINDOWS_PARTS=OFF >/dev/null
ninja -C build/native-asan -j "$jobs"
ctest --test-dir build/native-asan --output-on-failure -j "$jobs" -E memcheck

echo "== bounded fuzzing (${FUZZ_SECONDS:-30} s a target)"
tests/fuzz/fuzz.sh "${FUZZ_SECONDS:-30}"

echo "== cross build: setup.exe and the Windows-side test tools"
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
ninja -C build/win32 -j "$jobs"
ls -l build/win32/setup.exe
ctest --test-dir build/win32 --output-on-failure

echo "== the Debian package, installed and run with the checkout out of sight"
tests/install/installed_run.sh
