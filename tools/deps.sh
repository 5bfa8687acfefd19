#!/usr/bin/env bash
# Installs the Debian packages Nubra needs to build, run and test, when they
# are missing. Usage: tools/deps.sh [run|test|bench] [PACKAGE...]
# Packages named after the set are wanted as well (the packaging and
# screenshot scripts ask for their own tools this way).
set -euo pipefail

common=(cmake ninja-build g++ pkg-config qt6-base-dev libfontconfig-dev libboost-dev nlohmann-json3-dev zip unzip
        libssl-dev openssl ca-certificates)
test_only=(libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libdeflate-dev
           clang libclang-rt-14-dev xvfb xauth)
bench_only=(hyperfine valgrind)

set_name="${1:-run}"
[ $# -gt 0 ] && shift
want=("${common[@]}")
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
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installation des paquets manquants : ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
