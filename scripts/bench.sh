#!/usr/bin/env bash
# Benchmarks, under Wine, in a prefix of their own (so that nothing they
# write reaches the test prefix):
#   - one Lan optimisation (55 registry calls) in-process, median of 21 runs,
#     beside `wine reg import` of a .reg file with the same 55 changes,
#     median of 5 imports, with the wine server already running;
#   - one DrawProgressBar of each of the ten progress bar styles, on a
#     249 x 9 and a 600 x 40 bar, median of 501 redraws;
#   - `linktune apply` with its backup beside `--no-backup`, median of 21
#     runs each, as a ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
export KAVREL_WINEPREFIX="$PWD/build/windows/bench-prefix"
export WINEPREFIX="$KAVREL_WINEPREFIX"
run() { build/windows/wine-run.sh "$@"; }
out=build/windows/bench
mkdir -p "$out"

echo "== registry: Lan run in-process vs reg import"
regfile="Z:$(printf '%s' "$PWD/$out/lan.reg" | tr / '\\')"
run build/windows/bin/registry_bench.exe "$regfile" 21 \
  | tr -d '\r' | tee "$out/registry.txt"
inproc=$(sed -n 's/^lan_run_median_ms=//p' "$out/registry.txt")
times=()
for i in 1 2 3 4 5; do
  start=$(date +%s%N)
  run reg import "$regfile" >/dev/null 2>&1
  end=$(date +%s%N)
  times+=("$(( (end - start) / 1000 ))")
done
median_us=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
awk -v a="$inproc" -v b="$median_us" 'BEGIN {
  printf "reg_import_median_ms=%.3f\n", b / 1000;
  printf "ratio_reg_import_to_inproc=%.1f\n", (b / 1000) / a }' | tee -a "$out/registry.txt"
bash scripts/wine-session.sh stop

echo "== linktune apply: with its backup, and with --no-backup"
bash scripts/bench-linktune.sh "$out" | tee "$out/linktune.txt"

# The progress bar draws into windows, so it runs on a private X display of
# its own; the wine server is started and stopped inside that display's life.
echo "== progress bar: median time of one DrawProgressBar, per style and size"
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c 'build/windows/wine-run.sh build/windows/bin/progressbar_bench.exe 501; status=$?; bash scripts/wine-session.sh stop; exit $status' \
  | tr -d '\r' | tee "$out/progressbar.txt"

# The program itself, on a private X display: start-up from process creation
# to the first complete paint beside a bare window (median of 7 each,
# interleaved), and the
# length of the progress animation from the press of "&Optimiser" to the
# window enabled again (median of 3), against 79 ticks of 150 ms.
echo "== program: start-up and animation"
xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/bench-program.sh "$out" | tee "$out/program.txt"
