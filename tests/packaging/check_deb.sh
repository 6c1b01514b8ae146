#!/usr/bin/env bash
# cpack -G DEB in the build folder makes a package whose Depends come from the
# binaries; unpacked into a scratch root, its command runs.
#   check_deb.sh CPACK BUILD_DIR VERSION HAS_GUI HAS_CLI
set -euo pipefail
source "$(dirname "$0")/expected_files.sh"
cpack="$1" build="$2" version="$3" HAS_GUI="$4" HAS_CLI="$5"
need_tool dpkg-deb dpkg
need_tool dpkg-shlibdeps dpkg-dev
need_tool file file
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The package goes to the scratch folder, so the test never races a user's
# own cpack run in the same build folder.
(cd "$build" && "$cpack" -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
if grep -q 'CMake Warning' "$scratch/cpack.log"; then
  cat "$scratch/cpack.log"
  fail "cpack warns"
fi
debs=("$scratch"/out/stepdown_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { ls -l "$scratch/out"; fail "no single stepdown_*.deb"; }
deb="${debs[0]}"
echo "package: $(basename "$deb")"
dpkg-deb -I "$deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = stepdown ] || fail "Package is not stepdown"
[ "$(field Version)" = "$version" ] || fail "Version is not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong Architecture"
[ "$(field Section)" = electronics ] || fail "Section is not electronics"
field Maintainer | grep -q '@example.org>$' || fail "Maintainer has no example.org address"
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"

depends="$(field Depends)"
[ -n "$depends" ] || fail "no Depends"
required=(libc6 libstdc++6)
if [ "$HAS_GUI" = 1 ]; then required+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6); fi
depends_names="$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')"
for package in "${required[@]}"; do
  grep -Fqx "$package" <<<"$depends_names" || fail "Depends does not name $package: $depends"
done

# Everything lands under /usr, and nothing beyond the expected files.
dpkg -x "$deb" "$scratch/root"
check_tree "$scratch/root/usr"
while read -r path; do
  [ -z "$path" ] && continue
  grep -qx "$path" <(expected_files) || fail "unexpected file in the package: usr/$path"
done < <(cd "$scratch/root/usr" && find . -type f -printf '%P\n')
[ -z "$(cd "$scratch/root" && find . -mindepth 1 -maxdepth 1 ! -name usr)" ] ||
  fail "the package installs outside /usr"
for path in bin/stepdown bin/stepdown-cli; do
  if [ -e "$scratch/root/usr/$path" ] && file -b "$scratch/root/usr/$path" | grep -q 'not stripped'; then
    fail "usr/$path is not stripped"
  fi
done

if [ "$HAS_CLI" = 1 ]; then
  "$scratch/root/usr/bin/stepdown-cli" --version || fail "packaged stepdown-cli --version"
fi
echo "ok deb"
