#!/usr/bin/env bash
# Part of `make bench`: the time of `linktune apply` with its backup (to the
# program's folder under ProgramData) beside `linktune apply --no-backup`,
# process start included, median of 21 runs each, interleaved, on a prefix
# whose registry has every key the rows address; then the same work timed
# in-process (bench/linktune_bench_win32.cpp). Argument: output folder.
set -euo pipefail
out=$1
bin=build/windows/bin
runs=${LINKTUNE_BENCH_RUNS:-21}
run() { build/windows/wine-run.sh "$@"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now_us() { echo $(( $(date +%s%N) / 1000 )); }
programdata="$KAVREL_WINEPREFIX/drive_c/ProgramData"

bash scripts/wine-session.sh start
run "$bin/linktune-probe.exe" prepare-registry >/dev/null
# One of each first: the first start of a program loads what the next ones reuse.
run "$bin/linktune.exe" apply adsl 1024 >/dev/null
run "$bin/linktune.exe" apply adsl 1024 --no-backup >/dev/null

with=() without=()
for ((i = 0; i < runs; ++i)); do
  t0=$(now_us)
  run "$bin/linktune.exe" apply adsl 1024 >/dev/null
  t1=$(now_us)
  run "$bin/linktune.exe" apply adsl 1024 --no-backup >/dev/null
  t2=$(now_us)
  with+=($((t1 - t0)))
  without+=($((t2 - t1)))
done
m_with=$(printf '%s\n' "${with[@]}" | median)
m_without=$(printf '%s\n' "${without[@]}" | median)
size=$(stat -c %s "$(ls -d "$programdata/Kavrel LinkTune/Sauvegardes/"*.reg | head -1)")
echo "linktune_apply_with_backup_ms_median=$(awk -v v="$m_with" 'BEGIN { printf "%.1f", v / 1000 }')"
echo "linktune_apply_no_backup_ms_median=$(awk -v v="$m_without" 'BEGIN { printf "%.1f", v / 1000 }')"
echo "linktune_apply_ratio_with_to_without=$(awk -v a="$m_with" -v b="$m_without" 'BEGIN { printf "%.3f", a / b }')"
echo "linktune_backup_file_bytes=$size (adsl 1024)"
# The same work in-process, without the process start.
run "$bin/linktune_bench.exe" "$runs" | tr -d '\r'

rm -rf "$programdata/Kavrel LinkTune"
bash scripts/wine-session.sh stop
