#!/usr/bin/env bash
# Part of `make bench` (run inside its Xvfb display): start-up time of the
# program and duration of its progress animation. Argument: output folder.
set -euo pipefail
out=$1
bin=build/windows/bin
run() { build/windows/wine-run.sh "$@"; }
probe() { run "$bin/linktune-probe.exe" "$@" | tr -d '\r'; }
now_ms() { date +%s%3N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
exe_win="Z:$(realpath "$bin/KavrelLinkTune.exe" | tr / '\\')"

bash scripts/wine-session.sh start
probe prepare-registry >/dev/null

# Start-up beside a bare window (one class, one CreateWindowEx, one message
# loop), measured the same way inside Wine: process creation to the window
# shown, and to its first complete paint (the client area equal to a capture
# of the settled window). STARTUP_ROUNDS interleaved rounds (7 unless set);
# medians and ratios, then the table of the program's start-up steps.
# STARTUP_BENCH_TRACE=1 prints how many pixels still differ at each poll.
bash scripts/bench-startup.sh "$out" "${STARTUP_ROUNDS:-7}" "$bin/KavrelLinkTune.exe" "$bin/bare-window.exe"

durations=()
for i in 1 2 3; do
  run "$bin/KavrelLinkTune.exe" >/dev/null 2>&1 &
  pid=$!
  probe wait 30 >/dev/null
  button=$(probe controls "$exe_win" | awk -F'\t' '$1 == "command1" { print $4 }')
  # shellcheck disable=SC2086
  xdotool mousemove $button click 1
  t0=$(now_ms)
  until [ "$(probe window | awk -F'\t' '$1 == "enabled" { print $2 }')" = 0 ]; do sleep 0.02; done
  until [ "$(probe window | awk -F'\t' '$1 == "enabled" { print $2 }')" = 1 ]; do sleep 0.02; done
  durations+=("$(( $(now_ms) - t0 ))")
  probe close >/dev/null
  wait "$pid" || true
done
echo "animation_ms_runs=${durations[*]}"
echo "animation_ms_median=$(printf '%s\n' "${durations[@]}" | median) (79 x 150 ms = 11850 ms)"
bash scripts/wine-session.sh stop
