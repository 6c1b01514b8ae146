#!/usr/bin/env bash
# Renews docs/form1.png and docs/form2.png on a virtual X display.
#   tools/screenshots.sh [BUILD_DIR] [italian|english]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target stepdown_screenshots
xvfb-run -a -s '-screen 0 1300x720x24 -dpi 96' \
  "$build/bin/stepdown_screenshots" "$root/docs" "${2:-italian}"
echo "wrote $root/docs/form1.png and $root/docs/form2.png"
