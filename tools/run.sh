#!/usr/bin/env bash
# Sets up, builds and opens Nubra on nubra-replica, a local stand-in for the
# four weather services and for Open-Meteo, so that the window shows real
# forecast texts with no network.
#
#   tools/run.sh               the default source, Open-Meteo, over plain HTTP
#   tools/run.sh --classique   every country on its historic service, for this run
#   tools/run.sh --tls         Open-Meteo over HTTPS: certificate checked, as live
#   tools/run.sh --open-meteo  the same as no option (kept for old habits)
#
# The demo keeps its own settings in build/demo/nubra.ini (the stored
# default place survives from one run to the next); its [serveurs] section
# is rewritten to point every service, Open-Meteo included, at the replica,
# and a [sources] section is dropped, so that the window opens on the
# default source unless an option says otherwise.
#
# With --tls, a demonstration authority and a certificate for 127.0.0.1 and
# localhost signed by it are made once, with the openssl command, in
# build/demo/tls/; the replica serves TLS with that certificate, Open-Meteo's
# key names its TLS port without a scheme (HTTPS) and the window trusts the
# authority only through SSL_CERT_FILE, for this run.
#
# The replica is stopped when the window closes. For the live services:
# build/app/nubra.
set -euo pipefail
cd "$(dirname "$0")/.."

usage="Usage : tools/run.sh [--classique | --tls | --open-meteo]"
source_args=()
tls=0
case "${1-}" in
  "" | --open-meteo) ;;
  --classique) source_args=(--source classique) ;;
  --tls) tls=1 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "$usage" >&2; exit 2; }

tools/deps.sh run
cmake -S . -B build -G Ninja -DNUBRA_BUILD_TESTS=OFF -DNUBRA_BUILD_BENCH=OFF >/dev/null
cmake --build build --target nubra nubra-replica

demo="$PWD/build/demo"
mkdir -p "$demo"

# The demonstration authority and the server's certificate, made once; a
# missing or expired file makes them all again.
tls_dir="$demo/tls"
make_certificates() {
  rm -rf "$tls_dir"
  tools/make-authority.sh "$tls_dir" 825 2>"$demo/openssl.log" || {
    cat "$demo/openssl.log" >&2
    echo "tools/run.sh : certificats de démonstration impossibles dans $tls_dir" >&2
    exit 1
  }
}
if [ $tls = 1 ]; then
  if ! openssl verify -CAfile "$tls_dir/ca.pem" "$tls_dir/server.pem" >/dev/null 2>&1 ||
     ! openssl x509 -checkend 86400 -noout -in "$tls_dir/server.pem" >/dev/null 2>&1 ||
     [ ! -s "$tls_dir/server.key" ]; then
    make_certificates
  fi
fi

out="$demo/replica.out"
: >"$out"
replica_args=(--port 0)
[ $tls = 1 ] && replica_args+=(--cert "$tls_dir/server.pem" --key "$tls_dir/server.key")
build/tools/replica/nubra-replica "${replica_args[@]}" >"$out" &
replica=$!
trap 'kill "$replica" 2>/dev/null || true; wait "$replica" 2>/dev/null || true' EXIT

# The replica prints "port N" first once it listens, then "tls-port N"
# when it serves TLS.
lines=$((1 + tls))
port="" tls_port=""
for _ in $(seq 100); do
  if [ "$(wc -l <"$out")" -ge "$lines" ]; then
    port=$(sed -n '1s/^port \([0-9][0-9]*\)$/\1/p' "$out")
    tls_port=$(sed -n '2s/^tls-port \([0-9][0-9]*\)$/\1/p' "$out")
    break
  fi
  kill -0 "$replica" 2>/dev/null || { echo "nubra-replica n'a pas démarré" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] && { [ $tls = 0 ] || [ -n "$tls_port" ]; } || { echo "nubra-replica ne répond pas" >&2; exit 1; }

# Every service on the replica: the historic ones over plain HTTP,
# Open-Meteo and the warning services over plain HTTP too ("http://") or,
# with --tls, over HTTPS (no scheme). The rest of the demo settings is
# kept, but for [sources].
ini="$demo/nubra.ini"
kept=""
[ -f "$ini" ] &&
  kept=$(awk '/^[ \t]*\[/ { skip = (tolower($0) ~ /^[ \t]*\[[ \t]*(serveurs|sources)[ \t]*\]/) } !skip' "$ini")
if [ $tls = 1 ]; then
  open_meteo="127.0.0.1:$tls_port"
else
  open_meteo="http://127.0.0.1:$port"
fi
{
  [ -n "$kept" ] && printf '%s\n' "$kept"
  printf '[serveurs]\n'
  for key in france suisse canada canada-site belgique; do
    printf '%s=127.0.0.1:%s\n' "$key" "$port"
  done
  for key in open-meteo meteoalarm geomet; do
    printf '%s=%s\n' "$key" "$open_meteo"
  done
} >"$ini.tmp" && mv "$ini.tmp" "$ini"

if [ ${#source_args[@]} -gt 0 ]; then
  echo "Nubra sur la réplique locale des services historiques (port $port), réglages dans $ini"
  XDG_CONFIG_HOME="$demo" build/app/nubra "${source_args[@]}"
elif [ $tls = 1 ]; then
  echo "Nubra sur la réplique locale d'Open-Meteo en HTTPS (port $tls_port, autorité $tls_dir/ca.pem), réglages dans $ini"
  SSL_CERT_FILE="$tls_dir/ca.pem" XDG_CONFIG_HOME="$demo" build/app/nubra
else
  echo "Nubra sur la réplique locale d'Open-Meteo (port $port), réglages dans $ini"
  XDG_CONFIG_HOME="$demo" build/app/nubra
fi
