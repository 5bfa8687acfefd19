#!/usr/bin/env bash
# Sets up, builds and opens Nubra on nubra-replica, a local stand-in for the
# four weather services and for Open-Meteo, so that the window shows real
# forecast texts with no network.
#
#   tools/run.sh                 every country on its historic service
#   tools/run.sh --open-meteo    every country on Open-Meteo, for this run
#
# The demo keeps its own settings in build/demo/nubra.ini (the stored
# default place survives from one run to the next); its [serveurs] section
# is rewritten to point every service, Open-Meteo included, at the replica.
# The replica is stopped when the window closes. For the live services:
# build/app/nubra.
set -euo pipefail
cd "$(dirname "$0")/.."

source_args=()
case "${1-}" in
  "") ;;
  --open-meteo) source_args=(--source open-meteo); shift ;;
  *) echo "Usage : tools/run.sh [--open-meteo]" >&2; exit 2 ;;
esac
[ $# -eq 0 ] || { echo "Usage : tools/run.sh [--open-meteo]" >&2; exit 2; }

tools/deps.sh run
cmake -S . -B build -G Ninja -DNUBRA_BUILD_TESTS=OFF -DNUBRA_BUILD_BENCH=OFF >/dev/null
cmake --build build --target nubra nubra-replica

demo="$PWD/build/demo"
mkdir -p "$demo"
out="$demo/replica.out"
: >"$out"
build/tools/replica/nubra-replica --port 0 >"$out" &
replica=$!
trap 'kill "$replica" 2>/dev/null || true; wait "$replica" 2>/dev/null || true' EXIT

# The replica prints "port N" first once it listens.
port=""
for _ in $(seq 100); do
  port=$(sed -n '1s/^port \([0-9][0-9]*\)$/\1/p' "$out")
  [ -n "$port" ] && break
  kill -0 "$replica" 2>/dev/null || { echo "nubra-replica n'a pas démarré" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "nubra-replica ne répond pas" >&2; exit 1; }

# Every service on the replica; the rest of the demo settings is kept.
ini="$demo/nubra.ini"
kept=""
[ -f "$ini" ] && kept=$(awk '/^[ \t]*\[/ { skip = (tolower($0) ~ /^[ \t]*\[[ \t]*serveurs[ \t]*\]/) } !skip' "$ini")
{
  [ -n "$kept" ] && printf '%s\n' "$kept"
  printf '[serveurs]\n'
  for key in france suisse canada canada-site belgique open-meteo; do
    printf '%s=127.0.0.1:%s\n' "$key" "$port"
  done
} >"$ini.tmp" && mv "$ini.tmp" "$ini"

if [ ${#source_args[@]} -gt 0 ]; then
  echo "Nubra sur la réplique locale d'Open-Meteo (port $port), réglages dans $ini"
else
  echo "Nubra sur la réplique locale (port $port), réglages dans $ini"
fi
XDG_CONFIG_HOME="$demo" build/app/nubra "${source_args[@]}"
