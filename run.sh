#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
STEPDOWN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$STEPDOWN_ROOT/tools/bootstrap.sh"
stepdown_install_packages
stepdown_configure "$STEPDOWN_ROOT/build"
cmake --build "$STEPDOWN_ROOT/build" --target stepdown
exec "$STEPDOWN_ROOT/build/bin/stepdown" "$@"
