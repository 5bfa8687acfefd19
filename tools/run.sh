#!/usr/bin/env bash
# Sets up, builds and starts Nubra.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh run
cmake -S . -B build -G Ninja -DNUBRA_BUILD_TESTS=OFF -DNUBRA_BUILD_BENCH=OFF >/dev/null
cmake --build build
exec build/cli/nubra-cli --help
