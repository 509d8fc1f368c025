#!/bin/bash
# Builds the Debian package of both programs into dist/:
#   scripts/package.sh          -> dist/wwweksports_<version>_<arch>.deb
# Install it with `apt-get install ./dist/wwweksports_*.deb`: apt brings the libraries it
# needs. The build goes into build-package/ (a Release build without tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_PACKAGE_DIR:-$root/build-package}
"$root/scripts/setup.sh"
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DWWWEKSPORTS_TESTS=OFF -DWWWEKSPORTS_BENCH=OFF -DWWWEKSPORTS_WERROR=ON >/dev/null
cmake --build "$build"
rm -f "$build"/wwweksports_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
mkdir -p "$root/dist"
cp "$build"/wwweksports_*.deb "$root/dist/"
ls "$root"/dist/wwweksports_*.deb
