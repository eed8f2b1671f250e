#!/usr/bin/env bash
# Runs KavrelLinkTune in the build tree's private Wine prefix.
#
# With a display: the program, until you close it.
# Without one: a session under Xvfb, used as a person would use it:
# "ADSL ou Cable " and ">=1024 kbps (ADSL ou cable)", then "&Optimiser",
# waiting for the idle display again; screenshots of the idle, progress and
# final displays go to build/run/, and the registry values the run wrote are
# printed. (The keys the rows address are made first, as on a system that
# has them.)
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wineprefix"
bin=build/windows/bin

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  build/windows/wine-run.sh "$bin/KavrelLinkTune.exe"
else
  mkdir -p build/run
  xvfb-run -a -s "-screen 0 1024x768x24" \
    bash tests/e2e/e2e_test.sh "$PWD/build/windows/wine-run.sh" "$PWD/$bin" "$PWD/build/run" demo
  bash scripts/wine-session.sh stop
fi
