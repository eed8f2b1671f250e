#!/usr/bin/env bash
# Remakes the window's screenshots in docs/ (idle, progress display, about
# box) from an end-to-end session under Xvfb. Run after `make build`.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wineprefix"
shots=build/docs-shots
rm -rf "$shots"
mkdir -p "$shots"
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash tests/e2e/e2e_test.sh "$PWD/build/windows/wine-run.sh" "$PWD/build/windows/bin" "$PWD/$shots" adsl about
bash scripts/wine-session.sh stop
# The screen is black around the window: trimming leaves the window.
/usr/bin/convert "$shots/idle.png" -trim +repage docs/window-idle.png
/usr/bin/convert "$shots/progress.png" -trim +repage docs/window-progress.png
/usr/bin/convert "$shots/about.png" -trim +repage docs/about-box.png
echo "docs/window-idle.png docs/window-progress.png docs/about-box.png"
