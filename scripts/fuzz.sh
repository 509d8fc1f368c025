#!/usr/bin/env bash
# Builds the workbook fuzz program with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build directory of its own (BUILD_DIR with "-fuzz" appended) and runs it: a fixed number of
# damaged workbooks from a fixed seed, so that every run reads the same ones.
#   scripts/fuzz.sh [ITERATIONS [SEED]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}-fuzz
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWWWEKSPORTS_WERROR=ON \
    -DWWWEKSPORTS_SANITIZE=ON -DWWWEKSPORTS_WINDOW=OFF -DWWWEKSPORTS_BENCH=OFF >/dev/null
cmake --build "$build" --target workbook_fuzz
cd "$build"
fuzz/workbook_fuzz "${1:-20000}" "${2:-1}"
