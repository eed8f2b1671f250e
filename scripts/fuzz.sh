#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on its seed corpus.
#
#   scripts/fuzz.sh            FUZZ_RUNS executions per target (default 2000000),
#                              at most FUZZ_SECONDS each (default 900)
#   scripts/fuzz.sh --brief    a few seconds per target (FUZZ_BRIEF_SECONDS, 5):
#                              what `make test` runs
#
# The growing corpus stays in build/fuzz/corpus/TARGET; an input that makes a
# target fail is kept in build/fuzz/findings/. Prints one summary line per
# target and exits non-zero when any target fails.
set -uo pipefail
cd "$(dirname "$0")/.."

brief=0
if [ "${1:-}" = "--brief" ]; then brief=1; fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz >/dev/null || { cmake --build --preset fuzz; exit 1; }

status=0
mkdir -p build/fuzz/findings
for target in property_set_fuzz form_fuzz backup_file_fuzz picture_pixels_fuzz; do
  corpus=build/fuzz/corpus/$target
  seeds=build/fuzz/tests/fuzz/seeds/$target
  log=build/fuzz/$target.log
  mkdir -p "$corpus"
  if [ $brief -eq 1 ]; then
    limit=(-max_total_time="${FUZZ_BRIEF_SECONDS:-5}")
  else
    limit=(-runs="${FUZZ_RUNS:-2000000}" -max_total_time="${FUZZ_SECONDS:-900}")
  fi
  dict=()
  if [ -f "tests/fuzz/$target.dict" ]; then dict=(-dict="tests/fuzz/$target.dict"); fi
  build/fuzz/bin/$target "${limit[@]}" "${dict[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/findings/$target-" "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    echo "$target: ${runs:-?} executions (${rate:-?}/s), ${added:-?} new inputs, no findings"
  else
    echo "$target: FAILED after ${runs:-?} executions (exit $rc); log: $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -5
    status=1
  fi
done
exit $status
