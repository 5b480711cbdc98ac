# Sourced by install-deps.sh after apt-tolerant.sh: Wine's 32-bit programs
# on a kernel that runs no IA-32 code, under qemu-user's i386 emulator,
# registered through binfmt_misc. It must be version 9 or later (Debian
# 12's own 7.2 cannot map Wine's shared user data): Debian 13 has 10.0 in
# its own suite, Debian 12 in bookworm-backports. The registration does not
# survive a reboot, so it is redone on every run.

: "${WINE32:=/usr/lib/wine/wine}"
: "${APT_ETC:=/etc/apt}"
: "${BINFMT:=/proc/sys/fs/binfmt_misc}"
qemu_interp=/usr/libexec/qemu-binfmt/i386-binfmt-P

runs_32bit() { "$WINE32" --version >/dev/null 2>&1; }

register_qemu() {
  [ -x "$qemu_interp" ] || return 1
  mountpoint -q "$BINFMT" || mount -t binfmt_misc binfmt_misc "$BINFMT"
  [ -e "$BINFMT/qemu-i386" ] && echo -1 >"$BINFMT/qemu-i386"
  # i386 ELF executables and shared objects; F opens the emulator now, so the
  # entry works inside other mount namespaces too.
  printf '%s' ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu_interp"':OPF' \
    >"$BINFMT/register"
}

# Whether VERSION (a Debian version, epoch and all) is 9 or later.
qemu_version_enough() {
  [ -n "$1" ] && [ "$1" != "(none)" ] && dpkg --compare-versions "${1#*:}" ge 9
}

qemu_new_enough() {
  qemu_version_enough "$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null)"
}

# The suite to take qemu-user from: empty for the release's own, where its
# candidate is new enough; else the release's backports.
qemu_suite() {
  local candidate
  candidate=$(apt-cache policy qemu-user 2>/dev/null | sed -n 's/^ *Candidate: *//p' | head -n 1)
  if qemu_version_enough "$candidate"; then
    echo ""
  else
    echo "$(apt_release)-backports"
  fi
}

# Adds SUITE from the archive the machine's own Debian source uses, rather
# than naming a mirror here; kept when some source already names it.
add_suite_source() {
  local suite=$1 uri
  grep -qs -- "$suite" "$APT_ETC"/sources.list "$APT_ETC"/sources.list.d/* && return 0
  uri=$( { grep -hs '^URIs:' "$APT_ETC"/sources.list.d/*.sources | awk '{print $2}'
           grep -hs '^deb ' "$APT_ETC"/sources.list "$APT_ETC"/sources.list.d/*.list |
             sed 's/\[[^]]*\]//' | awk '{print $2}'; } |
         grep -E '/debian/?$' | head -n 1 || true)
  if [ -z "$uri" ]; then
    echo "install-deps: no Debian archive among the apt sources in $APT_ETC; cannot add $suite" >&2
    return 1
  fi
  cat >"$APT_ETC/sources.list.d/$suite.sources" <<EOF
Types: deb
URIs: $uri
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# qemu-user 9 or later, from the release's own suite where it is new
# enough, else from its backports.
install_qemu_user() {
  local suite
  suite=$(qemu_suite)
  if [ -z "$suite" ]; then
    echo "this kernel runs no 32-bit programs: installing qemu-user for Wine"
    apt_install --no-install-recommends qemu-user
    return
  fi
  echo "this kernel runs no 32-bit programs: installing qemu-user from $suite for Wine"
  add_suite_source "$suite" || return 1
  apt_update
  apt_install --no-install-recommends "qemu-user/$suite"
}
