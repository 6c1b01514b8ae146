#!/usr/bin/env bash
# The manual page formats without a warning, and documents every option the
# program itself lists in its help.
#   check_man_page.sh PAGE [STEPDOWN_CLI]
set -euo pipefail
source "$(dirname "$0")/expected_files.sh"
need_tool groff groff-base
need_tool man man-db
page="$1"
warnings="$(groff -man -ww -b -z -Tutf8 "$page" 2>&1)"
[ -z "$warnings" ] || { echo "$warnings"; fail "groff warnings"; }
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
[ -z "$warnings" ] || { echo "$warnings"; fail "man warnings"; }
text="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES; do
  grep -qx "$section" <<<"$text" || fail "no $section section"
done
if [ $# -ge 2 ] && [ -n "$2" ]; then
  help="$("$2" --help 2>&1)" || fail "$2 --help failed"
  for option in $(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
    grep -q -- "$option\b" <<<"$text" || fail "option $option is not in the manual page"
  done
fi
echo "ok $(basename "$page")"
