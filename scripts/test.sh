#!/usr/bin/env bash
# The test command: installs what is missing, builds with warnings as errors, starts the
# private test database, runs every test, stops the database; then runs the workbook fuzz
# program in a sanitizer build (scripts/fuzz.sh).
#   scripts/test.sh [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"

dbdir=$build/testdb
port=$("$root/scripts/testdb.sh" start "$dbdir")
trap '"$root/scripts/testdb.sh" stop "$dbdir"' EXIT
export WWWEKSPORTS_TEST_DB_PORT=$port
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 600 -j "$(nproc)" "$@"
"$root/scripts/fuzz.sh"
