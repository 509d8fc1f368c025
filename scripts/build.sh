#!/usr/bin/env bash
# Installs what is missing and builds everything into BUILD_DIR (default: build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWWWEKSPORTS_WERROR=ON "$@" >/dev/null
cmake --build "$build"
