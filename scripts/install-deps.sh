#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 (bookworm) or 13
# (trixie) machine (run as root): package names that both releases have.
# Quiet and quick when everything is already there.
#
# Wine's 32-bit programs need a kernel that runs IA-32 code. Where it does not
# (IA-32 emulation switched off), they run under qemu-user's i386 emulator
# (qemu-user.sh).
set -euo pipefail

need=(cmake ninja-build g++ clang libclang-rt-dev libgtest-dev valgrind
      g++-mingw-w64-i686 binutils-mingw-w64-i686
      wine wine32:i386 xvfb wixl msitools imagemagick python3
      pkg-config libmsi-dev libglib2.0-dev libpng-dev xorriso
      libcairo2-dev libpango1.0-dev libimagequant-dev libjpeg-dev fonts-dejavu-core
      dpkg-dev lintian bubblewrap xserver-xephyr osslsigncode openssl nlohmann-json3-dev
      chromium chromium-driver python3-selenium mypy python3-jsonschema python3-yaml fiu-utils
      e2fsprogs)
# Node.js may come from elsewhere (NodeSource's nodejs carries its own npm and
# conflicts with Debian's): any npm on PATH will do.
command -v npm >/dev/null || need+=(npm)

export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/apt-tolerant.sh"
. "$(dirname "$0")/qemu-user.sh"

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
  apt_install "${missing[@]}"
fi

runs_32bit && exit 0
if qemu_new_enough && register_qemu && runs_32bit; then
  exit 0
fi
install_qemu_user
if ! register_qemu || ! runs_32bit; then
  echo "install-deps: $WINE32 still does not run under qemu-user's i386 emulator" >&2
  exit 1
fi
