#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Quiet and quick when everything is already there.
set -euo pipefail

need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev valgrind
      g++-mingw-w64-i686 binutils-mingw-w64-i686
      wine wine32:i386 xvfb wixl msitools xdotool imagemagick python3
      pkg-config libmsi-dev libglib2.0-dev libpng-dev xorriso)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
