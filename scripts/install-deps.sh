#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Quiet and quick when everything is already there.
#
# Wine's 32-bit programs need a kernel that runs IA-32 code. Where it does not
# (IA-32 emulation switched off), they run under qemu-user's i386 emulator,
# registered through binfmt_misc: version 9 or later, from bookworm-backports
# (bookworm's own 7.2 cannot map Wine's shared user data). The registration
# does not survive a reboot, so it is redone on every run.
set -euo pipefail

need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev valgrind
      g++-mingw-w64-i686 binutils-mingw-w64-i686
      wine wine32:i386 xvfb wixl msitools imagemagick python3
      pkg-config libmsi-dev libglib2.0-dev libpng-dev xorriso
      libcairo2-dev libpango1.0-dev libimagequant-dev libjpeg-dev fonts-dejavu-core
      dpkg-dev lintian bubblewrap xserver-xephyr osslsigncode openssl nlohmann-json3-dev
      chromium chromium-driver python3-selenium mypy python3-yaml)

export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/apt-tolerant.sh"

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

wine32=/usr/lib/wine/wine
runs_32bit() { "$wine32" --version >/dev/null 2>&1; }
runs_32bit && exit 0

interp=/usr/libexec/qemu-binfmt/i386-binfmt-P
binfmt=/proc/sys/fs/binfmt_misc

register_qemu() {
  [ -x "$interp" ] || return 1
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
  [ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
  # i386 ELF executables and shared objects; F opens the emulator now, so the
  # entry works inside other mount namespaces too.
  printf '%s' ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$interp"':OPF' \
    >"$binfmt/register"
}

qemu_new_enough() {
  local v
  v=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || return 1
  dpkg --compare-versions "${v#*:}" ge 9
}

if qemu_new_enough && register_qemu && runs_32bit; then
  exit 0
fi

echo "this kernel runs no 32-bit programs: installing qemu-user from bookworm-backports for Wine"
# The backports suite lives on the same archive as the machine's own Debian
# source; take its address from there rather than naming a mirror here.
uri=$( { grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}'
         grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
           sed 's/\[[^]]*\]//' | awk '{print $2}'; } |
       grep -E '/debian/?$' | head -n 1 || true)
if [ -z "$uri" ]; then
  echo "install-deps: no Debian archive among the apt sources; cannot add bookworm-backports" >&2
  exit 1
fi
list=/etc/apt/sources.list.d/bookworm-backports.sources
if ! grep -qs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
  cat >"$list" <<EOF
Types: deb
URIs: $uri
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi
apt_update
apt_install --no-install-recommends qemu-user/bookworm-backports

if ! register_qemu || ! runs_32bit; then
  echo "install-deps: $wine32 still does not run under qemu-user's i386 emulator" >&2
  exit 1
fi
