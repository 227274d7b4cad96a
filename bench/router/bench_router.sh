#!/usr/bin/env bash
# Whole-process figures of the job router, run by hand (not part of ctest):
#   1. time of one job with one local copy on a 1,000-line table (median of RUNS runs);
#   2. local copy of a BIG job (default 1 GiB) against cp of the same file on the same file system;
#   3. peak memory (maximum resident set) of a run for a 10 MiB and a BIG job.
# Every file a run publishes is flushed to disk with its folder before the job file is deleted,
# so these figures include those flushes (two per local copy).
# Usage: bash bench/router/bench_router.sh [build dir] (default: build)
# Environment: RUNS (default 200), BIG_MB (default 1024), BENCH_DIR (default a new folder under /var/tmp).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
router="$(realpath "$build/bin/rdx64run")"
[ -x "$router" ] || { echo "no $router; build first" >&2; exit 1; }
[ -e "$build/lib/libqtlapi.so" ] || { echo "no $build/lib/libqtlapi.so; build the client library first" >&2; exit 1; }
runs="${RUNS:-200}"
big_mb="${BIG_MB:-1024}"
work="${BENCH_DIR:-$(mktemp -d /var/tmp/router-bench-XXXXXX)}"
trap 'rm -rf "$work"' EXIT

export CORVANTA_ROOT="$work/root"
mkdir -p "$CORVANTA_ROOT/etc/corvanta" "$CORVANTA_ROOT/var/lib/Corvanta/Stampline" "$work/jobs" "$work/copies"
table="$CORVANTA_ROOT/etc/corvanta/kvp64exe.dat"
{
  for i in $(seq 0 998); do printf 'Printer-%d\t10.0.%d.1\t20100\t60\r\n' "$i" $((i % 250)); done
  printf 'Target\tlocalcopy.invalid\t%s\t\r\n' "$work/copies"
} > "$table"

now_ns() { date +%s%N; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

echo "== one job, one local copy, 1,000-line table: $runs runs"
head -c 65536 /dev/urandom > "$work/job-template"
times=()
for i in $(seq 1 "$runs"); do
  cp "$work/job-template" "$work/jobs/job"
  start=$(now_ns)
  "$router" "$work/jobs/job" Target "bench"
  end=$(now_ns)
  times+=($(( (end - start) / 1000 )))
  rm -f "$work/copies/"*
done
printf '%s\n' "${times[@]}" | median | awk '{printf "median: %.0f us per job\n", $1}'
printf '%s\n' "${times[@]}" | sort -n | awk '{v[NR]=$1} END {printf "min %d us, p90 %d us, max %d us\n", v[1], v[int(NR*0.9)], v[NR]}'
# The cost of starting any process on this machine, measured the same way.
base=()
for i in $(seq 1 "$runs"); do
  cp "$work/job-template" "$work/jobs/job"
  start=$(now_ns); /bin/true "$work/jobs/job" Target "bench"; end=$(now_ns)
  base+=($(( (end - start) / 1000 )))
done
printf '%s\n' "${base[@]}" | median | awk '{printf "baseline (/bin/true, same loop): median %.0f us\n", $1}'

echo "== local copy of a ${big_mb} MiB job against cp (same file system, 3 rounds, median)"
head -c $((big_mb * 1024 * 1024)) /dev/urandom > "$work/big-template"
router_ms=(); cp_ms=(); cprm_ms=()
for round in 1 2 3; do
  cp "$work/big-template" "$work/jobs/big"; sync
  start=$(now_ns); "$router" "$work/jobs/big" Target "bench"; end=$(now_ns)
  router_ms+=($(( (end - start) / 1000000 )))
  rm -f "$work/copies/"*; sync
  start=$(now_ns); cp "$work/big-template" "$work/copies/cp-copy"; end=$(now_ns)
  cp_ms+=($(( (end - start) / 1000000 )))
  rm -f "$work/copies/"*; sync
  # What the router does in all: the copy, then deleting the job file.
  cp "$work/big-template" "$work/jobs/big"; sync
  start=$(now_ns); cp "$work/jobs/big" "$work/copies/cp-copy" && rm "$work/jobs/big"; end=$(now_ns)
  cprm_ms+=($(( (end - start) / 1000000 )))
  rm -f "$work/copies/"*; sync
done
r=$(printf '%s\n' "${router_ms[@]}" | median); c=$(printf '%s\n' "${cp_ms[@]}" | median)
cr=$(printf '%s\n' "${cprm_ms[@]}" | median)
echo "router: ${router_ms[*]} ms (median $r)"
echo "cp: ${cp_ms[*]} ms (median $c); cp then rm of the source: ${cprm_ms[*]} ms (median $cr)"
awk -v r="$r" -v c="$c" -v cr="$cr" 'BEGIN {printf "router / cp = %.2f, router / (cp + rm) = %.2f\n", (c > 0 ? r / c : 0), (cr > 0 ? r / cr : 0)}'

echo "== peak memory (maximum resident set)"
for size_mb in 10 "$big_mb"; do
  head -c $((size_mb * 1024 * 1024)) "$work/big-template" > "$work/jobs/mem" 2>/dev/null || head -c $((size_mb * 1024 * 1024)) /dev/urandom > "$work/jobs/mem"
  peak=$(/usr/bin/time -f '%M' "$router" "$work/jobs/mem" Target "bench" 2>&1 >/dev/null | tail -1)
  echo "${size_mb} MiB job: ${peak} KiB"
  rm -f "$work/copies/"*
done
echo "== router log lines written: $(cat "$CORVANTA_ROOT"/var/lib/Corvanta/Stampline/rdx64*.txt 2>/dev/null | wc -l) (0 expected: every run succeeded)"
