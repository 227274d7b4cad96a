#!/usr/bin/env bash
# Builds everything with the given preset (default: "default") and runs every test.
#   bash scripts/test.sh windows   the 32-bit Windows build, tested under Wine
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh "$preset"
if [ "$preset" = windows ]; then
  # The Windows tests talk to the Linux build's spooler stand-in, and compare
  # the DLL's requests with those of the Linux library.
  cmake --preset default >/dev/null
  cmake --build --preset default --target spooler-standin qtlapi
  cmake --preset windows
  cmake --build --preset windows
  ctest --preset windows -j2
  if [ ! -x /usr/lib/wine/wine ]; then
    # No 32-bit Wine here: the 32-bit files were checked above (exports,
    # calling conventions, version resources); their 64-bit build runs.
    echo "No 32-bit Wine: running the Windows tests on the x86_64 build under wine64"
    cmake --preset windows-x86_64
    cmake --build --preset windows-x86_64
    ctest --preset windows-x86_64 -j2
  fi
  exit 0
fi
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
