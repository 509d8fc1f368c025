#!/usr/bin/env bash
# A private MariaDB server for the tests, the demo and the benchmarks: a throwaway data
# directory, 127.0.0.1 and a free port, the server's own defaults (strict sql_mode, 16 MiB
# max_allowed_packet). Never touches a system-wide server.
#
#   testdb.sh start DIR [CERTS NAME]
#                         installs (first time) and starts the server; prints its port.
#                         With CERTS (a folder made by testcerts.sh) and NAME (server or
#                         wrong) it speaks TLS with the certificate NAME.pem and takes no
#                         unencrypted TCP link (require_secure_transport).
#   testdb.sh stop DIR    stops it by its pid
#   testdb.sh port DIR    prints the port of the running server
#
# The server gets one account for the tool: user "shop", password "shop-password", with
# every privilege (it creates a database per test). A TLS server has a second one, "shop_cert"
# with the same password, that must show a client certificate signed by the tests' authority.
set -euo pipefail

cmd=${1:?usage: testdb.sh start|stop|port DIR [CERTS NAME]}
dir=$(mkdir -p "${2:?usage: testdb.sh start|stop|port DIR [CERTS NAME]}" && cd "$2" && pwd)
certs=${3:-}
certname=${4:-server}
datadir=$dir/data
pidfile=$dir/mariadbd.pid
portfile=$dir/port
socket=$dir/mariadbd.sock

find_bin() {
  for b in "$@"; do
    if command -v "$b" >/dev/null 2>&1; then command -v "$b"; return; fi
    for d in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin; do
      if [ -x "$d/$b" ]; then echo "$d/$b"; return; fi
    done
  done
  echo "testdb: none of $* found; run scripts/setup.sh" >&2
  exit 1
}

running() { [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; }

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

client() {
  "$(find_bin mariadb mysql)" --no-defaults --protocol=socket --socket="$socket" -uroot "$@"
}

case "$cmd" in
  start)
    if running; then cat "$portfile"; exit 0; fi
    mariadbd=$(find_bin mariadbd mysqld)
    if [ ! -d "$datadir/mysql" ]; then
      rm -rf "$datadir"
      "$(find_bin mariadb-install-db mysql_install_db)" --no-defaults --datadir="$datadir" \
        --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 \
        || { cat "$dir/install.log" >&2; exit 1; }
    fi
    port=$(free_port)
    user_opt=()
    [ "$(id -u)" -eq 0 ] && user_opt=(--user=root)
    tls_opt=()
    if [ -n "$certs" ]; then
      certs=$(cd "$certs" && pwd)
      tls_opt=(--ssl-ca="$certs/ca.pem" --ssl-cert="$certs/$certname.pem"
               --ssl-key="$certs/$certname-key.pem" --require-secure-transport=ON)
    fi
    "$mariadbd" --no-defaults "${user_opt[@]}" --datadir="$datadir" --bind-address=127.0.0.1 \
      --port="$port" --socket="$socket" --pid-file="$pidfile" --skip-log-bin \
      --general-log=0 --log-error="$dir/error.log" "${tls_opt[@]}" >/dev/null 2>&1 &
    for _ in $(seq 1 300); do
      if client -e 'SELECT 1' >/dev/null 2>&1; then break; fi
      if ! kill -0 $! 2>/dev/null; then cat "$dir/error.log" >&2; exit 1; fi
      sleep 0.1
    done
    client -e "CREATE USER IF NOT EXISTS 'shop'@'%' IDENTIFIED BY 'shop-password';
               CREATE USER IF NOT EXISTS 'shop'@'localhost' IDENTIFIED BY 'shop-password';
               GRANT ALL PRIVILEGES ON *.* TO 'shop'@'%' WITH GRANT OPTION;
               GRANT ALL PRIVILEGES ON *.* TO 'shop'@'localhost' WITH GRANT OPTION;" \
      || { cat "$dir/error.log" >&2; exit 1; }
    if [ -n "$certs" ]; then
      client -e "CREATE USER IF NOT EXISTS 'shop_cert'@'%' IDENTIFIED BY 'shop-password'
                   REQUIRE X509;
                 GRANT ALL PRIVILEGES ON *.* TO 'shop_cert'@'%';" \
        || { cat "$dir/error.log" >&2; exit 1; }
    fi
    echo "$port" >"$portfile"
    echo "$port"
    ;;
  stop)
    if running; then
      pid=$(cat "$pidfile")
      kill "$pid"
      for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$portfile"
    ;;
  port)
    running && cat "$portfile" || { echo "testdb: not running in $dir" >&2; exit 1; }
    ;;
  *)
    echo "usage: testdb.sh start|stop|port DIR" >&2; exit 2 ;;
esac
