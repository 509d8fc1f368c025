#!/usr/bin/env bash
# Runs the benchmarks against a private MariaDB server and prints their figures.
#   bench/run.sh [PRODUCTS] [BASELINE]
# BASELINE, a commit (e.g. the previous release), is built beside this tree and its
# wwweksports-cli runs each upload too, from the same shop: both times are printed and the
# tables both leave are compared.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
products=${1:-50000}
baseline=${2:-}
"$root/scripts/build.sh"
if [ -n "$baseline" ]; then
  src=$build/baseline-src
  git -C "$root" worktree remove --force "$src" 2>/dev/null || rm -rf "$src"
  git -C "$root" worktree add --detach "$src" "$baseline" >/dev/null
  cmake -G Ninja -S "$src" -B "$build/baseline" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build/baseline" --target wwweksports-cli >/dev/null
  export WWWEKSPORTS_BASELINE_CLI=$build/baseline/wwweksports-cli
  echo "previous release: $(git -C "$root" log -1 --format='%h %s' "$baseline")"
fi
work=$(mktemp -d)
port=$("$root/scripts/testdb.sh" start "$build/benchdb")
trap '"$root/scripts/testdb.sh" stop "$build/benchdb"; rm -rf "$work"; [ -z "$baseline" ] || git -C "$root" worktree remove --force "$build/baseline-src"' EXIT
export WWWEKSPORTS_TEST_DB_PORT=$port

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(mariadbd --version | awk '{print $3}')"
"$build/wwweksports-sample-catalogue" "$work" "$products" 2000 4
echo "Preces_web.xlsx: $(du -k "$work/Preces_web.xlsx" | cut -f1) KiB, $products products"
"$build/bench/bench_workbook_read" "$work"
mkdir "$work/full"
"$build/bench/bench_workbook_read" "$work/full" 1048576
rm -r "$work/full"
rm -f "$work"/*.tsv
"$build/bench/bench_send_lists" "$work" "$products" 2000 4 2
rm -f "$work"/*.tsv
"$build/bench/bench_uploads" "$work" "$products"
