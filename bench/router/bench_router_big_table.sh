#!/usr/bin/env bash
# Whole-process figures of the job router on big routing tables, run by hand
# (not part of ctest): time and peak memory (maximum resident set) of one job
# whose printer has the LAST line of a table of 1,000, 100,000 and 10,000,000
# lines. The tables are generated here (about 39 bytes a line, so the largest
# is some 390 MB) and removed afterwards.
# Usage: bash bench/router/bench_router_big_table.sh [build dir] (default: build)
# Environment: SIZES (default "1000 100000 10000000"), BENCH_DIR (default a new folder under /var/tmp).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
router="$(realpath "$build/bin/rdx64run")"
[ -x "$router" ] || { echo "no $router; build first" >&2; exit 1; }
[ -e "$build/lib/libqtlapi.so" ] || { echo "no $build/lib/libqtlapi.so; build the client library first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
sizes="${SIZES:-1000 100000 10000000}"
work="${BENCH_DIR:-$(mktemp -d /var/tmp/router-table-bench-XXXXXX)}"
trap 'rm -rf "$work"' EXIT

export CORVANTA_ROOT="$work/root"
mkdir -p "$CORVANTA_ROOT/etc/corvanta" "$CORVANTA_ROOT/var/lib/Corvanta/Stampline" "$work/jobs" "$work/copies"
table="$CORVANTA_ROOT/etc/corvanta/kvp64exe.dat"

for lines in $sizes; do
  awk -v n="$lines" -v copies="$work/copies" 'BEGIN {
    for (i = 1; i < n; i++) printf "Printer-%08d\t10.0.%d.1\t20100\t60\r\n", i, i % 250;
    printf "Target\tlocalcopy.invalid\t%s\t\r\n", copies }' > "$table"
  size=$(stat -c %s "$table")
  # One unmeasured run warms the page cache, as on a server that routes all day.
  for round in warm measured; do
    printf 'job' > "$work/jobs/job"
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$router" "$work/jobs/job" Target bench
    rm -f "$work/copies/"*
  done
  read -r seconds peak_kib < "$work/time.txt"
  awk -v l="$lines" -v s="$size" -v t="$seconds" -v m="$peak_kib" 'BEGIN {
    printf "%9d lines, table %7.1f MB: %6.2f s, peak %8.1f MB (%.2f x the table)\n", l, s / 1e6, t, m * 1024 / 1e6, m * 1024 / s }'
done
