#!/usr/bin/env bash
# The main job: builds setup.exe and a sample distribution, starts the setup
# under Wine (on $DISPLAY when set, otherwise on a virtual display), walks the
# wizard from the welcome page up to the destination page and saves a
# screenshot of every page; there it cancels, so nothing is installed.
#   scripts/demo.sh            screenshots land in build/demo/screenshots/
#                              (page0-welcome.png ... page5-destination.png)
# TARNO_BUILD_DIR and TARNO_DEMO_DIR replace build/windows and build/demo.
# On a machine that cannot execute 32-bit code (scripts/windows-arch.sh) the
# walk uses the x86-64 build of the same sources, build/windows64.
# TARNO_DPI=120 shows the wizard at 120 DPI (in a prefix of its own).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$("$root/scripts/windows-arch.sh")
if [ "$arch" = i686 ]; then
  build="${TARNO_BUILD_DIR:-$root/build/windows}"
  toolchain="$root/cmake/toolchain-i686-mingw.cmake"
  wine_arch=win32
else
  build="${TARNO_BUILD_DIR:-$root/build/windows64}"
  toolchain="$root/cmake/toolchain-x86_64-mingw.cmake"
  wine_arch=win64
fi
wine_run() { "$root/tools/wine/wine-run" --state "$state" --arch "$wine_arch" "$@"; }
demo="${TARNO_DEMO_DIR:-$root/build/demo}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target sample_distribution demo_walk

dist="$build/dist"
dpi="${TARNO_DPI:-96}"
state="$demo/wine"
[ "$dpi" = 96 ] || state="$demo/wine-$dpi"
shots="$demo/screenshots"
[ "$dpi" = 96 ] || shots="$demo/screenshots-$dpi"
signals="$demo/signals"
rm -rf "$shots" "$signals"
mkdir -p "$shots" "$signals"
if [ -n "${DISPLAY:-}" ]; then export TARNO_USE_DISPLAY=1; fi
wine_run --start
eval "$(wine_run --env)"
if [ "$dpi" != 96 ]; then
  "${WINELOADER:-wine}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "${WINELOADER:-wine}" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
      /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  # The display's DPI is read when Wine starts.
  wine_run --stop
  eval "$(wine_run --env)"
fi

# Wine sees the whole file system as drive Z:.
windows_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

echo "walking the wizard of $dist/setup.exe on display $DISPLAY"
wine_run "$build/bin/demo_walk.exe" \
  "$(windows_path "$dist/setup.exe")" "$(windows_path "$signals")" >"$demo/walk.log" 2>&1 &
walker=$!
# The walker writes signals/page-N.ready (holding the page's name) when page
# N is shown and waits until the file is gone; the picture is taken meanwhile.
status=0
deadline=$((SECONDS + 300))
while kill -0 "$walker" 2>/dev/null; do
  for ready in "$signals"/page-*.ready; do
    [ -e "$ready" ] || continue
    page=$(basename "$ready" .ready)
    page=${page#page-}
    name=$(tr -cd 'a-z0-9-' < "$ready")
    shot="$shots/page$page-$name.png"
    if "$root/scripts/screenshot.sh" "$shot" "$DISPLAY" >/dev/null; then
      echo "page $page ($name): $shot"
    else
      status=1
    fi
    rm -f -- "$ready"
  done
  if [ "$SECONDS" -ge "$deadline" ]; then
    echo "the walk through the wizard did not end within 300 s" >&2
    kill "$walker" 2>/dev/null || true
    status=1
    break
  fi
  sleep 0.1
done
if ! wait "$walker"; then
  echo "the walk through the wizard failed:" >&2
  status=1
fi
cat "$demo/walk.log" | grep -v '^wine: Read access denied' || true
wine_run --stop
exit $status
