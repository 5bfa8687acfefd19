#!/usr/bin/env bash
# Builds every benchmark in build-bench with Release flags and runs them
# all, printing the figures with the machine and its load average.
#
# Usage: tools/bench.sh [--callgrind] [--quick] [--no-build]
#   --callgrind  also count inflate's instructions per output byte, ours
#                and zlib's, under valgrind's callgrind (slow, but steady
#                on a shared machine where times are not)
#   --quick      shorter rounds where a benchmark offers them
#   --no-build   run what build-bench holds
#
# Environment: NUBRA_BENCH_BUILD (build folder, default build-bench),
# NUBRA_BENCH_JOBS (parallel compile jobs, default 2).
#
# A benchmark that misses its target or cannot run is named at the end and
# makes the exit status 1; the others still run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${NUBRA_BENCH_BUILD:-$root/build-bench}
jobs=${NUBRA_BENCH_JOBS:-2}

callgrind=0 quick=0 compile=1
for arg in "$@"; do
  case $arg in
    --callgrind) callgrind=1 ;;
    --quick) quick=1 ;;
    --no-build) compile=0 ;;
    *) echo "usage: tools/bench.sh [--callgrind] [--quick] [--no-build]" >&2; exit 2 ;;
  esac
done

targets=(nubra bare_window bench_startup bench_list_switch bench_catalogue_load bench_archive
         bench_decode_entities bench_sources_walk bench_large_pages bench_page_walks
         nubra-cli zlib_unzip bench_unzip_process
         bench_open_meteo)
[ $callgrind = 1 ] && targets+=(bench_inflate_instr)

if [ $compile = 1 ]; then
  tools/deps.sh bench || exit 1
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNUBRA_SANITIZE=OFF -DNUBRA_FUZZ=OFF >/dev/null || exit 1
  cmake --build "$build" -j"$jobs" --target "${targets[@]}" || exit 1
fi
bin=$build/bench

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "== machine"
echo "date:        $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "cores:       $(nproc)"
echo "cpu:         $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "commit:      $(git rev-parse --short HEAD 2>/dev/null || echo '?')"
echo "build:       $build (Release)"

failed=()
output=$(mktemp)
# run <title> <command...>: prints the load average before and after; a
# target reported as missed counts as a failure.
run() {
  local title=$1
  shift
  echo
  echo "== $title   [load average $(load)]"
  echo "\$ ${*#"$root/"}"
  "$@" | tee "$output"
  local rc=${PIPESTATUS[0]}
  echo "   [load average after: $(load)]"
  if [ "$rc" != 0 ]; then
    failed+=("$title (exit $rc)")
  elif grep -q 'NOT MET\|NOT LINEAR' "$output"; then
    failed+=("$title (target missed)")
  fi
}

# budget <what> <median> <limit> <target> <failure>: says whether a median
# read from the last run's output is within its limit, and counts a miss
# as <failure>. Without a median (the run failed, or printed none) it says nothing.
budget() {
  local what=$1 median=$2 limit=$3 target=$4 failure=$5
  [ -n "$median" ] || return 0
  if awk -v m="$median" -v l="$limit" 'BEGIN { exit !(m <= l) }'; then
    echo "$what target $target: met"
  else
    echo "$what target $target: NOT MET"
    failed+=("$failure (target missed)")
  fi
}

run "catalogue load" "$bin/bench_catalogue_load"
# The catalogue load's budget at start-up: 10 ms, median.
budget "catalogue load" "$(sed -n 's/^catalogue load .*median \([0-9.]*\) ms.*/\1/p' "$output")" 10 \
  "<= 10 ms (median)" "catalogue load"
if [ $quick = 1 ]; then
  run "archive decoders" "$bin/bench_archive" --quick
else
  run "archive decoders" "$bin/bench_archive"
fi
# The whole extraction, process against process; one row per input, each
# saying met or NOT MET (ratio to the zlib extractor >= 1.0).
run "whole-process extraction (nubra-cli unzip against zlib)" "$bin/bench_unzip_process" --runs 7 \
  "$build/cli/nubra-cli" "$bin/zlib_unzip"
run "DecodeEntities, 1 MiB" "$bin/bench_decode_entities"
# At most 3 times the JSON parse of the same answer alone (median), as
# the program prints it: met or NOT MET.
run "Open-Meteo answer of 7 days with hours to text" "$bin/bench_open_meteo"
run "walks at 1 and 16 MiB" "$bin/bench_sources_walk"
run "stress pages at 4 and 16 MiB" "$bin/bench_large_pages"
run "DecodeEntities and walks at 1, 2 and 16 MiB" "$bin/bench_page_walks"
run "list switching (offscreen)" env QT_QPA_PLATFORM=offscreen "$bin/bench_list_switch"
run "start-up and peak memory, offscreen" env QT_QPA_PLATFORM=offscreen "$bin/bench_startup" --runs 10 \
  "$build/app/nubra" "$bin/bare_window"
if command -v xvfb-run >/dev/null; then
  run "start-up and peak memory, X server (xvfb-run)" env -u QT_QPA_PLATFORM xvfb-run -a "$bin/bench_startup" --runs 10 \
    "$build/app/nubra" "$bin/bare_window"
else
  echo; echo "== start-up under xvfb-run: skipped (xvfb-run not installed)"
fi

# A settings folder with no network for the runs below. Port 1 on the
# loopback: nothing listens there, the start-up fetch fails at once. That
# holds for Open-Meteo, the default source, too: its key says "http://",
# since a bare host:port there means HTTPS.
config=$(mktemp -d)
trap 'rm -rf "$config" "$output"' EXIT
{
  echo "[serveurs]"
  for key in france suisse canada canada-site belgique; do echo "$key=127.0.0.1:1"; done
  echo "open-meteo=http://127.0.0.1:1"
  printf '[general]\nPays=0\nvilledefaut=0\n'
} >"$config/nubra.ini"

