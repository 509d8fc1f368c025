#!/usr/bin/env bash
# The Windows x64 build, made on this Debian machine: builds what the programs need for
# Windows (scripts/windows/deps.sh: Qt, MariaDB Connector/C and liborcus' parser from
# Debian's source packages, into a cache folder it reuses), cross-builds the window and the
# CLI with mingw-w64, and writes dist/wwweksports-win64.zip: both programs, the DLLs they
# load, the Qt plugins and the client's login plugins, stripped.
#   scripts/windows/build.sh      (cache: $WWWEKSPORTS_WINDOWS_CACHE, default .cache/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WWWEKSPORTS_WINDOWS_CACHE=${WWWEKSPORTS_WINDOWS_CACHE:-$root/.cache/windows}
cache=$WWWEKSPORTS_WINDOWS_CACHE
build=$cache/project  # deps.sh keeps its own build folders in $cache/build
dist=$root/dist
started=$(date +%s)

"$root/scripts/windows/deps.sh"

# The icon, drawn by the Linux build's own tool from the window icon's picture.
"$root/scripts/setup.sh"  # also Qt's Latvian translation
host=${WWWEKSPORTS_BUILD_DIR:-$root/build}
cmake -G Ninja -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$host" --target wwweksports-make-icon >/dev/null
mkdir -p "$build"
QT_QPA_PLATFORM=offscreen "$host/wwweksports-make-icon" "$build/wwweksports.ico"

PKG_CONFIG_LIBDIR=$cache/pkgconfig cmake -G Ninja -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-w64.cmake" \
  -DWWWEKSPORTS_WINDOWS_CACHE="$cache" -DCMAKE_PREFIX_PATH="$cache/qt" \
  -DCMAKE_BUILD_TYPE=Release -DWWWEKSPORTS_WERROR=ON \
  -DWWWEKSPORTS_TESTS=OFF -DWWWEKSPORTS_BENCH=OFF \
  -DCMAKE_AUTORCC_OPTIONS=--no-zstd -DWWWEKSPORTS_ICON="$build/wwweksports.ico" >/dev/null
PKG_CONFIG_LIBDIR=$cache/pkgconfig cmake --build "$build" --target wwweksports wwweksports-cli

# The package: the programs and everything they load, beside them.
stage=$build/stage/wwweksports
rm -rf "$build/stage" && mkdir -p "$stage/platforms" "$stage/styles" "$stage/plugin" "$stage/translations"
cp "$build/wwweksports.exe" "$build/wwweksports-cli.exe" "$stage/"
for dll in Qt6Core Qt6Gui Qt6Widgets; do cp "$cache/qt/bin/$dll.dll" "$stage/"; done
cp "$cache/qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$cache/qt/plugins/styles/"*.dll "$stage/styles/" 2>/dev/null || true
# The client library, and its login plugins in "plugin" where the program points it.
cp "$(find "$cache/mariadb" -name libmariadb.dll | head -1)" "$stage/"
find "$cache/mariadb" -path '*/plugin/*.dll' -exec cp {} "$stage/plugin/" \;
# Qt's own texts in Latvian (the same Qt version's translation, from Debian).
cp /usr/share/qt6/translations/qtbase_lv.qm "$stage/translations/"
mingw=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do cp "$mingw/$dll" "$stage/"; done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
[ -f /usr/x86_64-w64-mingw32/lib/zlib1.dll ] && cp /usr/x86_64-w64-mingw32/lib/zlib1.dll "$stage/"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
mkdir -p "$dist"
rm -f "$dist/wwweksports-win64.zip"
(cd "$build/stage" && zip -qr "$dist/wwweksports-win64.zip" wwweksports)
echo "dist/wwweksports-win64.zip: $(du -k "$dist/wwweksports-win64.zip" | cut -f1) KiB; built in $(($(date +%s) - started)) s"
