#!/usr/bin/env bash
# nubra-replica over TLS: a throw-away authority and a certificate for
# 127.0.0.1 made here, the same Open-Meteo answer on both ports, a client
# that does not speak TLS refused without stopping the replica, and the
# option errors.
# Usage: tls_test.sh NUBRA_REPLICA
set -u
replica=$(realpath "$1")
work=$(mktemp -d)
replica_pid=
cleanup() {
  [ -n "$replica_pid" ] && kill "$replica_pid" 2>/dev/null && wait "$replica_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }
command -v openssl >/dev/null || { echo "FAILED: the openssl command is missing (tools/deps.sh test)"; exit 1; }

# The authority, then the server's key and certificate signed by it.
authority=$(realpath "$(dirname "$0")/../../tools/make-authority.sh")
cd "$work" || exit 1
"$authority" . 2>openssl.log || { echo "FAILED: openssl could not make the certificates: $(cat openssl.log)"; exit 1; }

# Option errors: usage is 2; a certificate that is not one is 1, with a
# message and before any port is announced.
timeout 30 "$replica" --port 0 --cert server.pem >out 2>err
got=$?
[ $got -eq 2 ] || fail "--cert without --key: status $got, expected 2"
grep -q -- "--key" err || fail "--cert without --key: no message: $(cat err)"
timeout 30 "$replica" --port 0 --cert server.key --key server.key >out 2>err
got=$?
[ $got -eq 1 ] || fail "a key as certificate: status $got, expected 1"
grep -q "certificat illisible dans server.key" err || fail "bad certificate message: $(cat err)"
[ -s out ] && fail "a port was announced with a bad certificate: $(cat out)"

"$replica" --port 0 --day 20795 --cert server.pem --key server.key >ports 2>replica.log &
replica_pid=$!
for _ in $(seq 600); do
  [ "$(wc -l <ports)" -ge 2 ] && break
  kill -0 "$replica_pid" 2>/dev/null || break
  sleep 0.1
done
port=$(sed -n '1s/^port \([0-9][0-9]*\)$/\1/p' ports)
tls_port=$(sed -n '2s/^tls-port \([0-9][0-9]*\)$/\1/p' ports)
[ -n "$port" ] && [ -n "$tls_port" ] ||
  { echo "FAILED: expected 'port P' then 'tls-port Q', got: $(cat ports) $(cat replica.log)"; exit 1; }

# A plain HTTP request on the TLS port: a failed handshake, logged, and the
# connection closed (cat ends) with the replica still serving below.
timeout 60 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"; printf "GET / HTTP/1.1\r\nHost: x\r\n\r\n" >&3; cat <&3' \
  _ "$tls_port" >/dev/null 2>&1 || fail "plain request on the TLS port: connection not closed"
grep -q "poignée de main TLS échouée" replica.log || fail "failed handshake not logged: $(cat replica.log)"

path='/v1/forecast?latitude=50.85&longitude=4.35&current=temperature_2m,weather_code&timezone=auto'
request="GET $path HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
# shellcheck disable=SC2059
printf "$request" | timeout 60 openssl s_client -connect "127.0.0.1:$tls_port" -CAfile ca.pem \
  -verify_return_error -verify_ip 127.0.0.1 -quiet >tls.answer 2>s_client.log ||
  fail "TLS fetch failed: $(cat s_client.log)"
head -1 tls.answer | grep -q $'^HTTP/1.1 200 OK\r$' || fail "TLS status line: $(head -1 tls.answer)"
sed '1,/^\r$/d' tls.answer >tls.body
grep -q '"current":{' tls.body || fail "TLS body has no current conditions: $(cat tls.body)"

# The same request on the plain port gives the same bytes.
# shellcheck disable=SC2016
timeout 60 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"; printf "$2" >&3; cat <&3' _ "$port" "$request" >plain.answer ||
  fail "plain fetch failed"
sed '1,/^\r$/d' plain.answer >plain.body
[ -s plain.body ] && cmp -s plain.body tls.body || fail "plain and TLS bodies differ: $(cat plain.body)"

kill -0 "$replica_pid" 2>/dev/null || fail "the replica stopped"
exit $status
