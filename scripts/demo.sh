#!/usr/bin/env bash
# The main job: builds setup.exe and the sample distribution, starts the setup
# under Wine (on $DISPLAY when set, otherwise on a virtual display), walks the
# wizard through a whole fresh installation of the sample distribution and
# saves a screenshot of every page (the installing page while it runs, the
# finish page when it is done); then prints what was installed: the services
# and their states, the Start-menu links, the registry values, the data
# sources, the installed files (count and size) and the report mail the
# installed SMTP server received. Last it shows the folder browser and each
# page of the first-run wizard and saves a screenshot of each.
#   scripts/demo.sh            screenshots land in build/demo/screenshots/
#                              (page0-welcome.png ... page5-destination.png,
#                              page6-installing.png, page7-finish.png,
#                              browse-folder.png, wizard-page0-host-name.png ...
#                              wizard-page3-complete.png)
# The installation goes to C:\Tarno Demo\ of the demo's own Wine prefix
# (build/demo/wine); a previous demo installation there is removed first. The
# report is mailed to the installed server on 127.0.0.1 only.
# TARNO_BUILD_DIR and TARNO_DEMO_DIR replace build/windows and build/demo.
# On a machine that cannot execute 32-bit code (scripts/windows-arch.sh) the
# walk uses the x86-64 build of the same sources, build/windows64.
# TARNO_DPI=120 shows the wizard at 120 DPI (in a prefix of its own).
#
#   scripts/demo.sh --uninstall
# removes the demo installation again as Add/Remove Programs does: runs the
# command line of its uninstall entry, answers the question Yes, saves
# screenshots of the question and the final message (uninstall-question.png,
# uninstall-complete.png beside the others) and prints what stayed: the
# folders left in the installation folder with their file counts and sizes,
# the product key, the data sources, and the services, links and uninstall
# entry still there (none). The setup's log goes to build/demo/uninstall.log.
set -euo pipefail
mode=install
case "${1:-}" in
  "") ;;
  --uninstall) mode=uninstall ;;
  *) echo "usage: scripts/demo.sh [--uninstall]" >&2; exit 2 ;;
esac
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
if [ "$mode" = uninstall ]; then
  cmake --build "$build" -j"$(nproc)" --target demo_uninstall install_summary
else
  cmake --build "$build" -j"$(nproc)" --target sample_distribution demo_walk install_summary window_gallery access_driver
fi

dist="$build/dist"
dpi="${TARNO_DPI:-96}"
state="$demo/wine"
[ "$dpi" = 96 ] || state="$demo/wine-$dpi"
shots="$demo/screenshots"
[ "$dpi" = 96 ] || shots="$demo/screenshots-$dpi"
signals="$demo/signals"
if [ "$mode" = uninstall ]; then rm -rf "$shots"/uninstall-*.png "$signals"; else rm -rf "$shots" "$signals"; fi
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

# take_screenshots PROGRAM LOG ARGS...: runs the Windows PROGRAM and takes the
# pictures it asks for. The program writes signals/NAME.ready (holding the
# picture's name) when a window is ready and waits until the file is gone;
# the picture is taken meanwhile. Answers non-zero when a picture could not
# be taken or the program failed.
take_screenshots() {
  local program=$1 log=$2 status=0 deadline=$((SECONDS + 300)) ready name shot runner
  shift 2
  wine_run "$program" "$@" >"$log" 2>&1 &
  runner=$!
  while kill -0 "$runner" 2>/dev/null; do
    for ready in "$signals"/*.ready; do
      [ -e "$ready" ] || continue
      name=$(tr -cd 'a-z0-9-' < "$ready")
      shot="$shots/$name.png"
      if "$root/scripts/screenshot.sh" "$shot" "$DISPLAY" >/dev/null; then
        echo "$name: $shot"
      else
        status=1
      fi
      rm -f -- "$ready"
    done
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "$(basename "$program") did not end within 300 s" >&2
      kill "$runner" 2>/dev/null || true
      status=1
      break
    fi
    sleep 0.1
  done
  if ! wait "$runner"; then
    echo "$(basename "$program") failed:" >&2
    status=1
  fi
  grep -v '^wine: Read access denied' "$log" || true
  return $status
}

status=0
install='C:\Tarno Demo\'
if [ "$mode" = uninstall ]; then
  echo "removing the demo installation in $install through its uninstall entry on display $DISPLAY"
  export TARNO_SETUP_LOG="$(windows_path "$demo/uninstall.log")"
  rm -f "$demo/uninstall.log"
  take_screenshots "$build/bin/demo_uninstall.exe" "$demo/uninstall-walk.log" "$(windows_path "$signals")" || status=1
  unset TARNO_SETUP_LOG
  echo
  wine_run "$build/bin/install_summary.exe" kept "$install" 2>&1 | grep -v '^wine: Read access denied' || status=1
  wine_run --stop
  exit $status
fi
# The suite's stand-in registers an Access ODBC driver entry, so that the
# installation's data sources have a driver to name (a new prefix has none).
wine_run "$build/suite/standins/access_driver.exe" >/dev/null 2>&1 || status=1
wine_run "$build/bin/install_summary.exe" clean "$install" >/dev/null 2>&1 || true

echo "installing $dist with the wizard into $install on display $DISPLAY"
export TARNO_SETUP_LOG="$(windows_path "$demo/setup.log")"
export TARNO_REPORT_MAIL_HOST=127.0.0.1
rm -f "$demo/setup.log"
take_screenshots "$build/bin/demo_walk.exe" "$demo/walk.log" \
  "$(windows_path "$dist/setup.exe")" "$(windows_path "$signals")" "$install" || status=1
unset TARNO_SETUP_LOG TARNO_REPORT_MAIL_HOST
echo
wine_run "$build/bin/install_summary.exe" report "$install" 2>&1 | grep -v '^wine: Read access denied' || status=1
echo
echo "showing the folder browser and the first-run wizard"
take_screenshots "$build/bin/window_gallery.exe" "$demo/gallery.log" "$(windows_path "$signals")" || status=1
wine_run --stop
exit $status
