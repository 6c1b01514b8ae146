#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages the build needs
# (only those missing) and configures the build folder.
set -euo pipefail

STEPDOWN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  fonts-liberation2
  clang libclang-rt-14-dev clang-format clang-tidy
  dpkg-dev desktop-file-utils appstream file man-db groff-base
  poppler-utils shared-mime-info jq time
  ngspice
)

stepdown_install_packages() {
  local missing=()
  for package in "${STEPDOWN_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then return 0; fi
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

stepdown_configure() {
  local build_dir="$1"; shift
  cmake -S "$STEPDOWN_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}
