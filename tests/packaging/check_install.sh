#!/usr/bin/env bash
# cmake --install into a scratch prefix puts every file in place.
#   check_install.sh CMAKE BUILD_DIR HAS_GUI HAS_CLI
set -euo pipefail
source "$(dirname "$0")/expected_files.sh"
cmake="$1" build="$2" HAS_GUI="$3" HAS_CLI="$4"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$cmake" --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log"; fail "cmake --install"; }
check_tree "$scratch/prefix"
if [ "$HAS_GUI" = 1 ]; then
  need_tool desktop-file-validate desktop-file-utils
  desktop-file-validate "$scratch/prefix/share/applications/$APP_ID.desktop" ||
    fail "installed desktop entry"
  # The metainfo, menu entry and icons as a desktop sees them together.
  need_tool appstreamcli appstream
  appstreamcli validate-tree --no-net "$scratch/prefix" || fail "appstreamcli validate-tree"
  # The media type as the desktop's database builds it: *.stepdown is a design file.
  need_tool update-mime-database shared-mime-info
  update-mime-database "$scratch/prefix/share/mime" || fail "update-mime-database"
  grep -qx 'application/x-stepdown-design:\*\.stepdown' "$scratch/prefix/share/mime/globs" ||
    fail "the media database does not give *.stepdown to application/x-stepdown-design"
fi
if [ "$HAS_CLI" = 1 ]; then
  "$scratch/prefix/bin/stepdown-cli" --version || fail "installed stepdown-cli --version"
fi
echo "ok install"