# The whole process, as hyperfine sees it: a cross-check of the harness.
if command -v hyperfine >/dev/null; then
  run "start-up, whole process under hyperfine (offscreen)" \
    env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" NUBRA_EXIT_WHEN_SHOWN=1 \
    hyperfine -N --style basic --warmup 2 --runs 10 "$build/app/nubra" "$bin/bare_window"
fi

if [ $callgrind = 1 ]; then
  echo
  echo "== inflate under callgrind: instructions per output byte   [load average $(load)]"
  out=$(mktemp -d)
  for input in text catalogue; do
    declare -A per=()
    for which in ours zlib; do
      log=$(valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out/cg.$which.$input" \
              "$bin/bench_inflate_instr" "$which" "$input" 2>&1)
      instr=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' <<<"$log")
      bytes=$(sed -n 's/.*output_bytes=\([0-9]*\).*/\1/p' <<<"$log")
      if [ -z "$instr" ] || [ -z "$bytes" ]; then
        echo "$which $input: callgrind run failed"; echo "$log" | tail -5
        failed+=("callgrind $which $input")
        continue
      fi
      per[$which]=$(awk -v i="$instr" -v b="$bytes" 'BEGIN { printf "%.2f", i / b }')
      printf '%-5s %-10s %12s instructions %9s bytes  %6s per byte\n' "$which" "$input" "$instr" "$bytes" "${per[$which]}"
    done
    if [ -n "${per[ours]:-}" ] && [ -n "${per[zlib]:-}" ]; then
      awk -v a="${per[ours]}" -v b="${per[zlib]}" -v n="$input" \
        'BEGIN { printf "%-16s ours / zlib = %.2f\n", n, a / b }'
    fi
    unset per
  done
  echo "(\$ valgrind --tool=callgrind --instr-atstart=no ${bin#"$root/"}/bench_inflate_instr <ours|zlib> <text|catalogue>;"
  echo " profiles kept in $out: callgrind_annotate $out/cg.ours.catalogue)"

  # The whole catalogue load (open, four extractions, parsing), counted
  # inside LoadCatalogues only, with the functions where it goes.
  echo
  echo "== catalogue load under callgrind: instructions per load   [load average $(load)]"
  log=$(valgrind --tool=callgrind --toggle-collect='nubra::LoadCatalogues*' \
          --callgrind-out-file="$out/cg.load" "$bin/bench_catalogue_load" 2>&1)
  instr=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' <<<"$log")
  rounds=$(sed -n 's/^\([0-9]*\) rounds.*/\1/p' <<<"$log")
  if [ -n "$instr" ] && [ -n "$rounds" ]; then
    awk -v i="$instr" -v r="$rounds" 'BEGIN { printf "%.1f million instructions per load (%d loads)\n", i / r / 1e6, r }'
    callgrind_annotate "$out/cg.load" 2>/dev/null | grep -E '^ *[0-9,]+ \( *[0-9.]+%\)  [^ ]' | grep -v 'PROGRAM TOTALS' |
      head -8 | sed -E 's/\(([a-z]+::)?[A-Za-z_]+(<[^(]*>)?[&*]?[ ,].*\) \[.*$//; s/ \[.*$//; s/\?\?\?://; s#[^ ]*/[^ :]*:##; s/^/  /' | cut -c1-110
    echo "(\$ valgrind --tool=callgrind --toggle-collect='nubra::LoadCatalogues*' ${bin#"$root/"}/bench_catalogue_load)"
  else
    echo "callgrind run failed"; echo "$log" | tail -5
    failed+=("callgrind catalogue load")
  fi

  # The start-up of both programs, counted whole (loader included) up to
  # the probe's end, and where nubra's goes.
  if [ -x "$build/app/nubra" ]; then
    echo
    echo "== start-up under callgrind (offscreen): instructions   [load average $(load)]"
    declare -A total=()
    for program in "$build/app/nubra" "$bin/bare_window"; do
      name=$(basename "$program")
      log=$(env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" NUBRA_EXIT_WHEN_SHOWN=1 \
              valgrind --tool=callgrind --callgrind-out-file="$out/cg.$name" "$program" 2>&1)
      total[$name]=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' <<<"$log")
      printf '%-12s %12s instructions\n' "$name" "${total[$name]:-?}"
    done
    if [ -n "${total[nubra]:-}" ] && [ -n "${total[bare_window]:-}" ]; then
      awk -v a="${total[nubra]}" -v b="${total[bare_window]}" 'BEGIN { printf "ratio nubra / bare window: %.2f\n", a / b }'
      echo "nubra, inclusive:"
      callgrind_annotate --inclusive=yes "$out/cg.nubra" 2>/dev/null |
        grep -E ' (\?\?\?:)?(nubra::TForm1::buildControls|nubra::LoadCatalogues|nubra::TForm1::ShowError|nubra::TForm1::ShowCountry|QFontDatabasePrivate::ensureFontDatabase|QApplication::exec|QApplication::QApplication)\(' |
        sed -E 's/^( *[0-9,]+ \( *[0-9.]+%\)  )(\?\?\?:)?([^(]*)\(.*$/  \1\3/'
      echo "(\$ env QT_QPA_PLATFORM=offscreen NUBRA_EXIT_WHEN_SHOWN=1 XDG_CONFIG_HOME=<no network> valgrind --tool=callgrind <program>)"
    fi
  fi
fi

echo
echo "== done   [load average $(load)]"
if [ ${#failed[@]} -gt 0 ]; then
  echo "missed or failed:"
  printf '  %s\n' "${failed[@]}"
  exit 1
fi
