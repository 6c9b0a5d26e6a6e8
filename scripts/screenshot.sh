#!/usr/bin/env bash
# Saves a PNG of a whole X display, so that anyone can look at what the
# setup's windows showed (under Wine on the harness's virtual display, or on
# any other display).
#
#   screenshot.sh OUT.png [DISPLAY]     DISPLAY as ":99" or "99"; default $DISPLAY
#   screenshot.sh OUT.png --state DIR   the display of a Wine state directory
#                                       (build/<dir>/wine: tools/wine/wine-run keeps
#                                       the number of its Xvfb display in DIR/display)
#
# Exits non-zero, saying why, when there is no display to read or the picture
# could not be written. Prints the path of the PNG it wrote.
set -euo pipefail

usage() {
  echo "usage: screenshot.sh OUT.png [DISPLAY | --state DIR]" >&2
  exit 2
}

out=""
display="${DISPLAY:-}"
while [ $# -gt 0 ]; do
  case "$1" in
    --state)
      [ $# -ge 2 ] || usage
      state=$2
      shift 2
      if [ ! -s "$state/display" ]; then
        echo "screenshot.sh: $state/display is missing or empty: the harness of $state has no display running" >&2
        exit 1
      fi
      display=$(tr -d '[:space:]' < "$state/display") ;;
    -h|--help)
      usage ;;
    *)
      if [ -z "$out" ]; then out=$1; else display=$1; fi
      shift ;;
  esac
done
[ -n "$out" ] || usage

# "99" and ":99" name the same display; "host:0.0" stays as it is.
case "$display" in
  "") echo "screenshot.sh: no display given and \$DISPLAY is not set" >&2; exit 1 ;;
  *:*) ;;
  *[!0-9.]*) echo "screenshot.sh: '$display' is no X display" >&2; exit 1 ;;
  *) display=":$display" ;;
esac

if ! command -v import >/dev/null 2>&1; then
  echo "screenshot.sh: ImageMagick's import is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

mkdir -p "$(dirname -- "$out")"
tmp="$out.partial.$$"
trap 'rm -f -- "$tmp"' EXIT
# A display that stopped answering must not hang the caller.
if ! timeout 60 import -display "$display" -window root "png:$tmp"; then
  echo "screenshot.sh: could not capture display $display" >&2
  exit 1
fi
if [ ! -s "$tmp" ]; then
  echo "screenshot.sh: capturing display $display gave an empty picture" >&2
  exit 1
fi
mv -f -- "$tmp" "$out"
echo "$out"
