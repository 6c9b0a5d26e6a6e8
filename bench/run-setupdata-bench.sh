#!/usr/bin/env bash
# Benchmark of setup data file extraction, natively and for Windows under Wine.
#
#   bench/run-setupdata-bench.sh [--files N] [--mb M] [--repeat R] [--work DIR]
#                                [--native-build DIR] [--windows-build DIR] [--no-windows]
#
# Builds setupdata_bench and packdat optimised (Release) in their own build
# directories, generates a deterministic payload (default 3,000 files, 150 MB,
# 60 % of the bytes text), packs it raw and with zlib level 6, then runs each
# phase R times (default 3) in a fresh process: the setup's extraction of both
# containers, the minimal extractor of both, zlib's own inflate of the same
# entries from memory into memory and the reader's inflate of them (also
# memory to memory), and a plain copy of the payload. Prints the
# medians (wall and CPU time), the ratios against the references of the same run and the peak
# memory of each phase above an idle process; the raw lines are kept in
# WORK/results.txt and the table in WORK/summary.txt.
#
# Every extraction goes to a new directory (deleting thousands of files just
# before a measurement slows this machine's file system down); all of them
# are removed at the end. Windows phases run through tools/wine/wine-run with
# their output going to a file, away from Wine's services.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
files=3000
mb=150
repeat=3
work=$root/build/bench-work
native=$root/build/bench-native
windows=$root/build/bench-windows
# The Windows phases run the build this machine can execute (see
# scripts/windows-arch.sh): i686 under 32-bit Wine, else x86-64 under 64-bit Wine.
if [ "$("$root/scripts/windows-arch.sh")" = i686 ]; then
  toolchain=$root/cmake/toolchain-i686-mingw.cmake wine_arch=win32
else
  toolchain=$root/cmake/toolchain-x86_64-mingw.cmake wine_arch=win64
fi
with_windows=1
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --native-build) native=$2; shift 2 ;;
    --windows-build) windows=$2; shift 2 ;;
    --no-windows) with_windows=0; shift ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "run-setupdata-bench.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

log() { echo "[bench] $*" >&2; }
mkdir -p "$work"

log "building (Release) in $native"
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release >"$work/native-configure.log" 2>&1 ||
  { cat "$work/native-configure.log" >&2; exit 2; }
cmake --build "$native" -j2 --target setupdata_bench packdat >/dev/null
if [ $with_windows = 1 ]; then
  log "building (Release) in $windows"
  cmake -S "$root" -B "$windows" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" >"$work/windows-configure.log" 2>&1 ||
    { cat "$work/windows-configure.log" >&2; exit 2; }
  cmake --build "$windows" -j2 --target setupdata_bench >/dev/null
fi

bench=$native/bin/setupdata_bench
packdat=$native/bin/packdat
stamp="files=$files mb=$mb seed=1"
if [ "$(cat "$work/payload.stamp" 2>/dev/null)" != "$stamp" ]; then
  log "generating the payload: $stamp"
  rm -rf "$work/payload" "$work/raw.dat" "$work/zlib.dat"
  "$bench" gen "$work/payload" --files "$files" --mb "$mb" --seed 1 >/dev/null
  "$packdat" create --raw "$work/payload" "$work/raw.dat" >&2
  "$packdat" create --zlib 6 "$work/payload" "$work/zlib.dat" >&2
  echo "$stamp" >"$work/payload.stamp"
fi

results=$work/results.txt
: >"$results"
out=$work/out
mkdir -p "$out"
winpath() { echo "Z:$1" | tr / '\\'; }
wine_state=$windows/wine

