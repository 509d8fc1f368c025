#!/usr/bin/env bash
# Proves dist/wwweksports-win64.zip under Wine: unpacks it into a fresh Wine prefix, starts
# a private MariaDB with a demo shop, and checks
#   - the CLI's test-connection, send-lists and send-stock, the tables they leave compared
#     with what the Linux build leaves from the same workbooks;
#   - saved inputs typed with `reg add` (a password starting with @) read back as typed;
#   - the window under Xvfb: it restores its inputs from the registry, picks a workbook path
#     in Windows' own file dialog, publishes the lists on a click, and saves its inputs there
#     when closed, where the CLI finds them;
#   - screenshots of both pages and the file dialog into docs/screenshots/windows-*.png.
# Prints "N passed, N failed" last and exits 1 when any check failed.
#   scripts/windows/smoke.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$root/dist/wwweksports-win64.zip
[ -f "$zip" ] || { echo "smoke: $zip missing; run scripts/windows/build.sh" >&2; exit 2; }

need=()
for p in wine xvfb xauth openbox xdotool imagemagick unzip mariadb-client; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  as_root=(); [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -q >/dev/null
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null
fi
# The Linux build makes the workbooks and the reference run.
"$root/scripts/build.sh" >/dev/null
host=${WWWEKSPORTS_BUILD_DIR:-$root/build}

work=$(mktemp -d)
port=$("$root/scripts/testdb.sh" start "$work/db")
cleanup() {
  wineserver -k 2>/dev/null
  "$root/scripts/testdb.sh" stop "$work/db"
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
unzip -q "$zip" -d "$work"
app=$work/wwweksports
wine wineboot -i >/dev/null 2>&1

passed=0 failed=0
check() {  # NAME COMMAND...: one check, told either way
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok      $name"
  else failed=$((failed + 1)); echo "FAILED  $name"; fi
}
sql() { mariadb --no-defaults -h127.0.0.1 -P"$port" -ushop -pshop-password "$@"; }

products=40
for db in win_shop linux_shop; do
  sql -e "CREATE DATABASE $db"
  sql "$db" <"$root/tests/fixtures/shop_schema.sql"
  sql "$db" -e "INSERT INTO language (language_id, name, code, locale, image, directory, sort_order, status)
                  VALUES (2, 'Latviešu', 'lv-lv', '', '', '', 2, 1);
                INSERT INTO product (product_id, model, sku, upc, ean, jan, isbn, mpn, location, quantity,
                  stock_status_id, manufacturer_id, tax_class_id, status, date_added, date_modified)
                  SELECT seq, CONCAT('A', seq), '', '', '', '', '', '', '', 0, 6, 0, 0, 1, NOW(), NOW()
                  FROM seq_1_to_$products"
done
sql -e "CREATE USER 'smoke'@'%' IDENTIFIED BY '@veikals-1'; GRANT ALL ON win_shop.* TO 'smoke'@'%'"
mkdir -p "$work/workbooks"
"$host/wwweksports-sample-catalogue" "$work/workbooks" "$products" >/dev/null
workbooks=$(winepath -w "$work/workbooks")
export SHOP_PW=shop-password XDG_CONFIG_HOME=$work/config
wincli() {
  wine "$app/wwweksports-cli.exe" --address "127.0.0.1:$port" --database win_shop --user shop \
    --password-env SHOP_PW --workbooks "$workbooks" "$@"
}
linuxcli() {
  "$host/wwweksports-cli" --address "127.0.0.1:$port" --database linux_shop --user shop \
    --password-env SHOP_PW --workbooks "$work/workbooks" "$@"
}
tables="category, category_description, category_path, category_to_store, product,
        product_description, product_to_category, product_to_store, product_special, seo_url"
same_tables() {
  [ "$(sql win_shop -N -e "CHECKSUM TABLE $tables" | cut -f2)" = \
    "$(sql linux_shop -N -e "CHECKSUM TABLE $tables" | cut -f2)" ]
}

wincli test-connection >"$work/test-connection.log" 2>&1
check "CLI: test-connection" grep -q 'Savienojuma pārbaude izdevās' "$work/test-connection.log"
check "CLI: send-lists" wincli send-lists --products --specials
linuxcli send-lists --products --specials >/dev/null 2>&1
check "CLI: send-lists leaves the tables the Linux build leaves" same_tables
check "CLI: Latvian names arrive intact" test "$(sql win_shop -N -e \
  "SELECT COUNT(*) FROM product_description WHERE name LIKE '%ā%' OR name LIKE '%ē%' OR name LIKE '%š%'")" -gt 0
sql win_shop -e "UPDATE product SET quantity = 0"; sql linux_shop -e "UPDATE product SET quantity = 0"
check "CLI: send-stock" wincli send-stock
linuxcli send-stock >/dev/null 2>&1
check "CLI: send-stock leaves the quantities the Linux build leaves" test \
  "$(sql win_shop -N -e 'SELECT GROUP_CONCAT(quantity ORDER BY product_id) FROM product')" = \
  "$(sql linux_shop -N -e 'SELECT GROUP_CONCAT(quantity ORDER BY product_id) FROM product')"

# Inputs typed into the registry by hand, as an administrator would: read back as typed.
key='HKCU\Software\TOLVERN\Zentaro\WWWExp'
reg() { wine reg "$@" >/dev/null 2>&1; }
reg add "$key" /v E_SHOP_MYSQL_IP /t REG_SZ /d "127.0.0.1:$port" /f
reg add "$key" /v E_SHOP_MYSQL_DB /t REG_SZ /d win_shop /f
reg add "$key" /v E_SHOP_MYSQL_USERNAME /t REG_SZ /d smoke /f
reg add "$key" /v E_SHOP_MYSQL_PASWORD /t REG_SZ /d '@veikals-1' /f
reg add "$key" /v ExcelDir /t REG_SZ /d "$workbooks\\Preces_web.xlsx" /f
reg add "$key" /v chkPreces /t REG_DWORD /d 1 /f
reg add "$key" /v chkSpecCenas /t REG_DWORD /d 1 /f
check "registry: a password typed with reg add, starting with @, logs in" \
  wine "$app/wwweksports-cli.exe" test-connection

# The client's login plugins are found in "plugin" beside the program: an account that logs in
# with ed25519 needs client_ed25519.dll from there. (caching_sha2_password.dll, MySQL 8's
# default, ships beside it; MariaDB cannot serve that method, so it is only checked present.)
sql -e "INSTALL SONAME 'auth_ed25519'" 2>/dev/null
sql -e "CREATE USER 'smoke_ed'@'%' IDENTIFIED VIA ed25519 USING PASSWORD('ed-veikals-1');
        GRANT ALL ON win_shop.* TO 'smoke_ed'@'%'"
check "plugins: an ed25519 account logs in with the plugin beside the program" \
  env ED_PW=ed-veikals-1 wine "$app/wwweksports-cli.exe" --user smoke_ed --password-env ED_PW \
  test-connection
check "plugins: caching_sha2_password.dll ships in plugin" \
  test -s "$app/plugin/caching_sha2_password.dll"

# The window: restores the inputs, publishes on a click, saves on "Aizvērt".
sql win_shop -e "DELETE FROM product_special"
export SHOTS=$work/shots APP=$app
mkdir -p "$SHOTS"
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96 -nolisten tcp" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  wine "$APP/wwweksports.exe" >/dev/null 2>&1 &
  for _ in $(seq 60); do
    id=$(xdotool search --name "Datu apmai" 2>/dev/null | head -1); [ -n "$id" ] && break; sleep 0.5
  done
  [ -n "$id" ] || exit 1
  sleep 2
  import -window root "$SHOTS/sending-full.png"
  # "Excel failu katalogs": the dialog of Windows, in the folder of the workbooks; a name
  # typed without a suffix gets .XLSX.
  xdotool mousemove --window "$id" 58 36 click 1
  for _ in $(seq 20); do
    xdotool search --name "Kur atrodas Excel fails" >/dev/null 2>&1 && break; sleep 0.5
  done
  sleep 2
  xdotool search --name "Kur atrodas Excel fails" >/dev/null 2>&1 && touch "$SHOTS/dialog"
  xdotool key End; for _ in $(seq 30); do xdotool key BackSpace; done
  import -window root "$SHOTS/dialog-full.png"
  xdotool type --delay 30 Eksports; xdotool key Return; sleep 2
  # "Sūtīt sarakstus" (the lists), then the page "Procesa dati".
  xdotool mousemove --window "$id" 60 122 click 1; sleep 8
  xdotool mousemove --window "$id" 100 12 click 1; sleep 1
  import -window root "$SHOTS/log-full.png"
  xdotool mousemove --window "$id" 30 12 click 1; sleep 0.5
  xdotool mousemove --window "$id" 396 122 click 1   # "Aizvērt"
  for _ in $(seq 20); do xdotool search --name "Datu apmai" >/dev/null 2>&1 || break; sleep 0.5; done
' 
check "window: started and showed the page Sūtīšana" test -s "$SHOTS/sending-full.png"
check "window: \"Sūtīt sarakstus\" published the special prices" \
  test "$(sql win_shop -N -e 'SELECT COUNT(*) FROM product_special')" -gt 0
check "window: saved its inputs in the registry on closing" sh -c \
  "wine reg query '$key' /v chkPreces 2>/dev/null | grep -q REG_DWORD"
check "window: the file dialog opened in the workbooks' folder and gave the name .XLSX" sh -c \
  "test -e '$SHOTS/dialog' && wine reg query '$key' /v ExcelDir 2>/dev/null | tr -d '\r' |
   grep -qF '$workbooks\\Eksports.XLSX'"
check "registry: the CLI runs on the inputs the window saved" \
  wine "$app/wwweksports-cli.exe" send-stock
# The whole screen trimmed to the window: its frame and title bar as openbox draws them.
for shot in sending log dialog; do
  [ -s "$SHOTS/$shot-full.png" ] || continue
  convert "$SHOTS/$shot-full.png" -trim +repage "$SHOTS/$shot.png"
done
[ -s "$SHOTS/sending.png" ] && cp "$SHOTS/sending.png" "$root/docs/screenshots/windows-sending.png"
[ -s "$SHOTS/log.png" ] && cp "$SHOTS/log.png" "$root/docs/screenshots/windows-process-log.png"
[ -s "$SHOTS/dialog.png" ] && cp "$SHOTS/dialog.png" "$root/docs/screenshots/windows-file-dialog.png"
check "screenshots: docs/screenshots/windows-*.png" test -s "$root/docs/screenshots/windows-process-log.png"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
