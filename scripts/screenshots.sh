#!/usr/bin/env bash
# Screenshots of the window for the README, taken under a virtual X server at 96 dpi: its two
# pages and its box "Drošība" (sending.png, process-log.png, security.png), and under a window
# manager a long upload, the end of "Sūtīt atlikumus" and a failed run (during-upload.png,
# after-stock.png, failed-run.png), all in docs/screenshots. The window's inputs come from a demo store of its own in the build
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
  # Shows scene $1 and writes $2: the window alone, or with "screen" the whole screen trimmed
  # to the windows (under the window manager, title bars and boxes included).
  shot() {
    "$WWWEKSPORTS_SHOW" "$1" >"$SHOTS/window-id" &
    local pid=$!
    for _ in $(seq 100); do
      [ -s "$SHOTS/window-id" ] && break
      sleep 0.1
    done
    if [ "${3:-}" = screen ]; then
      sleep 0.5
      import -window root "$SHOTS/screen.png"
      convert "$SHOTS/screen.png" -trim +repage "$2"
    else
      import -window "$(cat "$SHOTS/window-id")" "$2"
    fi
    kill "$pid"
    wait "$pid" || true
  }
  shot 0 "$0/sending.png"
  shot 1 "$0/process-log.png"
  shot 2 "$0/security.png"
  openbox >/dev/null 2>&1 &
  sleep 1
  shot 3 "$0/during-upload.png" screen
  shot 4 "$0/after-stock.png" screen
  shot 6 "$0/check.png" screen
  shot 5 "$0/failed-run.png" screen
' "$root/docs/screenshots"
echo "screenshots: $root/docs/screenshots/{sending,process-log,security,during-upload,after-stock,failed-run,check}.png"
