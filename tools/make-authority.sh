#!/usr/bin/env bash
# Makes, with the openssl command, a throw-away certificate authority and a
# server certificate it signs for 127.0.0.1 and localhost, in FOLDER:
#   ca.pem       the authority, to be trusted through SSL_CERT_FILE
#   ca.key       its key
#   server.pem   the server's certificate, for nubra-replica --cert
#   server.key   its key, for nubra-replica --key
# Both are valid from now for DAYS days (default 2). The local demonstration
# (tools/run.sh --tls) and the tests of the TLS path use it.
# Usage: tools/make-authority.sh FOLDER [DAYS]
# On failure, openssl's messages go to standard error and the status is 1.
set -uo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "Usage : tools/make-authority.sh DOSSIER [JOURS]" >&2; exit 2; }
days=${2:-2}
mkdir -p "$1" && cd "$1" || exit 1
command -v openssl >/dev/null || { echo "tools/make-authority.sh : la commande openssl manque (tools/deps.sh)" >&2; exit 1; }

ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
log=$(mktemp)
trap 'rm -f "$log" server.csr server.ext' EXIT
openssl req -x509 "${ec[@]}" -keyout ca.key -out ca.pem -days "$days" -subj "/CN=Autorite jetable Nubra" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign >>"$log" 2>&1 &&
  openssl req -new "${ec[@]}" -keyout server.key -out server.csr -subj "/CN=127.0.0.1" >>"$log" 2>&1 &&
  printf '%s\n' 'subjectAltName=IP:127.0.0.1,DNS:localhost' 'basicConstraints=critical,CA:FALSE' \
    'keyUsage=critical,digitalSignature' 'extendedKeyUsage=serverAuth' >server.ext &&
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" \
    -days "$days" -extfile server.ext -out server.pem >>"$log" 2>&1 ||
  { cat "$log" >&2; exit 1; }
