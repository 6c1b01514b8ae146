#!/usr/bin/env bash
# Renews the README's and the manual's screenshots on a virtual X display: docs/form1.png,
# docs/form2.png, docs/startup.png, docs/realparts.png and docs/choice.png in
# Italian, and docs/startup-en.png, docs/realparts-en.png and
# docs/choice-en.png with the English locale's numbers; docs/report.png, the
# third page of the worked example's report, through pdftoppm (poppler-utils).
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target stepdown_screenshots stepdown
shoot() {
  xvfb-run -a -s '-screen 0 1366x768x24 -dpi 96' \
    "$build/bin/stepdown_screenshots" "$1" "$2"
}
shoot "$root/docs" italian
english="$(mktemp -d)"
trap 'rm -rf "$english"' EXIT
shoot "$english" english
cp "$english/startup-en.png" "$english/realparts-en.png" "$english/choice-en.png" "$root/docs/"
QT_QPA_PLATFORM=offscreen "$build/bin/stepdown" --report \
  "$root/tests/report/worked-example.stepdown" --output "$english/report.pdf"
pdftoppm -png -r 72 -f 3 -l 3 -singlefile "$english/report.pdf" "$root/docs/report"
echo "wrote form1.png, form2.png, startup.png, realparts.png, choice.png, startup-en.png," \
  "realparts-en.png, choice-en.png and report.png in $root/docs"
