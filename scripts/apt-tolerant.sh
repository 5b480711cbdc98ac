# Sourced by install-deps.sh: apt-get update and install that get through a
# bad hour of the archive. A mirror being synced can serve one index of the
# wrong size for an hour; update then exits 100 although every other index
# is fresh, and install without that index can mix suites (amd64 libraries
# from the security suite whose i386 twins stay at the release's).
# Nothing here is written into the machine's apt configuration: the
# fallback prefers the release's suite for the one install command only.

# Seconds between tries of apt-get update; tests set 0.
: "${APT_RETRY_DELAY:=5}"
: "${APT_UPDATE_TRIES:=3}"
: "${APT_OS_RELEASE:=/etc/os-release}"

# Whether the last apt_update failed, and the indexes it could not fetch,
# one per line.
apt_update_failed=0
apt_failed_indexes=""

# The release's own suite: bookworm on Debian 12. The file is read, not
# sourced: nothing in it runs.
apt_release() {
  local codename=""
  if [ -r "$APT_OS_RELEASE" ]; then
    codename=$(sed -n 's/^VERSION_CODENAME=//p' "$APT_OS_RELEASE" | head -n 1 | tr -d "\"'")
  fi
  echo "${codename:-bookworm}"
}

# apt-get update, tried again a few times; goes on with the indexes it has,
# naming those it could not fetch.
apt_update() {
  local try out
  apt_update_failed=0
  apt_failed_indexes=""
  for ((try = 1; try <= APT_UPDATE_TRIES; try++)); do
    if out=$(apt-get update -qq 2>&1); then
      return 0
    fi
    [ "$try" -lt "$APT_UPDATE_TRIES" ] && sleep "$((APT_RETRY_DELAY * try))"
  done
  apt_update_failed=1
  apt_failed_indexes=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' <<<"$out")
  if [ -z "$apt_failed_indexes" ]; then
    echo "$out" >&2
    echo "install-deps: apt-get update failed $APT_UPDATE_TRIES times; going on with the indexes apt already has" >&2
  else
    echo "install-deps: apt-get update still fails after $APT_UPDATE_TRIES tries on:" >&2
    sed 's/^/  /' <<<"$apt_failed_indexes" >&2
    echo "install-deps: going on without it (the archive's mirror is probably being synced)" >&2
  fi
}

# apt-get install ARGS...; when that fails after an incomplete update, once
# more preferring the release's own suite, and only then a stop that names
# the failed index. After a whole update the preference would only pass
# over the security suite's fixes, so it is not tried.
apt_install() {
  local log release absent
  log=$(mktemp)
  if apt-get install -y -qq "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  if [ "$apt_update_failed" = 1 ]; then
    release=$(apt_release)
    echo "install-deps: apt-get install failed; trying again preferring the $release suite" \
         "(apt-get upgrade brings the security suite's fixes once apt-get update succeeds)" >&2
    if apt-get install -y -qq -t "$release" "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  tail -n 20 "$log" >&2
  # A package the whole index lacks is not in this release at all: another
  # update would not bring it.
  absent=$(sed -n 's/^E: Unable to locate package \(.*\)$/\1/p' "$log" | tr '\n' ' ')
  rm -f "$log"
  echo "install-deps: cannot install $*" >&2
  if [ -z "$apt_failed_indexes" ] && [ -n "$absent" ]; then
    echo "install-deps: Debian's $(apt_release) has no package ${absent% }; this script knows" \
         "Debian 12 (bookworm) and 13 (trixie)" >&2
  elif [ -n "$apt_failed_indexes" ]; then
    echo "install-deps: apt-get update could not fetch:" >&2
    sed 's/^/  /' <<<"$apt_failed_indexes" >&2
    echo "install-deps: the archive's mirror is being synced; run this again when 'apt-get update' succeeds" >&2
  else
    echo "install-deps: see apt's messages above; 'apt-get update' and this script again may help" >&2
  fi
  return 1
}
