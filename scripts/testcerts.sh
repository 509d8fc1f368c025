#!/usr/bin/env bash
# Certificates for the private TLS test servers, made afresh (no key is ever committed):
#   ca.pem            a certificate authority of the tests' own
#   server.pem/-key   signed by it, for localhost and 127.0.0.1
#   wrong.pem/-key    signed by it, for another name only
#   client.pem/-key   signed by it, a client certificate for accounts that require one
#   other-ca.pem      an authority that signed none of them
#
#   testcerts.sh DIR   makes them in DIR unless they are there already
set -euo pipefail
dir=$(mkdir -p "${1:?usage: testcerts.sh DIR}" && cd "$1" && pwd)
[ -f "$dir/client-key.pem" ] && exit 0
command -v openssl >/dev/null || { echo "testcerts: openssl missing; run scripts/setup.sh" >&2; exit 1; }
cd "$dir"
authority() {  # NAME FILE-PREFIX
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$1" \
    -keyout "$2-key.pem" -out "$2.pem" 2>/dev/null
}
signed() {  # NAME FILE-PREFIX SUBJECT-ALT-NAMES
  openssl req -newkey rsa:2048 -nodes -subj "/CN=$1" -keyout "$2-key.pem" -out "$2.csr" 2>/dev/null
  printf 'subjectAltName=%s\n' "$3" >"$2.ext"
  openssl x509 -req -in "$2.csr" -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 3650 \
    -extfile "$2.ext" -out "$2.pem" 2>/dev/null
  rm -f "$2.csr" "$2.ext"
}
authority "WWWEksports test CA" ca
authority "Another test CA" other-ca
rm -f other-ca-key.pem
signed localhost server "DNS:localhost,IP:127.0.0.1"
signed shop.example.invalid wrong "DNS:shop.example.invalid"
signed shop client "DNS:shop"
chmod 600 ./*-key.pem
