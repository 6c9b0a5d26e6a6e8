#!/usr/bin/env bash
# Benchmark of the installation's file stage under Wine beside an NSIS
# installer of the same payload, in the same run.
#
#   bench/run-file-stage-bench.sh [--files N] [--mb M] [--repeat R] [--work DIR]
#
# Builds file_stage_bench (Windows, Release) and the packing tool (native),
# makes the large distribution (bench/make-large-distribution.sh: default
# 3,000 files, 150 MB, 60 % compressible), and an NSIS installer of the same
# files (Debian's nsis, installed here when missing; zlib; silent; for the
# architecture whose Windows build this machine runs: NSIS's amd64 stubs under
# 64-bit Wine, its x86 stubs under 32-bit Wine). Then R times (default 5), in
# alternating order: the file stage (unpack setup.Dat to a fresh staging
# directory, place the files into a new installation directory, remove the
# staging directory) and the NSIS installer into a new directory. Both are
# timed the same way, as the wall time of the whole Wine process started
# through tools/wine/wine-run; the file stage also reports its own time inside
# the process and its peak memory. Prints the medians and the ratio against
# the target 0.7 (file stage / NSIS); raw lines in WORK/file-stage-results.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
files=3000 mb=150 repeat=5
work=$root/build/bench-work
native=$root/build/bench-native
windows=$root/build/bench-windows
if [ "$("$root/scripts/windows-arch.sh")" = i686 ]; then
  toolchain=$root/cmake/toolchain-i686-mingw.cmake wine_arch=win32 nsis_target=x86-unicode
else
  toolchain=$root/cmake/toolchain-x86_64-mingw.cmake wine_arch=win64 nsis_target=amd64-unicode
fi
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    *) echo "run-file-stage-bench.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
log() { echo "[bench] $*" >&2; }
mkdir -p "$work"

if ! command -v makensis >/dev/null; then
  log "installing nsis"
  sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y nsis >/dev/null
fi

log "building (Release) in $native and $windows"
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release >"$work/native-configure.log" 2>&1 ||
  { cat "$work/native-configure.log" >&2; exit 2; }
cmake --build "$native" -j2 --target setupdata_bench packdat containerhashes >/dev/null
cmake -S "$root" -B "$windows" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  >"$work/windows-configure.log" 2>&1 || { cat "$work/windows-configure.log" >&2; exit 2; }
cmake --build "$windows" -j2 --target file_stage_bench >/dev/null

large=$work/large
log "making the large distribution in $large"
"$root/bench/make-large-distribution.sh" "$large" "$native/bin/packdat" "$native/bin/setupdata_bench" \
  "$windows/bin/file_stage_bench.exe" --files "$files" --mb "$mb"

winpath() { echo "Z:$1" | tr / '\\'; }
nsis=$work/nsis
mkdir -p "$nsis"
# The same files the file stage installs: setup.Dat's folder and the companions.
cat >"$nsis/large.nsi" <<NSI
Unicode true
Target $nsis_target
SetCompressor zlib
Name "Tarno Mail Server"
OutFile "$nsis/install.exe"
InstallDir "C:\\tarno-nsis"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$large/tree/*"
  File "$large/dist/readme.txt"
  File "$large/dist/releasenotes.txt"
  File "$large/dist/setup.exe"
  SetOutPath "\$INSTDIR\\xml"
  File "$large/dist/info.xml"
SectionEnd
NSI
if [ ! -f "$nsis/install.exe" ] || [ "$nsis/large.nsi" -nt "$nsis/install.exe" ] ||
   [ "$large/stamp" -nt "$nsis/install.exe" ]; then
  log "building the NSIS installer ($nsis_target, zlib)"
  makensis -V2 "$nsis/large.nsi" >"$nsis/makensis.log" 2>&1 || { cat "$nsis/makensis.log" >&2; exit 2; }
fi

wine_state=$windows/wine
wine_run=("$root/tools/wine/wine-run" --state "$wine_state" --arch "$wine_arch")
"${wine_run[@]}" --start
results=$work/file-stage-results.txt
: >"$results"
out=$work/file-stage-out
rm -rf "$out"
mkdir -p "$out"

run() {  # name rep
  local name=$1 rep=$2 dest=$out/$1-$2 line start end
  sync
  start=$(date +%s.%N)
  case $name in
    file-stage)
      "${wine_run[@]}" "$windows/bin/file_stage_bench.exe" "$(winpath "$large/dist")" "$(winpath "$dest")" \
        >"$work/wine.out" 2>&1 || { cat "$work/wine.out" >&2; return 1; }
      end=$(date +%s.%N)
      line="$(grep '^phase=' "$work/wine.out" | tr -d '\r') files=$(find "$dest" -type f | wc -l)" ;;
    nsis)
      "${wine_run[@]}" "$nsis/install.exe" /S "/D=$(winpath "$dest")" >"$work/wine.out" 2>&1 ||
        { cat "$work/wine.out" >&2; return 1; }
      end=$(date +%s.%N)
      line="phase=nsis files=$(find "$dest" -type f | wc -l)" ;;
  esac
  local wall
  wall=$(echo "$end - $start" | bc)
  echo "name=$name rep=$rep process_seconds=$wall $line" >>"$results"
  log "#$rep $name: process ${wall}s $line"
}

for rep in $(seq 1 "$repeat"); do
  if [ $((rep % 2)) = 1 ]; then run file-stage "$rep"; run nsis "$rep"
  else run nsis "$rep"; run file-stage "$rep"; fi
done
"${wine_run[@]}" --stop

python3 - "$results" <<'PY' | tee "$work/file-stage-summary.txt"
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    f = dict(kv.split('=', 1) for kv in line.split())
    rows.setdefault(f['name'], []).append(f)
def med(name, key):
    return statistics.median(float(r[key]) for r in rows[name])
stage, nsis = med('file-stage', 'process_seconds'), med('nsis', 'process_seconds')
print(f"medians of {len(rows['nsis'])} runs, whole Wine processes")
print(f"NSIS installer      {nsis:7.3f} s  ({int(med('nsis', 'files'))} files)")
print(f"file stage          {stage:7.3f} s  ({int(med('file-stage', 'files'))} files; inside the process "
      f"{med('file-stage', 'seconds'):.3f} s, cpu {med('file-stage', 'cpu'):.3f} s)")
print(f"ratio file stage / NSIS {stage / nsis:.2f} (target at most 0.70)")
print(f"file stage peak memory: working set {med('file-stage', 'peak_kb') / 1024:.1f} MiB, "
      f"private {med('file-stage', 'private_kb') / 1024:.1f} MiB (target at most 16 MiB)")
PY
log "removing the installed trees"
rm -rf "$out"
