#!/usr/bin/env bash
# The test command: installs what is missing, builds with warnings as errors, starts the
# private test databases (a plain one, and two that take only TLS links: one with a
# certificate for 127.0.0.1, one with a certificate for another name), runs every test,
# stops the databases; then runs the workbook fuzz program in a sanitizer build
# (scripts/fuzz.sh).
#   scripts/test.sh [ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"

dbdir=$build/testdb
certs=$build/testcerts
trap 'for d in "$dbdir" "$dbdir-tls" "$dbdir-tls-wrong"; do "$root/scripts/testdb.sh" stop "$d"; done' EXIT
"$root/scripts/testcerts.sh" "$certs"
# Assigned before exported: a server that does not start stops the script.
WWWEKSPORTS_TEST_DB_PORT=$("$root/scripts/testdb.sh" start "$dbdir")
WWWEKSPORTS_TEST_TLS_DB_PORT=$("$root/scripts/testdb.sh" start "$dbdir-tls" "$certs" server)
WWWEKSPORTS_TEST_TLS_WRONG_DB_PORT=$("$root/scripts/testdb.sh" start "$dbdir-tls-wrong" "$certs" wrong)
export WWWEKSPORTS_TEST_DB_PORT WWWEKSPORTS_TEST_TLS_DB_PORT WWWEKSPORTS_TEST_TLS_WRONG_DB_PORT
export WWWEKSPORTS_TEST_CERTS=$certs
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 600 -j "$(nproc)" "$@"
"$root/scripts/fuzz.sh"
