#!/usr/bin/env bash
# Builds bxdisc's Debian package, build/package/bxdisc_VERSION_amd64.deb:
# the release build of both halves (see install.sh) with Debian's hardening
# flags for the native tool, packaged by CPack. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
# Given on the command line, not in the environment, so that they stay off
# the cross build of the launcher, which has no C runtime to harden.
flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now" >/dev/null
cmake --build build/package >/dev/null
(cd build/package && cpack -G DEB >/dev/null)
ls build/package/bxdisc_*_amd64.deb
