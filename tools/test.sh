#!/usr/bin/env bash
# Sets up, builds and runs every test of Nubra.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh test
cmake -S . -B build-tests -G Ninja >/dev/null
cmake --build build-tests
cd build-tests
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2
