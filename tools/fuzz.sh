#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each one on its
# seed corpus for a while.
#   tools/fuzz.sh            every target for 30 seconds (what CI does)
#   tools/fuzz.sh 1800       every target for 30 minutes
#   tools/fuzz.sh 600 html   only the targets whose name contains "html"
# New inputs the fuzzer finds go to build-fuzz/corpus/<target>, never into
# the committed seeds; a crashing input is written to build-fuzz/artifacts/
# and ends the script with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
filter="${2:-}"
tools/deps.sh test
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUBRA_FUZZ=ON -DNUBRA_BUILD_APP=OFF \
      -DNUBRA_BUILD_TESTS=OFF -DNUBRA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz
mkdir -p build-fuzz/artifacts
status=0
passed=0
failed=0
for exe in build-fuzz/fuzz/fuzz_*; do
  name="$(basename "$exe")"
  [ -n "$filter" ] && [[ "$name" != *"$filter"* ]] && continue
  seeds="fuzz/corpus/$name"
  case "$name" in
    fuzz_html|fuzz_sources) seeds="tests/data" ;;   # the saved pages of the four services
  esac
  mkdir -p "build-fuzz/corpus/$name"
  echo "== $name ($seconds s)"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$name-" \
        "build-fuzz/corpus/$name" $( [ -d "$seeds" ] && echo "$seeds" ) \
        >"build-fuzz/$name.log" 2>&1; then
    echo "   FAILED: see build-fuzz/$name.log"
    tail -n 40 "build-fuzz/$name.log"
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
    grep -E "stat::number_of_executed_units|cov:" "build-fuzz/$name.log" | tail -n 2 | sed 's/^/   /'
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
