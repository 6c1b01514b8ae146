# Sourced by the install and package checks: the files an installation holds,
# relative to its prefix. Needs HAS_GUI and HAS_CLI (1 or 0).

APP_ID=org.example.stepdown
ICON_NAME=stepdown
ICON_SIZES=(16 32 48 256)

expected_files() {
  if [ "$HAS_GUI" = 1 ]; then
    echo bin/stepdown
    echo "share/applications/$APP_ID.desktop"
    echo "share/metainfo/$APP_ID.metainfo.xml"
    echo "share/mime/packages/$APP_ID.xml"
    echo "share/icons/hicolor/scalable/apps/$ICON_NAME.svg"
    for size in "${ICON_SIZES[@]}"; do
      echo "share/icons/hicolor/${size}x${size}/apps/$ICON_NAME.png"
    done
  fi
  if [ "$HAS_CLI" = 1 ]; then
    echo bin/stepdown-cli
    echo share/man/man1/stepdown-cli.1.gz
  fi
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need_tool() {
  command -v "$1" >/dev/null || fail "$1 not found (Debian package $2; tools/bootstrap.sh installs it)"
}

# The installed tree under ROOT (a prefix) is complete and self-consistent.
check_tree() {
  local root="$1" path size
  while read -r path; do
    [ -f "$root/$path" ] || fail "missing $path"
    echo "ok $path"
  done < <(expected_files)
  for path in bin/stepdown bin/stepdown-cli; do
    if [ -e "$root/$path" ]; then
      [ -x "$root/$path" ] || fail "$path is not executable"
      if ldd "$root/$path" | grep -q 'not found'; then
        ldd "$root/$path" >&2
        fail "$path has unresolved libraries"
      fi
    fi
  done
  if [ "$HAS_GUI" = 1 ]; then
    need_tool file file
    for size in "${ICON_SIZES[@]}"; do
      path="share/icons/hicolor/${size}x${size}/apps/$ICON_NAME.png"
      file -b "$root/$path" | grep -q "^PNG image data, $size x $size," ||
        fail "$path is not a $size x $size PNG: $(file -b "$root/$path")"
    done
    file -b "$root/share/icons/hicolor/scalable/apps/$ICON_NAME.svg" | grep -q SVG ||
      fail "the scalable icon is not an SVG"
    # The menu entry starts the installed program and shows the installed icon;
    # the AppStream data points at the menu entry.
    local desktop="$root/share/applications/$APP_ID.desktop"
    grep -qx "Exec=stepdown %f" "$desktop" || fail "desktop entry does not run stepdown on a file"
    grep -qx "MimeType=application/x-stepdown-design;" "$desktop" ||
      fail "desktop entry does not open design files"
    grep -qx "Icon=$ICON_NAME" "$desktop" || fail "desktop entry icon is not $ICON_NAME"
    grep -qx "Name=stepdown" "$desktop" || fail "desktop entry name is not stepdown"
    grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" \
      "$root/share/metainfo/$APP_ID.metainfo.xml" || fail "metainfo does not launch $APP_ID.desktop"
  fi
  if [ "$HAS_CLI" = 1 ]; then
    gzip -t "$root/share/man/man1/stepdown-cli.1.gz" || fail "manual page is not gzip"
  fi
}
