#!/usr/bin/env bash
# Builds bxdisc with both its halves and installs them:
#   scripts/install.sh [PREFIX]        (default /usr/local; DESTDIR is honoured)
# One CMake build does it all: the native tool, and as a step of it a cross
# build of the launcher and the Wine runner's Windows-side programs (one
# CMake build has one compiler), installed into its tree and from there to
# PREFIX.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:-/usr/local}
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build build/release
cmake --install build/release --strip
