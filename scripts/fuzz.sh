#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each: first over its seed corpus in
# fuzz/corpus/<target>/ (the regression inputs included), then for
# FUZZ_SECONDS (30) seconds of new inputs. Fails on any crash, leak, time-out
# or broken round trip; the input that broke it is kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-30}"
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_targets
findings="build-fuzz/findings"
rm -rf "$findings"
mkdir -p "$findings"
status=0
for target in registry_file_fuzz split_and_code_pages_fuzz library_frames_fuzz standin_request_fuzz; do
  binary="build-fuzz/bin/$target"
  seeds="fuzz/corpus/$target"
  work="$(mktemp -d)"  # new inputs go here, the seed corpus stays as it is
  started=$SECONDS
  if "$binary" -runs=0 -artifact_prefix="$findings/$target-" "$seeds" >"$findings/$target.log" 2>&1 &&
     "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
       -artifact_prefix="$findings/$target-" "$work" "$seeds" >>"$findings/$target.log" 2>&1; then
    echo "fuzz: $target passed ($((SECONDS - started)) s, $(ls "$work" | wc -l) new inputs)"
  else
    echo "fuzz: $target FAILED; see $findings/$target.log" >&2
    grep -E "property broken|ERROR: |SUMMARY: " "$findings/$target.log" >&2 || true
    status=1
  fi
  rm -rf "$work"
done
exit "$status"
