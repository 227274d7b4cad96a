#!/usr/bin/env bash
# Builds the system and runs its main job on demonstration data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
echo "The job router is not built yet; the support library and its benchmark are:"
./build/bin/bench_split --benchmark_min_time=0.1
