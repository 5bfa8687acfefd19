#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the installed
# pieces fit together the way desktops and dpkg expect them to: the menu
# entry starts an installed program and names an installed icon, every icon
# size is really that size, the software-centre file points at the menu
# entry and describes the version being built, and the manual pages and
# Debian documents are there and readable.
#
# Usage: install-tree-test.sh CMAKE BUILD_DIR SCRATCH_DIR VERSION WITH_WINDOW
set -euo pipefail

cmake=$1 build=$2 scratch=$3 version=$4 with_window=$5
root=$scratch/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$scratch"
"$cmake" --install "$build" --prefix "$root" >/dev/null

share=$root/share
desktop=$share/applications/nubra.desktop
metainfo=""
for f in "$share"/metainfo/*.metainfo.xml; do
  [ -f "$f" ] && metainfo=$f && break
done

programs=(nubra-cli)
[ "$with_window" = 1 ] && programs+=(nubra)
for p in "${programs[@]}"; do
  [ -x "$root/bin/$p" ] || fail "bin/$p is missing or not executable"
done

# A key of the [Desktop Entry] group, unlocalised.
desktop_key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }

if [ "$with_window" = 0 ]; then
  # Without the window there is nothing for a menu entry to start.
  for f in "$desktop" "$share/man/man1/nubra.1.gz" "$metainfo"; do
    [ -n "$f" ] && [ -e "$f" ] && fail "${f#"$root"/} is installed without the window"
  done
elif [ ! -f "$desktop" ]; then
  fail "share/applications/nubra.desktop is missing"
else
  exec_line=$(desktop_key Exec)
  program=${exec_line%% *}
  case $program in
    */*) fail "Exec= names a path ($program); the menu entry must find it on PATH" ;;
    *) [ -x "$root/bin/$program" ] || fail "Exec=$program is not an installed program" ;;
  esac

  icon=$(desktop_key Icon)
  [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "Icon=$icon has no scalable SVG"
  grep -q '<svg' "$share/icons/hicolor/scalable/apps/$icon.svg" 2>/dev/null ||
    fail "the scalable icon is not an SVG file"
  pngs=0
  for dir in "$share"/icons/hicolor/*x*/apps; do
    [ -d "$dir" ] || continue
    size=${dir%/apps}; size=${size##*/}
    png=$dir/$icon.png
    if [ ! -f "$png" ]; then
      fail "no $icon.png in hicolor/$size"
      continue
    fi
    pngs=$((pngs + 1))
    # PNG: 8-byte signature, then the IHDR chunk whose data starts with the
    # width and height as 32-bit big-endian numbers (bytes 16 to 23).
    read -r -a b < <(od -An -tu1 -j16 -N8 "$png")
    width=$(( (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3] ))
    height=$(( (b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7] ))
    [ "${width}x${height}" = "$size" ] ||
      fail "hicolor/$size/apps/$icon.png is ${width}x${height}"
  done
  [ "$pngs" -ge 1 ] || fail "Icon=$icon has no PNG rendering"
fi

if [ "$with_window" = 0 ]; then
  :
elif [ -z "$metainfo" ]; then
  fail "no metainfo file in share/metainfo"
else
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [ "$launchable" = nubra.desktop ] ||
    fail "the metainfo launches '$launchable', not nubra.desktop"
  newest=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n 1)
  [ "$newest" = "$version" ] ||
    fail "the newest release in the metainfo is '$newest', the build is $version"
  id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
  [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] ||
    fail "the metainfo file is not named after its id '$id'"
fi

pages=(nubra-cli)
[ "$with_window" = 1 ] && pages+=(nubra)
for page in "${pages[@]}"; do
  man=$share/man/man1/$page.1.gz
  if [ ! -f "$man" ]; then
    fail "share/man/man1/$page.1.gz is missing"
  elif ! gzip -dc "$man" | grep -q "^\.TH .* \"nubra $version\""; then
    fail "$page.1.gz is unreadable or does not carry version $version"
  fi
done

doc=$share/doc/nubra
[ -s "$doc/copyright" ] || fail "share/doc/nubra/copyright is missing"
if [ ! -f "$doc/changelog.Debian.gz" ]; then
  fail "share/doc/nubra/changelog.Debian.gz is missing"
elif ! gzip -dc "$doc/changelog.Debian.gz" | head -n 1 | grep -q "^nubra ($version-[0-9]*) "; then
  fail "changelog.Debian.gz does not open with version $version"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) in the installed tree under $root"
  exit 1
fi
echo "installed tree under $root is complete"
