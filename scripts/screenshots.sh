#!/usr/bin/env bash
# Screenshots of the window's two pages and its box "Drošība" for the README:
# docs/screenshots/sending.png, process-log.png and security.png, taken under a virtual X
# server at 96 dpi. The window's inputs come from a demo store of its own in the build
# directory; the operator's own saved inputs are never read or touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"

shots=$build/screenshots
store=$shots/config/TOLVERN/Zentaro/WWWExp.json
mkdir -p "$(dirname "$store")" "$root/docs/screenshots"
(umask 077 && cat >"$store" <<'JSON'
{
    "E_SHOP_MYSQL_IP": "192.168.10.20:3306",
    "E_SHOP_MYSQL_DB": "veikals",
    "E_SHOP_MYSQL_USERNAME": "eksports",
    "E_SHOP_MYSQL_PASWORD": "parole",
    "ExcelDir": "/home/kase/Eksports/Preces_web.xlsx",
    "chkPreces": 1,
    "chkSpecCenas": 1,
    "E_SHOP_MYSQL_TLS_MODE": "verify-ca",
    "E_SHOP_MYSQL_TLS_CA": "/home/kase/Eksports/hostinga-ca.pem"
}
JSON
)

export XDG_CONFIG_HOME=$shots/config
export WWWEKSPORTS_SHOW=$build/docs/screenshots/wwweksports-window-screenshot
export SHOTS=$shots
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96 -nolisten tcp" bash -c '
  set -euo pipefail
  shot() {  # page index, output file
    "$WWWEKSPORTS_SHOW" "$1" >"$SHOTS/window-id" &
    local pid=$!
    for _ in $(seq 100); do
      [ -s "$SHOTS/window-id" ] && break
      sleep 0.1
    done
    import -window "$(cat "$SHOTS/window-id")" "$2"
    kill "$pid"
    wait "$pid" || true
  }
  shot 0 "$0/sending.png"
  shot 1 "$0/process-log.png"
  shot 2 "$0/security.png"
' "$root/docs/screenshots"
echo "screenshots: $root/docs/screenshots/{sending,process-log,security}.png"
