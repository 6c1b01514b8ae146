#!/usr/bin/env bash
# The AppStream data validates offline and names the project's version.
#   check_metainfo.sh METAINFO VERSION
set -euo pipefail
source "$(dirname "$0")/expected_files.sh"
need_tool appstreamcli appstream
appstreamcli validate --no-net --pedantic "$1" || fail "appstreamcli validate"
grep -q "<release version=\"$2\"" "$1" || fail "no release entry for version $2"
echo "ok $(basename "$1")"
