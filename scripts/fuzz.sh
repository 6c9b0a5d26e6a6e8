#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Configures a separate clang build in build/fuzz (-DTARNO_FUZZ=ON, ASan and
# UBSan), builds the named targets (all of them by default, as listed by the
# build in build/fuzz/fuzzers.txt) and runs each for SECONDS (default 600) on
# a working copy of its seed corpus in build/fuzz/corpus-work/<target>. The
# working corpus is kept between runs; new inputs never touch fuzz/corpus.
# Crash, leak, time-out and out-of-memory inputs go to
# build/fuzz/artifacts/<target>/. Prints, per target, executions per second,
# the corpus size and any such file; exits non-zero when a target found one.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
seconds=600
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTARNO_FUZZ=ON -DTARNO_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log" >&2
  echo "fuzz.sh: configuring $build failed" >&2
  exit 2
}
list=$build/fuzzers.txt
[ -s "$list" ] || { echo "fuzz.sh: no fuzz targets listed in $list" >&2; exit 2; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(awk 'NF { print $1 }' "$list")
fi
for t in "${targets[@]}"; do
  grep -q "^$t " "$list" || { echo "fuzz.sh: unknown target $t (known: $(awk '{printf "%s ", $1}' "$list"))" >&2; exit 2; }
done

cmake --build "$build" -j2 --target "${targets[@]}" || { echo "fuzz.sh: build failed" >&2; exit 2; }

status=0
summary=()
for t in "${targets[@]}"; do
  read -r _ program seeds dict < <(grep "^$t " "$list")
  work=$build/corpus-work/$t
  artifacts=$build/artifacts/$t
  mkdir -p "$work" "$artifacts"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null
  before=$(find "$artifacts" -type f | sort)
  args=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$artifacts/")
  [ "$dict" != "-" ] && args+=(-dict="$dict")
  log=$build/$t.log
  echo "== $t: $seconds s on $work"
  "$program" "${args[@]}" "$work" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  files=$(find "$work" -type f | wc -l)
  bytes=$(du -sb "$work" | cut -f1)
  line="$t: exit $rc, ${execs:-?} runs, ${rate:-?} exec/s, corpus $files files ($bytes bytes)"
  new=$(comm -13 <(printf '%s\n' "$before") <(find "$artifacts" -type f | sort) | grep -v '^$')
  if [ "$rc" -ne 0 ] || [ -n "$new" ]; then
    status=1
    line+=", FOUND: ${new:-no file (see log)}"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5
    echo "   (log: $log)"
  fi
  summary+=("$line")
done

echo
printf '%s\n' "${summary[@]}"
exit $status
