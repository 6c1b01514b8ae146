#!/usr/bin/env bash
# Renews the README's screenshots on a virtual X display: docs/form1.png,
# docs/form2.png, docs/startup.png, docs/realparts.png and docs/choice.png in
# Italian, and docs/startup-en.png, docs/realparts-en.png and
# docs/choice-en.png with the English locale's numbers.
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target stepdown_screenshots
shoot() {
  xvfb-run -a -s '-screen 0 1300x800x24 -dpi 96' \
    "$build/bin/stepdown_screenshots" "$1" "$2"
}
shoot "$root/docs" italian
english="$(mktemp -d)"
trap 'rm -rf "$english"' EXIT
shoot "$english" english
cp "$english/startup-en.png" "$english/realparts-en.png" "$english/choice-en.png" "$root/docs/"
echo "wrote form1.png, form2.png, startup.png, realparts.png, choice.png, startup-en.png," \
  "realparts-en.png and choice-en.png in $root/docs"
