#!/usr/bin/env bash
# Builds what the Windows x64 build of WWWEksports links against, cross-compiled on Debian 12
# with mingw-w64 (posix threads), from Debian's own source packages only.
#
# Everything goes into one cache folder, ${WWWEKSPORTS_WINDOWS_CACHE:-<repo>/.cache/windows}:
#   src/         the source packages as `apt-get source` fetched them, and their unpacked trees
#   build/       build folders (kept, so an interrupted build carries on where it stopped)
#   qt/          Qt 6.4.2 (qt6-base): shared Core, Gui, Widgets, the windows platform plugin
#                and the windowsvista style (Qt always adds the small minimal and offscreen
#                platform plugins); bundled zlib, libpng, FreeType, HarfBuzz, PCRE2; no
#                OpenGL, D-Bus, SQL, network, tests or examples. About 30 minutes on 2 cores.
#   mariadb/     MariaDB Connector/C (the libmariadb/ folder of the mariadb source package),
#                TLS through Windows' own Schannel; libmariadb.dll and its auth plugin DLLs.
#   orcus/       the parts of liborcus 0.17 that the project uses (zip archive, zip archive
#                stream, SAX parser and their helpers) as the static liborcus-parts.a, with
#                liborcus' headers. The rest of liborcus needs compiled Boost libraries.
#   pkgconfig/   libmariadb.pc and liborcus-0.17.pc for PKG_CONFIG_LIBDIR.
#
# Before that it installs the Debian packages it needs (only those missing; as root or
# through sudo) and adds a deb-src twin of the machine's Debian apt sources for
# `apt-get source`. Each stage leaves a stamp holding its settings; a stage whose stamp
# matches is skipped, so a second run takes seconds. Configure the project afterwards with
# scripts/windows/mingw-w64.cmake (see there); the last lines printed say where things are.
#
#   scripts/windows/deps.sh            WWWEKSPORTS_JOBS=N sets the build's parallel jobs.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cache="${WWWEKSPORTS_WINDOWS_CACHE:-$repo/.cache/windows}"
toolchain="$repo/scripts/windows/mingw-w64.cmake"
jobs="${WWWEKSPORTS_JOBS:-$(nproc)}"
triple=x86_64-w64-mingw32
mingw_root="/usr/$triple"
qt_version=6.4.2

mkdir -p "$cache"
cache="$(cd "$cache" && pwd)"
export WWWEKSPORTS_WINDOWS_CACHE="$cache"
src="$cache/src"
build="$cache/build"
mkdir -p "$src" "$build" "$cache/pkgconfig"

log() { echo "deps: $*" >&2; }

# One run at a time on a cache: a second one (build.sh and a developer, say) waits here.
exec 9> "$cache/.deps.lock"
if ! flock -n 9; then
  log "waiting for another deps.sh run on $cache"
  flock 9
fi

# The long compiles run at a lower priority so that the machine stays responsive.
low() { nice -n 10 "$@"; }

stage_started=0
stage() {
  stage_name="$1"
  stage_started=$SECONDS
  log "$stage_name ..."
}
stage_done() { log "$stage_name: $((SECONDS - stage_started)) s${1:+ ($1)}"; }

# A stage's stamp holds the settings it was built with; it is current when they match.
stamp_current() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    as_root=(no_root)
  fi
fi
no_root() {
  log "needs root or sudo for: $*"
  exit 1
}

# --- 1. Debian packages -------------------------------------------------------------------
stage "packages"
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64 binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  wine wine64 libwine-dev
  libboost-dev libmdds-dev
  dpkg-dev qt6-base-dev qt6-base-dev-tools
  cmake ninja-build pkg-config xz-utils zip
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# `apt-get source` needs deb-src entries: the same mirrors and suites as the deb ones.
src_list=/etc/apt/sources.list.d/wwweksports-src.sources
need_update=0
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package:'; then
  need_update=1
