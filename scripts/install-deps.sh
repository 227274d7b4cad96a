#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only as root;
# otherwise it trusts that they are there).
#   bash scripts/install-deps.sh            the Linux build
#   bash scripts/install-deps.sh windows    also the MinGW cross build, Wine and the
#                                            target's pugixml sources (build-windows/deps)
# apt runs under /tmp/apt.lock: several builds on one machine may install at once.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev qt6-base-dev libcups2-dev
  cups cups-client cups-bsd
  xvfb xauth
  dpkg-dev fakeroot lintian gzip
  clang libclang-rt-14-dev
)
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 dpkg-dev)

export DEBIAN_FRONTEND=noninteractive
apt_locked() { flock /tmp/apt.lock apt-get "$@"; }

# A mirror may serve one architecture's index behind the other for a while
# ("Mirror sync in progress?"): try again before giving up.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    if apt_locked update -qq 2>&1 | tee /tmp/apt-update.$$ && ! grep -q '^[WE]:' /tmp/apt-update.$$; then
      rm -f /tmp/apt-update.$$
      return 0
    fi
    [ "$attempt" -eq 3 ] && break
    echo "apt-get update incomplete (attempt $attempt), retrying" >&2
    sleep $((attempt * 10))
  done
  rm -f /tmp/apt-update.$$
  return 1
}

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install_missing() {
  local -a missing
  mapfile -t missing < <(missing_of "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  apt_locked install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# deb-src entries for the machine's own Debian suites, so that `apt-get source`
# finds the sources of exactly the versions installed here.
add_source_entries() {
  local list=/etc/apt/sources.list.d/corvanta-deb-src.sources
  [ -e "$list" ] && return 0
  [ -e /etc/apt/sources.list.d/debian.sources ] || return 0
  sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources |
    sed 's/^Types: deb$/Types: deb-src/' >"$list"
}

if [ "$(id -u)" -eq 0 ]; then
  if [ -n "$(missing_of "${packages[@]}")" ]; then
    apt_update || true
    install_missing "${packages[@]}"
  fi
  if [ "$preset" = windows ]; then
    need_update=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
      need_update=1
    fi
    if [ ! -e /etc/apt/sources.list.d/corvanta-deb-src.sources ]; then
      add_source_entries
      need_update=1
    fi
    if [ -n "$(missing_of "${windows_packages[@]}" wine wine64)" ] ||
       [ -n "$(missing_of wine32:i386)" ]; then
      need_update=1
    fi
    [ "$need_update" -eq 1 ] && { apt_update || echo "apt-get update still incomplete" >&2; }
    install_missing "${windows_packages[@]}"
    # The 32-bit runtime needs the i386 libraries to equal the amd64 ones; when the
    # mirror cannot offer that, the tests fall back to the x86_64 build under wine64.
    if [ -n "$(missing_of wine32:i386)" ]; then
      install_missing wine wine32:i386 wine64 ||
        { echo "wine32 could not be installed; the Windows tests will use wine64" >&2
          install_missing wine wine64; }
    fi
  fi
fi

if [ "$preset" = windows ]; then
  # pugixml for the target: Debian's own source package, unpacked once.
  deps=build-windows/deps
  if ! ls -d "$deps"/pugixml-*/src >/dev/null 2>&1; then
    mkdir -p "$deps"
    (cd "$deps" && apt-get source -qq pugixml >/dev/null)
  fi
fi
