#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from its SVG source:
# packaging/icons/nubra.svg gives packaging/icons/nubra-SIZE.png for every
# size the packaging installs. Run it after changing the drawing and commit
# the PNG files with it. Needs rsvg-convert (librsvg2-bin), installed when
# missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends librsvg2-bin
fi

sizes=$(sed -n 's/^set(NUBRA_ICON_SIZES \(.*\))$/\1/p' packaging/CMakeLists.txt)
[ -n "$sizes" ] || { echo "render-icons.sh : tailles introuvables dans packaging/CMakeLists.txt" >&2; exit 1; }
for size in $sizes; do
  rsvg-convert --width "$size" --height "$size" packaging/icons/nubra.svg \
               --output "packaging/icons/nubra-$size.png"
  echo "packaging/icons/nubra-$size.png"
done