run() {  # platform repetition phase args...
  local platform=$1 rep=$2 phase=$3
  shift 3
  local line
  if [ "$platform" = native ]; then
    line=$("$bench" "$@")
  else
    local args=() a
    for a in "$@"; do
      case $a in /*) args+=("$(winpath "$a")") ;; *) args+=("$a") ;; esac
    done
    "$root/tools/wine/wine-run" --state "$wine_state" --arch "$wine_arch" "$windows/bin/setupdata_bench.exe" "${args[@]}" \
        >"$work/wine.out" 2>&1 || { cat "$work/wine.out" >&2; return 1; }
    line=$(grep '^phase=' "$work/wine.out" | tr -d '\r')
  fi
  echo "platform=$platform rep=$rep name=$phase $line" >>"$results"
  log "$platform #$rep $phase: $line"
}

platforms=(native)
[ $with_windows = 1 ] && platforms+=(windows) && "$root/tools/wine/wine-run" --state "$wine_state" --arch "$wine_arch" --start
for rep in $(seq 1 "$repeat"); do
  for p in "${platforms[@]}"; do
    # Pairs run in both orders over the repetitions, each phase after a sync,
    # so that neither side of a comparison always pays for the write-back of
    # the phase before it.
    pairs=("extract-zlib minimal-zlib" "extract-raw minimal-raw" "inflate reader-inflate")
    run "$p" "$rep" idle idle
    for pair in "${pairs[@]}"; do
      read -r first second <<<"$pair"
      [ $((rep % 2)) = 0 ] && { t=$first; first=$second; second=$t; }
      for name in "$first" "$second"; do
        sync
        case $name in
          extract-zlib) run "$p" "$rep" "$name" extract "$work/zlib.dat" "$out/$p-$name-$rep" ;;
          extract-raw) run "$p" "$rep" "$name" extract "$work/raw.dat" "$out/$p-$name-$rep" ;;
          minimal-zlib) run "$p" "$rep" "$name" minimal "$work/zlib.dat" "$out/$p-$name-$rep" ;;
          minimal-raw) run "$p" "$rep" "$name" minimal "$work/raw.dat" "$out/$p-$name-$rep" ;;
          inflate) run "$p" "$rep" "$name" inflate "$work/zlib.dat" ;;
          reader-inflate) run "$p" "$rep" "$name" reader-inflate "$work/zlib.dat" ;;
        esac
      done
    done
    sync
    run "$p" "$rep" copy copy "$work/payload" "$out/$p-copy-$rep"
  done
done
[ $with_windows = 1 ] && "$root/tools/wine/wine-run" --state "$wine_state" --arch "$wine_arch" --stop

python3 - "$results" "$work" <<'EOF' | tee "$work/summary.txt"
import os, statistics, sys
results, work = sys.argv[1], sys.argv[2]
rows = {}
for line in open(results):
    f = dict(kv.split('=', 1) for kv in line.split())
    rows.setdefault((f['platform'], f['name']), []).append(f)
def med(platform, name, key):
    return statistics.median(float(r[key]) for r in rows[(platform, name)])
payload = sum(os.path.getsize(os.path.join(d, n)) for d, _, ns in os.walk(os.path.join(work, 'payload')) for n in ns)
print(f"payload {payload/1e6:.1f} MB in {int(med('native', 'copy', 'files'))} files; "
      f"raw container {os.path.getsize(os.path.join(work, 'raw.dat'))/1e6:.1f} MB, "
      f"zlib container {os.path.getsize(os.path.join(work, 'zlib.dat'))/1e6:.1f} MB")
print(f"medians of {len(rows[('native', 'idle')])} runs; MB/s = 10^6 payload bytes per second; "
      "peak = peak resident set (working set under Wine) above an idle process")
print(f"{'platform':9}{'phase':15}{'seconds':>9}{'cpu s':>8}{'MB/s':>9}{'peak MiB':>10}   time against the references of this run (cpu time)")
refs = {'extract-zlib': ('minimal-zlib', 'inflate'), 'extract-raw': ('minimal-raw', 'copy'),
        'minimal-zlib': ('inflate',), 'minimal-raw': ('copy',), 'reader-inflate': ('inflate',)}
for platform in ('native', 'windows'):
    if (platform, 'idle') not in rows:
        continue
    idle = med(platform, 'idle', 'peak_kb')
    for name in ('extract-zlib', 'minimal-zlib', 'extract-raw', 'minimal-raw', 'reader-inflate', 'inflate', 'copy'):
        s = med(platform, name, 'seconds')
        cpu = med(platform, name, 'cpu')
        mbs = med(platform, name, 'bytes') / s / 1e6
        peak = (med(platform, name, 'peak_kb') - idle) / 1024
        notes = []
        for ref in refs.get(name, ()):
            rcpu = med(platform, ref, 'cpu')
            notes.append(f"{s / med(platform, ref, 'seconds'):.2f}x {ref} ({cpu / rcpu if rcpu else 0:.2f}x)")
        print(f"{platform:9}{name:15}{s:9.3f}{cpu:8.3f}{mbs:9.1f}{peak:10.1f}   {'; '.join(notes)}")
    print(f"{platform:9}{'idle process':15}{'':9}{'':8}{'':9}{idle/1024:10.1f}   (absolute)")
EOF

log "removing the extracted trees"
rm -rf "$out"
