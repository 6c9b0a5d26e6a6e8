#!/usr/bin/env bash
# Makes the README's pictures from the screenshots of the last demo run
# (scripts/demo.sh writes whole-screen PNGs to build/demo/screenshots/): each
# is cut to the window it shows and stored with a small palette in
# docs/screenshots/, small enough to keep in the repository.
#
#   scripts/readme-screenshots.sh [SCREENSHOTS_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
from=${1:-$root/build/demo/screenshots}
to=$root/docs/screenshots
pages=(page0-welcome page1-license page2-details page3-server-type page4-components page5-destination
       page6-installing page7-finish browse-folder wizard-page0-host-name wizard-page1-primary-domain
       wizard-page2-administrator wizard-page3-complete)
command -v convert >/dev/null || { echo "readme-screenshots.sh: ImageMagick's convert is missing (scripts/install-deps.sh)" >&2; exit 2; }
mkdir -p "$to"
for page in "${pages[@]}"; do
  [ -f "$from/$page.png" ] || { echo "readme-screenshots.sh: $from/$page.png is missing: run scripts/demo.sh first" >&2; exit 1; }
  # The virtual display is black around the window: -trim keeps the window.
  convert "$from/$page.png" -trim +repage -colors 48 -define png:compression-level=9 "$to/$page.png"
done
echo "wrote ${#pages[@]} pictures to $to ($(du -sh "$to" | cut -f1))"
