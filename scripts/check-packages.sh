#!/usr/bin/env bash
# Builds the Debian packages from a configured build folder (default: build),
# checks them with lintian (no error allowed) and builds a small C program
# against the unpacked development files twice, through pkg-config and
# through find_package(qtlapi), then runs both against the packaged library.
# Nothing is installed on this machine: the packages are unpacked into a
# temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/debs" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/debs/*.deb)
echo "Packages: ${debs[*]##*/}"
for expected in libqtlapi2 libqtlapi-dev corvanta; do
  ls "$work"/debs/"${expected}"_*.deb >/dev/null
done

# lintian warns against running as root but checks the same.
lintian_status=0
lintian --fail-on error --tag-display-limit 0 "${debs[@]}" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
if [ "$lintian_status" -ne 0 ]; then
  echo "lintian found errors (status $lintian_status)" >&2
  exit 1
fi

root="$work/root"
for package in libqtlapi2 libqtlapi-dev; do
  dpkg-deb -x "$work"/debs/"${package}"_*.deb "$root"
done
export CORVANTA_ROOT="$work/corvanta-root"  # the library's log goes there
mkdir -p "$CORVANTA_ROOT"
run() { LD_LIBRARY_PATH="$root/usr/lib" "$@"; }

flags=$(PKG_CONFIG_PATH="$root/usr/lib/pkgconfig" PKG_CONFIG_LIBDIR= pkg-config --cflags --libs qtlapi)
cc -Wall -Werror -o "$work/by-pkg-config" tests/packaging/dev_caller.c $flags
echo "pkg-config build: $(run "$work/by-pkg-config")"

cmake -S tests/packaging -B "$work/by-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" \
  -DCMAKE_C_FLAGS="-Wall -Werror" >"$work/cmake.log" || { cat "$work/cmake.log"; exit 1; }
cmake --build "$work/by-cmake" >>"$work/cmake.log" || { cat "$work/cmake.log"; exit 1; }
echo "CMake build: $(run "$work/by-cmake/dev_caller")"
echo "Packages checked."
