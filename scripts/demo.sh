#!/usr/bin/env bash
# The main job: builds setup.exe and a sample distribution, starts the setup
# under Wine (on $DISPLAY when set, otherwise on a virtual display) and saves
# a screenshot of what appears.
#   scripts/demo.sh            screenshots land in build/demo/screenshots/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"
demo="$root/build/demo"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target sample_distribution

dist="$build/dist"
state="$demo/wine"
shots="$demo/screenshots"
mkdir -p "$shots"
if [ -n "${DISPLAY:-}" ]; then export TARNO_USE_DISPLAY=1; fi
"$root/tools/wine/wine-run" --state "$state" --start
eval "$("$root/tools/wine/wine-run" --state "$state" --env)"

caption="Tarno Mail Server 8.3.8 Setup"
echo "starting $dist/setup.exe /SILENT on display $DISPLAY"
"$root/tools/wine/wine-run" --state "$state" "$dist/setup.exe" /SILENT >"$demo/setup.log" 2>&1 &
runner=$!
found=""
for _ in $(seq 1 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\""; then found=1; break; fi
  sleep 0.2
done
status=0
if [ -n "$found" ]; then
  sleep 0.5  # let the first page paint
  "$root/scripts/screenshot.sh" "$shots/page0-welcome.png" "$DISPLAY"
  echo "main window \"$caption\" is shown; screenshot: $shots/page0-welcome.png"
else
  echo "the main window \"$caption\" did not appear within 30 s" >&2
  status=1
fi
"$root/tools/wine/wine-run" --state "$state" --stop
wait "$runner" 2>/dev/null || true
exit $status
