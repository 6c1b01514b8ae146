#!/usr/bin/env bash
# The menu entry passes desktop-file-validate without a single remark.
set -euo pipefail
source "$(dirname "$0")/expected_files.sh"
need_tool desktop-file-validate desktop-file-utils
output="$(desktop-file-validate "$1" 2>&1)" || { echo "$output"; fail "desktop-file-validate"; }
[ -z "$output" ] || { echo "$output"; fail "desktop-file-validate has remarks"; }
echo "ok $(basename "$1")"
