#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test under them.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh test
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNUBRA_SANITIZE=ON -DNUBRA_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
cd build-asan
# Qt's and fontconfig's own allocations that live until exit are not ours.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/../tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2
