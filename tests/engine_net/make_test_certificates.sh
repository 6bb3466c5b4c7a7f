#!/usr/bin/env bash
# The test CA and the server certificates the TLS tests use, made fresh in
# the build tree (never kept in the sources):
#   ca.pem                 the CA the fetcher is told to trust
#   server.pem/key         for 127.0.0.1, signed by the CA
#   wrong-name.pem/key     signed by the CA, for another host name
#   self-signed.pem/key    for 127.0.0.1, signed by nobody the fetcher trusts
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)

openssl req -x509 "${key[@]}" -keyout ca.key -out ca.pem -days 3650 -subj "/CN=moviehost test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null

leaf() {  # name, subjectAltName
    openssl req -new "${key[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
    printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" \
        -days 3650 -extfile "$1.ext" -out "$1.pem" 2>/dev/null
    rm -f "$1.csr" "$1.ext"
}
leaf server "IP:127.0.0.1"
leaf wrong-name "DNS:elsewhere.invalid"

openssl req -x509 "${key[@]}" -keyout self-signed.key -out self-signed.pem -days 3650 -subj "/CN=127.0.0.1" \
    -addext "subjectAltName=IP:127.0.0.1" 2>/dev/null
