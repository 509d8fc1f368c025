#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need, when missing.
# Works as root and, for a normal user, through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config file
  qt6-base-dev libgl-dev qt6-translations-l10n
  liborcus-dev
  libmariadb-dev mariadb-server mariadb-client
  openssl ca-certificates
  libxlsxwriter-dev
  libgtest-dev
  xvfb xauth openbox imagemagick fonts-dejavu-core fonts-liberation x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: needs root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}" >&2
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
