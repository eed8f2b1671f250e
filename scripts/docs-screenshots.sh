#!/usr/bin/env bash
# Remakes the window's screenshots in docs/ (idle, progress display, about
# box, and the idle window in high contrast) from end-to-end sessions under
# Xvfb. Run after `make build`.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wineprefix"
shots=build/docs-shots
rm -rf "$shots"
mkdir -p "$shots"
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash tests/e2e/e2e_test.sh "$PWD/build/windows/wine-run.sh" "$PWD/build/windows/bin" "$PWD/$shots" adsl about
bash scripts/wine-session.sh stop
# High contrast: the test build decided into it, in the prefix whose system
# colours form a high-contrast scheme (tests/win/contrast_prefix.sh); the
# scenario crops the window itself, as the screen around it is black too.
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash tests/e2e/e2e_test.sh "$PWD/build/windows/wine-run-contrast.sh" "$PWD/build/windows/bin" "$PWD/$shots" contrast
WINEPREFIX="$PWD/build/windows/contrast-prefix" bash scripts/wine-session.sh stop
# At 150 % and 200 %: each DPI in its prefix (tests/e2e/dpi_prefix.sh), on a
# display large enough; the scenario crops the window.
for dpi in 144 192; do
  KAVREL_WINEPREFIX="$PWD/build/windows/dpi-$dpi-prefix" KAVREL_VARIANTS_DIR="$PWD/app/resources/variants" \
    KAVREL_PICTURES_DIR="$PWD/app/resources/pictures" xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash tests/e2e/e2e_test.sh "$PWD/build/windows/wine-run-dpi-$dpi.sh" "$PWD/build/windows/bin" "$PWD/$shots" "dpi-$dpi"
  WINEPREFIX="$PWD/build/windows/dpi-$dpi-prefix" bash scripts/wine-session.sh stop
  cp "$shots/window-idle-$dpi.png" "docs/window-idle-$dpi.png"
done
# The screen is black around the window: trimming leaves the window.
/usr/bin/convert "$shots/idle.png" -trim +repage docs/window-idle.png
/usr/bin/convert "$shots/progress.png" -trim +repage docs/window-progress.png
/usr/bin/convert "$shots/about.png" -trim +repage docs/about-box.png
cp "$shots/high-contrast.png" docs/window-high-contrast.png
echo "docs/window-idle.png docs/window-progress.png docs/about-box.png docs/window-high-contrast.png"
echo "docs/window-idle-144.png docs/window-idle-192.png"
