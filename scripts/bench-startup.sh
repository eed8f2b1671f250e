#!/usr/bin/env bash
# Start-up beside a bare window (run inside an X display, with the wine
# session started): process creation to the window shown and to its first
# complete paint, in interleaved rounds, medians and ratios; then the
# program's own steps, from its marked build (KavrelLinkTune-trace.exe),
# as medians of the time since process creation at each mark and of each
# step's own share.
#   bench-startup.sh OUT ROUNDS PROGRAM.exe... BARE.exe
# Programs are Linux paths; each is stripped into OUT first (as it ships:
# the debug information of an unstripped build alone costs Wine some 65 ms
# at each start). The last program is the yardstick.
set -euo pipefail
out=$1 rounds=$2
shift 2
bin=build/windows/bin
run() { build/windows/wine-run.sh "$@"; }
winpath() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }
mkdir -p "$out"

programs=()
for exe in "$@"; do
  name=$(basename "$(dirname "$exe")")-$(basename "$exe")
  case $exe in "$bin"/*) name=$(basename "$exe") ;; esac
  x86_64-w64-mingw32-strip -o "$out/$name" "$exe"
  programs+=("$(winpath "$out/$name")")
done
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
run "$bin/startup-bench.exe" "$rounds" "${programs[@]}" | tr -d '\r'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ -x "$bin/KavrelLinkTune-trace.exe" ]; then
  trace="$out/startup-steps.txt"
  rm -f "$trace"
  x86_64-w64-mingw32-strip -o "$out/KavrelLinkTune-trace.exe" "$bin/KavrelLinkTune-trace.exe"
  KAVREL_STARTUP_TRACE_FILE="$(winpath "$out")\\startup-steps.txt" \
    run "$bin/startup-bench.exe" "$rounds" "$(winpath "$out/KavrelLinkTune-trace.exe")" "${programs[-1]}" \
    | tr -d '\r' | sed 's/^/trace build: /'
  # One line a start: step=ms ... (ms since process creation). The settling
  # start comes first; leave it out.
  tail -n +2 "$trace" | awk '
    { for (i = 1; i <= NF; i++) { split($i, kv, "="); if (NR == 1) order[i] = kv[1]; at[kv[1], NR] = kv[2];
        prev = i > 1 ? at[order[i - 1], NR] : 0; own[kv[1], NR] = kv[2] - prev } n = NR; steps = NF }
    function median(arr, key,   v, k, j, t) {
      for (k = 1; k <= n; k++) v[k] = arr[key, k]
      for (k = 2; k <= n; k++) { t = v[k]; for (j = k - 1; j >= 1 && v[j] > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
      return v[int((n + 1) / 2)] }
    END {
      printf "steps of %d starts (median ms): step, its own time, since process creation\n", n
      for (i = 1; i <= steps; i++) printf "  %-12s %7.1f %7.1f\n", order[i], median(own, order[i]), median(at, order[i])
    }'
fi
