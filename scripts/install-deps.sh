#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only as root;
# otherwise it trusts that they are there).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev qt6-base-dev libcups2-dev
  cups cups-client cups-bsd
  xvfb xauth
  dpkg-dev fakeroot lintian gzip
  clang libclang-rt-14-dev
)
if [ "$(id -u)" -eq 0 ]; then
  missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
