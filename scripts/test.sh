#!/usr/bin/env bash
# Builds and runs every test: the native unit tests (plain and with
# AddressSanitizer/UndefinedBehaviorSanitizer), a few seconds of each
# libFuzzer target, and the Windows tests under Wine, with a private X
# display from Xvfb.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
step() { echo "== $* (at $SECONDS s)"; }

for preset in native native-asan windows; do
  step "build ($preset)"
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" || exit 1
done

step "tests (native)"
ctest --preset native || status=1
step "tests (native, sanitizers)"
ctest --preset native-asan || status=1

step "fuzzers (brief)"
bash scripts/fuzz.sh --brief || status=1

step "tests (Windows, under Wine)"
export WINEPREFIX="$PWD/build/windows/wineprefix"
# Windows tests get their own X server, never the user's display.
rm -rf build/windows/e2e build/windows/e2e-contrast build/windows/e2e-cold  # screenshots and timings of this run only
rm -f build/windows/wine-starts.log
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows || status=1
# Starts of a test program that Wine ended before it printed anything, made
# again by scripts/wine-gtest.sh.in: shown, so that none goes unseen.
if [ -s build/windows/wine-starts.log ]; then
  echo "== $(wc -l < build/windows/wine-starts.log) start(s) of a test program ended before it printed anything and were made again:"
  cat build/windows/wine-starts.log
fi
# The wine server and Wine's session processes outlive the tests: stop them,
# in the shared prefix, in the high-contrast tests' own, in the cold
# session test's own
bash scripts/wine-session.sh stop
WINEPREFIX="$PWD/build/windows/contrast-prefix" bash scripts/wine-session.sh stop
WINEPREFIX="$PWD/build/windows/cold-prefix" bash scripts/wine-session.sh stop
for dpi in 96 144 192; do  # and in the DPI tests' own
  [ -d "build/windows/dpi-$dpi-prefix" ] && WINEPREFIX="$PWD/build/windows/dpi-$dpi-prefix" bash scripts/wine-session.sh stop
done

if [ $status -eq 0 ]; then echo "== all tests passed ($SECONDS s)"; else echo "== some tests FAILED ($SECONDS s)"; fi
exit $status
