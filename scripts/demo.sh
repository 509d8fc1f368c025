#!/usr/bin/env bash
# The tool's main job on a local demo shop: builds the tool, starts a private MariaDB with an
# OpenCart 3 demo shop and writes a generated Grupas_web.xlsx and Preces_web.xlsx. With a
# display it opens the window on that shop, its inputs filled in; without one it sends the
# lists and then the stock balances with the headless front end, printing part of the
# published catalogue and the quantities before and after.
# The operator's own saved inputs are never read or touched: the demo keeps its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WWWEKSPORTS_BUILD_DIR:-$root/build}
demo=$root/.demo
"$root/scripts/build.sh"

port=$("$root/scripts/testdb.sh" start "$demo/db")
trap '"$root/scripts/testdb.sh" stop "$demo/db"' EXIT
sql() { mariadb --no-defaults -h127.0.0.1 -P"$port" -ushop -pshop-password "$@"; }

products=12
sql -e 'DROP DATABASE IF EXISTS demo_shop; CREATE DATABASE demo_shop'
sql demo_shop <"$root/tests/fixtures/shop_schema.sql"
sql demo_shop -e "INSERT INTO product (product_id, model, sku, upc, ean, jan, isbn, mpn, location, quantity,
                    stock_status_id, manufacturer_id, tax_class_id, status, date_added, date_modified)
                  SELECT seq, CONCAT('A', 100000 + seq), '', '', '', '', '', '', '', 0, 6, 0, 0, 1, NOW(), NOW()
                  FROM seq_1_to_$products"

mkdir -p "$demo/workbooks" "$demo/config"
"$build/wwweksports-sample-catalogue" "$demo/workbooks" "$products"

export XDG_CONFIG_HOME=$demo/config
workbook=$demo/workbooks/Preces_web.xlsx

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The window restores its inputs from the demo's own store (and saves them there).
  store=$XDG_CONFIG_HOME/TOLVERN/Zentaro/WWWExp.json
  mkdir -p "$(dirname "$store")"
  (umask 077 && cat >"$store" <<JSON
{
    "E_SHOP_MYSQL_IP": "127.0.0.1:$port",
    "E_SHOP_MYSQL_DB": "demo_shop",
    "E_SHOP_MYSQL_USERNAME": "shop",
    "E_SHOP_MYSQL_PASWORD": "shop-password",
    "ExcelDir": "$workbook",
    "chkPreces": 1,
    "chkSpecCenas": 1
}
JSON
  )
  chmod 600 "$store"
  echo "The window is open on the demo shop (127.0.0.1:$port, database demo_shop):"
  echo "\"Sūtīt sarakstus\" publishes the catalogue, \"Sūtīt atlikumus\" the stock balances."
  "$build/wwweksports"
  exit 0
fi

export DEMO_SHOP_PASSWORD=shop-password
cli() {
  "$build/wwweksports-cli" --address "127.0.0.1:$port" --database demo_shop --user shop \
    --password-env DEMO_SHOP_PASSWORD --workbooks "$demo/workbooks" "$@"
}

echo "What \"Sūtīt sarakstus\" and \"Sūtīt atlikumus\" would change, found by reading only:"
cli check --products --specials
cli send-lists --products --specials
echo "The published catalogue (6 of $products products) after \"Sūtīt sarakstus\":"
sql demo_shop -t -e "SELECT p.product_id, p.model, pd.name, cd.name AS category, p.price,
                       ps.price AS special, su.keyword
                     FROM product p
                     JOIN product_description pd ON pd.product_id = p.product_id
                     JOIN product_to_category pc ON pc.product_id = p.product_id
                     JOIN category_description cd ON cd.category_id = pc.category_id
                     LEFT JOIN product_special ps ON ps.product_id = p.product_id
                     LEFT JOIN seo_url su ON su.query = CONCAT('product_id=', p.product_id)
                     ORDER BY p.product_id LIMIT 6"

# A day of sales in the shop, so that the balances have something to put right.
sql demo_shop -e 'UPDATE product SET quantity = quantity - LEAST(quantity, 3)'
echo "Quantities before \"Sūtīt atlikumus\" (after a day of sales):"
sql demo_shop -t -e 'SELECT product_id, model, quantity FROM product ORDER BY product_id LIMIT 6'

cli send-stock

echo "Quantities after \"Sūtīt atlikumus\" from $workbook:"
sql demo_shop -t -e 'SELECT product_id, model, quantity FROM product ORDER BY product_id LIMIT 6'
sql demo_shop -N -e "SELECT CONCAT('Maintenance mode: ', value) FROM setting
                  WHERE code='config' AND \`key\`='config_maintenance'"
