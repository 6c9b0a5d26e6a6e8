#!/usr/bin/env bash
# The kill test: an upgrade over a seeded installation whose servers run is
# killed at POINTS points spread over its duration, and the setup is run
# again each time (tests/e2e/kill_install.cpp does one point per process).
#
#   bench/kill-install.sh [--build DIR] [--points N] [--from K]
#
# Builds kill_install and the sample distribution in DIR (default
# build/windows64, x86-64 under 64-bit Wine), measures an uninterrupted
# upgrade first (point 0), then kills point 1..N at (k - 0.5) / N of that
# duration. Each run holds the machine's port-25 lock (/tmp/tarno-port25.lock)
# only for itself: the lock is taken with flock -o, so that the Wine services
# the run starts (they outlive it) do not inherit it. Lines go to DIR/kill-install/results.txt, each run's whole
# output to DIR/kill-install/point-K.log; exits non-zero when a point failed.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows64
points=20
from=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --points) points=$2; shift 2 ;;
    --from) from=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--points N] [--from K]" >&2; exit 2 ;;
  esac
done
. "$root/bench/wine-build.sh"
wine_build "$build" kill_install sample_distribution
out=$build/kill-install
mkdir -p "$out"
results=$out/results.txt

run_point() {  # point, run_ms
  local log=$out/point-$1.log
  TARNO_KILL_POINT=$1 TARNO_KILL_POINTS=$points TARNO_KILL_RUN_MS=${2:-0} \
    flock -o /tmp/tarno-port25.lock "${wine_run[@]}" "$build/bin/kill_install.exe" >"$log" 2>&1
  local rc=$?
  local line
  line=$(grep -a '^kill-point' "$log" | tail -1 | tr -d '\r')
  [ -n "$line" ] || line="kill-point $1: no result line (see $log)"
  [ $rc -eq 0 ] || line+=" -- FAILED (exit $rc)"
  echo "$line" | tee -a "$results"
  return $rc
}

[ "$from" -le 1 ] && : >"$results"
run_point 0 || { "${wine_run[@]}" --stop; echo "the uninterrupted upgrade failed: see $out/point-0.log" >&2; exit 1; }
run_ms=$(sed -n 's/^kill-point 0: uninterrupted upgrade took \([0-9]*\) ms.*/\1/p' "$out/point-0.log" | tail -1)
[ -n "$run_ms" ] || { echo "no duration in $out/point-0.log" >&2; exit 1; }

failed=0
for k in $(seq "$from" "$points"); do
  run_point "$k" "$run_ms" || failed=$((failed + 1))
done
# Wine's own services started for these runs are not left behind.
"${wine_run[@]}" --stop
echo "$((points - from + 1 - failed)) of $((points - from + 1)) kill points passed (uninterrupted run $run_ms ms)" | tee -a "$results"
[ $failed -eq 0 ]