fi
if [ "$need_update" -eq 1 ] && [ ! -f "$src_list" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    entries="$(sed -n -e 's/^Types:.*\bdeb\b.*$/Types: deb-src/' -e p \
      /etc/apt/sources.list.d/debian.sources)"
  elif [ -f /etc/apt/sources.list ]; then
    # The one-line format, turned into deb822 stanzas.
    entries="$(awk '$1 == "deb" {
        i = 2
        if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
        for (j = i + 2; j <= NF; j++) printf " %s", $j
        printf "\n\n" }' /etc/apt/sources.list)"
  else
    entries=""
  fi
  if [ -z "$entries" ]; then
    log "found no Debian apt source to add deb-src entries for"
    exit 1
  fi
  log "adding $src_list"
  printf '# deb-src twins of the deb entries, for scripts/windows/deps.sh (apt-get source).\n%s\n' \
    "$entries" | "${as_root[@]}" tee "$src_list" >/dev/null
fi
if [ ${#missing[@]} -gt 0 ] || [ "$need_update" -eq 1 ]; then
  "${as_root[@]}" apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
stage_done

# --- 2. Source packages -------------------------------------------------------------------
stage "sources"
# Fetches source package $1 (newest version first, then older ones apt knows of when a
# version is gone from the mirror) into src/, unpacks it into src/$1 and applies its Debian
# patches. $2, when given, unpacks only that folder of the upstream tarball (no patches).
fetch_source() {
  local package="$1" only="${2:-}" done="$src/$1.unpacked"
  if [ -f "$done" ] && [ -d "$src/$package" ]; then
    return
  fi
  rm -rf "${src:?}/$package"
  local versions version fetched=""
  versions="$(apt-cache showsrc --only-source "$package" | sed -n 's/^Version: //p' | sort -urV)"
  if [ -z "$versions" ]; then
    log "apt knows no source package $package"
    exit 1
  fi
  for version in $versions; do
    local dsc="${package}_${version#*:}.dsc"
    if (cd "$src" && apt-get source -q --download-only "$package=$version" >&2); then
      fetched="$dsc"
      break
    fi
    log "$package $version could not be fetched; trying an older version"
  done
  if [ -z "$fetched" ]; then
    log "no version of $package could be fetched"
    exit 1
  fi
  if [ -n "$only" ]; then
    local tarball
    tarball="$(awk '/^Files:/ {f = 1; next} /^[^ ]/ {f = 0} f && $3 ~ /\.orig\.tar\./ {print $3}' \
      "$src/$fetched" | head -n 1)"
    mkdir -p "$src/$package"
    tar -xf "$src/$tarball" -C "$src/$package" --no-same-owner --strip-components=1 \
      --wildcards "*/$only"
  else
    # apt has checked the files against the signed archive index already.
    (cd "$src" && dpkg-source --no-check -x "$fetched" "$package" >&2)
  fi
  echo "$fetched" > "$done"
}
fetch_source qt6-base
fetch_source mariadb libmariadb
fetch_source liborcus
stage_done "$(cat "$src"/*.unpacked | tr '\n' ' ')"

# --- 3. MariaDB Connector/C ----------------------------------------------------------------
stage "mariadb"
mariadb_src="$src/mariadb/libmariadb"
mariadb_args=(
  -DCMAKE_BUILD_TYPE=Release -DWITH_SSL=SCHANNEL -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF
  -DWITH_EXTERNAL_ZLIB=OFF
)
mariadb_stamp="$cache/mariadb/.wwweksports-built"
if stamp_current "$mariadb_stamp" "$(cat "$src/mariadb.unpacked") ${mariadb_args[*]}"; then
  stage_done "up to date"
else
  low cmake -G Ninja -S "$mariadb_src" -B "$build/mariadb" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWWWEKSPORTS_WINDOWS_CACHE="$cache" \
    -DCMAKE_INSTALL_PREFIX="$cache/mariadb" "${mariadb_args[@]}" > "$build/mariadb-configure.log" 2>&1 ||
    { tail -n 40 "$build/mariadb-configure.log" >&2; exit 1; }
  low cmake --build "$build/mariadb" --parallel "$jobs" > "$build/mariadb-build.log" 2>&1 ||
    { tail -n 40 "$build/mariadb-build.log" >&2; exit 1; }
  rm -rf "$cache/mariadb"
  cmake --install "$build/mariadb" --strip > "$build/mariadb-install.log" 2>&1 ||
    { tail -n 20 "$build/mariadb-install.log" >&2; exit 1; }
  echo "$(cat "$src/mariadb.unpacked") ${mariadb_args[*]}" > "$mariadb_stamp"
  stage_done
fi
mariadb_version="$(sed -n 's/^ *SET(CPACK_PACKAGE_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\)).*/\2/p' \
  "$mariadb_src/CMakeLists.txt" | paste -sd.)"
# The import library of libmariadb.dll is liblibmariadb.dll.a, hence -llibmariadb.
cat > "$cache/pkgconfig/libmariadb.pc" <<EOF
prefix=$cache/mariadb
includedir=\${prefix}/include/mariadb
libdir=\${prefix}/lib/mariadb
plugindir=\${libdir}/plugin

Name: libmariadb
Description: MariaDB Connector/C for Windows x64 (mingw-w64, Schannel)
Version: $mariadb_version
Cflags: -I\${includedir}
Libs: -L\${libdir} -llibmariadb
EOF

# --- 4. liborcus parts ---------------------------------------------------------------------
stage "orcus"
orcus_src="$src/liborcus"
orcus_version="$(sed -n 's/^Version: \([0-9.]*\).*/\1/p' "$src/$(cat "$src/liborcus.unpacked")" | head -n 1)"
orcus_sources=(
  zip_archive.cpp zip_archive_stream.cpp
  sax_parser_base.cpp parser_base.cpp parser_global.cpp cell_buffer.cpp
  exception.cpp string_pool.cpp utf8.cpp
)
orcus_stamp="$cache/orcus/.wwweksports-built"
if stamp_current "$orcus_stamp" "$(cat "$src/liborcus.unpacked") ${orcus_sources[*]}"; then
  stage_done "up to date"
else
  # A small CMake project around the sources; Boost and mdds are header-only here, taken
  # from Debian's packages through a folder that holds nothing else of /usr/include.
  project="$build/orcus-parts"
  rm -rf "$project"
  mkdir -p "$project/host-headers"
  ln -s /usr/include/boost "$project/host-headers/boost"
  ln -s /usr/include/mdds-2.0/mdds "$project/host-headers/mdds"
  {
    echo 'cmake_minimum_required(VERSION 3.16)'
    echo 'project(orcus_parts CXX)'
    echo 'set(CMAKE_CXX_STANDARD 17)'
    echo 'set(CMAKE_CXX_STANDARD_REQUIRED ON)'
    echo 'find_package(ZLIB REQUIRED)'
    printf 'add_library(orcus-parts STATIC'
    printf ' %s' "${orcus_sources[@]/#/$orcus_src/src/parser/}"
    echo ')'
    echo "target_include_directories(orcus-parts PRIVATE $orcus_src/include $orcus_src/src/include)"
    echo "target_include_directories(orcus-parts SYSTEM PRIVATE $project/host-headers)"
    echo 'target_compile_definitions(orcus-parts PRIVATE __ORCUS_PSR_STATIC_LIB __ORCUS_STATIC_LIB)'
    echo 'target_link_libraries(orcus-parts PRIVATE ZLIB::ZLIB)'
  } > "$project/CMakeLists.txt"
  low cmake -G Ninja -S "$project" -B "$project/build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWWWEKSPORTS_WINDOWS_CACHE="$cache" > "$build/orcus-configure.log" 2>&1 ||
    { tail -n 40 "$build/orcus-configure.log" >&2; exit 1; }
  low cmake --build "$project/build" --parallel "$jobs" > "$build/orcus-build.log" 2>&1 ||
    { tail -n 40 "$build/orcus-build.log" >&2; exit 1; }
  rm -rf "$cache/orcus"
  mkdir -p "$cache/orcus/lib" "$cache/orcus/include/liborcus-0.17/orcus"
  cp "$project/build/liborcus-parts.a" "$cache/orcus/lib/"
  (cd "$orcus_src/include/orcus" && find . -name '*.hpp' -exec cp --parents {} "$cache/orcus/include/liborcus-0.17/orcus/" \;)
  # The static zlib beside it: -lz finds it before the DLL's import library in the
  # mingw-w64 folder, so no zlib1.dll needs shipping.
  ln -s "$mingw_root/lib/libz.a" "$cache/orcus/lib/libz.a"
  echo "$(cat "$src/liborcus.unpacked") ${orcus_sources[*]}" > "$orcus_stamp"
  stage_done
fi
cat > "$cache/pkgconfig/liborcus-0.17.pc" <<EOF
prefix=$cache/orcus
includedir=\${prefix}/include
libdir=\${prefix}/lib

Name: liborcus-0.17
Description: liborcus' zip archive and SAX parser for Windows x64 (mingw-w64, static)
Version: $orcus_version
Cflags: -I\${includedir}/liborcus-0.17
Libs: -L\${libdir} -lorcus-parts -lz
EOF

# --- 5. Qt (the long one, last) -----------------------------------------------------------
stage "qt"
qt_src="$src/qt6-base"
qt_args=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_zstd=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_direct2d1_1=OFF -DFEATURE_androiddeployqt=OFF
)
qt_stamp="$cache/qt/.wwweksports-built"
if stamp_current "$qt_stamp" "$(cat "$src/qt6-base.unpacked") ${qt_args[*]}"; then
  stage_done "up to date"
else
  wintab="$qt_src/src/3rdparty/wintab"
  if [ ! -f "$wintab/wine-wintab.h" ]; then
    # Debian's source leaves out src/3rdparty/wintab (its licence forbids changes). Wine's
    # wintab.h and pktdef.h declare the same tablet API; a small wintab.h in front of them
    # adds the Wine macros they use and the API calling convention Qt's plugin names.
    mkdir -p "$wintab"
    cp /usr/include/wine/wine/windows/wintab.h "$wintab/wine-wintab.h"
    cp /usr/include/wine/wine/windows/pktdef.h "$wintab/pktdef.h"
    cat > "$wintab/wintab.h" <<'EOF'
/* Wine's wintab.h with the Wine macros it uses, for Qt's windows platform plugin. */
#ifndef WWWEKSPORTS_WINTAB_H
#define WWWEKSPORTS_WINTAB_H
#include <windows.h>
#ifndef WINELIB_NAME_AW
# ifdef UNICODE
#  define WINELIB_NAME_AW(func) func##W
# else
#  define WINELIB_NAME_AW(func) func##A
# endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#endif
#ifndef API
# define API WINAPI
#endif
#include "wine-wintab.h"
#endif
EOF
  fi
  low cmake -G Ninja -S "$qt_src" -B "$build/qt" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWWWEKSPORTS_WINDOWS_CACHE="$cache" \
    -DCMAKE_INSTALL_PREFIX="$cache/qt" "${qt_args[@]}" > "$build/qt-configure.log" 2>&1 ||
    { tail -n 40 "$build/qt-configure.log" >&2; exit 1; }
  log "building Qt: about 30 minutes on 2 cores; log in $build/qt-build.log"
  low cmake --build "$build/qt" --parallel "$jobs" > "$build/qt-build.log" 2>&1 ||
    { grep -A 20 '^FAILED' "$build/qt-build.log" | head -n 60 >&2; exit 1; }
  rm -rf "$cache/qt"
  cmake --install "$build/qt" --strip > "$build/qt-install.log" 2>&1 ||
    { tail -n 20 "$build/qt-install.log" >&2; exit 1; }
  echo "$(cat "$src/qt6-base.unpacked") ${qt_args[*]}" > "$qt_stamp"
  stage_done
fi

# --- Where things are ----------------------------------------------------------------------
runtime="$(dirname "$($triple-g++-posix -print-file-name=libstdc++-6.dll)")"
cat <<EOF
Windows dependencies in $cache:
  Qt $qt_version (CMAKE_PREFIX_PATH)  $cache/qt  (DLLs: bin; plugins: plugins/platforms, plugins/styles)
  MariaDB Connector/C $mariadb_version  $cache/mariadb  (DLL and plugins: lib/mariadb, lib/mariadb/plugin)
  liborcus parts $orcus_version       $cache/orcus
  PKG_CONFIG_LIBDIR          $cache/pkgconfig
  toolchain file             $toolchain
  mingw-w64 runtime DLLs     $runtime (libstdc++-6.dll libgcc_s_seh-1.dll), $mingw_root/lib (libwinpthread-1.dll)
EOF
