#!/usr/bin/env bash
# Makes docs/progressbar-styles.png: the ten progress bar styles, each
# horizontal at several values with and without text, and vertical, as
# pbrender draws them under Wine (pixels doubled, nearest neighbour).
# Needs the Windows build (make build); runs on a private X display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export WINEPREFIX="${KAVREL_WINEPREFIX:-$root/build/windows/wineprefix}"
pbrender=$root/build/windows/bin/pbrender.exe
[ -x "$pbrender" ] || { echo "build first: make build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert=/usr/bin/convert
montage=/usr/bin/montage

# The picture style's tile: an 8 x 8 blue ramp as a 24-bit BMP.
$convert -size 8x8 gradient:'#a8c8ff'-'#2a5bc4' -type TrueColor "BMP3:$work/tile.bmp"

names=(segmented smooth marquee flat etched shaded dark hatched picture glass)
# Horizontal cells: value and text; then vertical cells.
hcells=("0" "35" "70" "100" "45 text" "100 text")
vcells=("25" "70" "55 text")

render_all() {
  for s in $(seq 0 9); do
    i=0
    for cell in "${hcells[@]}"; do
      set -- $cell
      text=(); [ "${2:-}" = text ] && text=(--show-text)
      build/windows/wine-run.sh "$pbrender" --width 200 --height 20 --scrolling "$s" --value "$1" "${text[@]}" \
        --brush-style 5 --image "$work/tile.bmp" --out "$work/s$s-h$i.bmp" >/dev/null
      i=$((i + 1))
    done
    i=0
    for cell in "${vcells[@]}"; do
      set -- $cell
      text=(); [ "${2:-}" = text ] && text=(--show-text)
      build/windows/wine-run.sh "$pbrender" --width 40 --height 90 --scrolling "$s" --value "$1" "${text[@]}" \
        --orientation 1 --brush-style 5 --image "$work/tile.bmp" --out "$work/s$s-v$i.bmp" >/dev/null
      i=$((i + 1))
    done
  done
}
# One display and one wine server for all the renders.
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c "$(declare -p work pbrender hcells vcells); $(declare -f render_all); render_all; bash scripts/wine-session.sh stop"
for bmp in "$work"/s*.bmp; do $convert "$bmp" -scale 200% "${bmp%.bmp}.png"; done

font=(-font Liberation-Sans -pointsize 13)
rows=()
for s in $(seq 0 9); do
  # Horizontal bars stacked in two columns of three, vertical bars beside.
  h=()
  i=0
  for cell in "${hcells[@]}"; do
    label=$(echo "$cell" | sed 's/ text/%% with text/; s/^\([0-9]*\)$/\1%%/')
    h+=(-label "$label" "$work/s$s-h$i.png")
    i=$((i + 1))
  done
  $montage "${font[@]}" "${h[@]}" -tile 3x2 -geometry +8+4 -background white "$work/row$s-h.png"
  v=()
  i=0
  for cell in "${vcells[@]}"; do
    label=$(echo "$cell" | sed 's/ text/%% with text/; s/^\([0-9]*\)$/\1%%/')
    v+=(-label "$label" "$work/s$s-v$i.png")
    i=$((i + 1))
  done
  $montage "${font[@]}" "${v[@]}" -tile 3x1 -geometry +8+4 -background white "$work/row$s-v.png"
  $convert -background white "${font[@]}" -pointsize 18 label:"$s  ${names[$s]}" -gravity west -extent 150x \
    "$work/row$s-h.png" "$work/row$s-v.png" -gravity center +append -bordercolor white -border 0x6 \
    -background '#c8c8c8' -gravity south -splice 0x2 "$work/row$s.png"
  rows+=("$work/row$s.png")
done
mkdir -p docs
$convert -background white "${rows[@]}" -append -bordercolor white -border 8 \
  docs/progressbar-styles.png
echo "wrote docs/progressbar-styles.png ($(/usr/bin/identify -format %wx%h docs/progressbar-styles.png))"
