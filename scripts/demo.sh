#!/usr/bin/env bash
# The tool's main job on a local demo shop: builds the tool, starts a private MariaDB with an
# OpenCart 3 demo shop, writes a generated Preces_web.xlsx, and sends its stock balances into
# the shop with the headless front end, printing the quantities before and after.
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
"$build/tests/fixtures/wwweksports-sample-catalogue" "$demo/workbooks" "$products"

echo "Quantities before:"
sql demo_shop -t -e 'SELECT product_id, model, quantity FROM product ORDER BY product_id'

export XDG_CONFIG_HOME=$demo/config
export DEMO_SHOP_PASSWORD=shop-password
"$build/wwweksports-cli" --address "127.0.0.1:$port" --database demo_shop --user shop \
  --password-env DEMO_SHOP_PASSWORD --workbooks "$demo/workbooks" send-stock

echo "Quantities after \"Sūtīt atlikumus\" from $demo/workbooks/Preces_web.xlsx:"
sql demo_shop -t -e 'SELECT product_id, model, quantity FROM product ORDER BY product_id'
sql demo_shop -N -e "SELECT CONCAT('Maintenance mode: ', value) FROM setting
                  WHERE code='config' AND \`key\`='config_maintenance'"
