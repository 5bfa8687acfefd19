#!/usr/bin/env bash
# Takes the README's picture of the window (docs/screenshot.png): builds
# nubra and nubra-replica, starts the replica on a free loopback port, points
# a scratch settings folder's nubra.ini at it (section [serveurs]) with a
# default city, opens the window on a virtual X server (Xvfb) and captures
# the window once its forecast is shown. Nothing leaves the machine and the
# user's own nubra.ini is not touched.
#
# Usage: tools/screenshot.sh [OUTPUT.png]
# Environment:
#   BUILD_DIR  build folder (default: build)
#   JOBS       parallel compile jobs (default: the number of processors)
#   PAYS       country of the city shown: 0 France (default), 1 Suisse,
#              2 Canada, 3 Belgique, 4 Luxembourg, 5 Monaco, 6 Outre-mer
#   VILLE      name of that city in its catalogue (default: Strasbourg)
#   SOURCE     classique (default) or open-meteo: the window's --source,
#              always given, since the window's own default is Open-Meteo
#              (Luxembourg, Monaco and Outre-mer read Open-Meteo either way)
#
# docs/screenshot.png is the historic service's page (the defaults);
# docs/screenshot-open-meteo.png is taken with
#   SOURCE=open-meteo PAYS=3 VILLE=Bruxelles tools/screenshot.sh docs/screenshot-open-meteo.png
# and docs/screenshot-vigilance.png with
#   SOURCE=open-meteo tools/screenshot.sh docs/screenshot-vigilance.png
#
# Needs xvfb, xauth, x11-utils (xwininfo) and imagemagick (import); they
# are installed when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/screenshot.png}
build=${BUILD_DIR:-build}
jobs=${JOBS:-$(nproc)}
pays=${PAYS:-0}
ville=${VILLE:-Strasbourg}
source=${SOURCE:-classique}
case $source in
  classique | open-meteo) ;;
  *) echo "screenshot.sh : SOURCE vaut classique ou open-meteo, pas « $source »" >&2; exit 2 ;;
esac

tools/deps.sh run xvfb xauth x11-utils imagemagick

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DNUBRA_BUILD_TESTS=OFF -DNUBRA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$jobs" --target nubra nubra-cli nubra-replica

work=$(mktemp -d)
replica_pid=""
cleanup() {
  [ -n "$replica_pid" ] && kill "$replica_pid" 2>/dev/null && wait "$replica_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The replica prints "port N" on its first line once it listens.
"$build/tools/replica/nubra-replica" --port 0 >"$work/replica.out" 2>"$work/replica.log" &
replica_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n '1s/^port \([0-9]*\)$/\1/p' "$work/replica.out")
  [ -n "$port" ] && break
  kill -0 "$replica_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "screenshot.sh : nubra-replica n'a pas démarré" >&2
  cat "$work/replica.log" >&2
  exit 1
fi

export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
{
  printf '[serveurs]\n'
  for key in france suisse canada canada-site belgique; do
    printf '%s=127.0.0.1:%s\n' "$key" "$port"
  done
  # Open-Meteo's and the warning services' keys without a scheme mean
  # HTTPS; the replica's are plain.
  for key in open-meteo meteoalarm geomet; do
    printf '%s=http://127.0.0.1:%s\n' "$key" "$port"
  done
} >"$XDG_CONFIG_HOME/nubra.ini"

# The city's index: the first place of that country whose name is exactly
# $ville (nubra-cli prints the index, then the record's fields).
index=$("$build/cli/nubra-cli" places "$pays" "$ville" |
        awk -F '\t' -v name="$ville" '{ for (i = 2; i <= NF; i++) if ($i == name) { print $1; exit } }')
if [ -z "$index" ]; then
  echo "screenshot.sh : « $ville » introuvable dans le catalogue du pays $pays" >&2
  exit 1
fi
printf '[general]\nPays=%s\nvilledefaut=%s\n' "$pays" "$index" >>"$XDG_CONFIG_HOME/nubra.ini"

mkdir -p "$(dirname "$out")"
# Inside the virtual display: start the window, wait (bounded) until it is
# mapped, give it a moment to paint, capture it, close it.
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
  bash -s "$build/app/nubra" "$out.tmp.png" "$source" <<'EOF'
set -euo pipefail
nubra=$1 shot=$2 source=$3
"$nubra" --source "$source" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 200); do
  if xwininfo -name Nubra 2>/dev/null | grep -q 'Map State: IsViewable'; then
    break
  fi
  kill -0 "$pid" 2>/dev/null || { echo "nubra s'est arrêté" >&2; exit 1; }
  sleep 0.1
done
xwininfo -name Nubra >/dev/null
sleep 2
id=$(xwininfo -name Nubra | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
import -window "$id" -strip "$shot"
EOF
mv "$out.tmp.png" "$out"
echo "Capture : $out"
