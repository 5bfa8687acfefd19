#!/usr/bin/env bash
# Installs the Debian packages Nubra needs to build, run and test, when they
# are missing. Usage: tools/deps.sh [run|test|bench|data] [PACKAGE...]
# Packages named after the set are wanted as well (the packaging and
# screenshot scripts ask for their own tools this way). The set "data" is
# what tools/make-data.sh needs: gdbm_dump, Node.js and npm, and package
# lists for its apt-get download.
set -euo pipefail

common=(cmake ninja-build g++ pkg-config qt6-base-dev libfontconfig-dev libboost-dev nlohmann-json3-dev zip unzip
        libssl-dev openssl ca-certificates libpugixml-dev)
# The packaging checks register only the validators they find:
# desktop-file-validate, appstreamcli and groff.
test_only=(libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libdeflate-dev
           clang libclang-rt-14-dev xvfb xauth desktop-file-utils appstream groff-base)
bench_only=(hyperfine valgrind)

set_name="${1:-run}"
[ $# -gt 0 ] && shift
want=()
lists_needed=0
if [ "$set_name" = data ]; then
  want+=(gdbmtool)
  # A Node.js from elsewhere (with its own npm) will do: Debian's npm
  # cannot be installed beside it.
  command -v node >/dev/null || want+=(nodejs)
  command -v npm >/dev/null || want+=(npm)
  # apt-get download needs the package lists, which a fresh system lacks.
  apt-cache show metview-data >/dev/null 2>&1 || lists_needed=1
else
  want+=("${common[@]}")
fi
if [ "$set_name" = test ]; then
  want+=("${test_only[@]}")
fi
if [ "$set_name" = bench ]; then
  want+=("${test_only[@]}" "${bench_only[@]}")
fi
want+=("$@")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ "$lists_needed" -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installation des paquets manquants : ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
