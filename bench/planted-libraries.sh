#!/usr/bin/env bash
# Planted libraries at start-up: setup.exe runs from a folder holding the
# sample distribution and 40 libraries named like those the setup, and the
# system libraries it uses, load by name (tests/e2e/planted_marker_library.c:
# each leaves NAME.dll.loaded when a process loads it).
#
#   bench/planted-libraries.sh [--build DIR] [--seconds S]
#
# Wine takes its own build of a system library first; here the libraries the
# setup does not import are made native-first through WINEDLLOVERRIDES in
# the environment Wine starts with, so that only the search order decides.
# A run that loads a planted library ends in Wine's "unimplemented function"
# abort (the plant has no exports); its name is printed and the run repeated
# without it, until a run shows the setup's window with none loaded. Nothing
# is installed (no port is used); only the setup process this script started
# is ended, by its pid.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows64
seconds=25
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--seconds S]" >&2; exit 2 ;;
  esac
done
. "$root/bench/wine-build.sh"
wine_build "$build" sample_distribution planted_marker
eval "$("${wine_run[@]}" --env)"
[ "$arch" = win64 ] && wine=/usr/lib/wine/wine64 || wine=wine

imported="kernel32 user32 gdi32 shell32 msvcrt ws2_32 comctl32 ole32 advapi32"
by_name="psapi mpr secur32 crypt32 iphlpapi"
common="version dwmapi uxtheme cryptbase cryptsp profapi userenv wtsapi32 winmm netapi32 dnsapi rsaenh sspicli
        wininet winhttp ntmarta propsys apphelp dbghelp oleacc msimg32 comdlg32 shlwapi setupapi odbc32 odbccp32"
folder=$WINEPREFIX/drive_c/tarno-planted
rm -rf "$folder"
mkdir -p "$folder"
cp "$build"/dist/* "$folder"/
planted=0
for n in $imported $by_name $common; do cp "$build/bin/planted_marker.dll" "$folder/$n.dll"; planted=$((planted + 1)); done
echo "$planted libraries planted beside setup.exe; the $(echo $imported | wc -w) it imports stay Wine's own"

native_first="$by_name $common"
round=1
while :; do
  rm -f "$folder"/*.loaded
  overrides="$WINEDLLOVERRIDES"
  for n in $native_first; do overrides+=";$n=n,b"; done
  WINEDLLOVERRIDES=$overrides "$wine" 'C:\tarno-planted\setup.exe' >"$folder/run.out" 2>&1 &
  pid=$!
  for _ in $(seq "$seconds"); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
  running=no
  kill -0 "$pid" 2>/dev/null && running=yes && kill "$pid"
  wait "$pid" 2>/dev/null
  loaded=$(cd "$folder" && ls *.loaded 2>/dev/null | sed 's/\.dll\.loaded$//' | tr '\n' ' ')
  echo "round $round: $(echo $native_first | wc -w) native-first; loaded: ${loaded:-none}; setup still running after ${seconds} s: $running"
  grep -a 'unimplemented function' "$folder/run.out" | sort -u | sed 's/^/   /'
  [ -z "$loaded" ] && break
  for n in $loaded; do native_first=$(echo " $native_first " | sed "s/ $n / /"); done
  round=$((round + 1))
done
rm -rf "$folder"
# Wine's own services started for these runs are not left behind.
"${wine_run[@]}" --stop
