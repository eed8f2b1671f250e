#!/usr/bin/env bash
# pbrender as a user runs it: the BMP it writes (24 bits, the bar's size,
# the pixels of the state asked for, read back with ImageMagick), and the
# usage message with exit status 2 for options it does not know or cannot
# read.
set -u
emulator=$1
tool=$2
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
pixel() { /usr/bin/convert "$1" -format "%[hex:u.p{$2,$3}]" info:; }
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }

# Segmented, 200 x 20, half full, in Bar1's colour (red 49, green 106, blue 197).
"$emulator" "$tool" --width 200 --height 20 --scrolling 0 --value 50 --color 0xC56A31 --out seg.bmp >/dev/null
check "the file is written" '[ -s seg.bmp ]'
check "24 bits a pixel" '[ "$(u16 seg.bmp 28)" = 24 ]'
check "exactly the bar: 54 + 600 x 20 bytes" '[ "$(stat -c %s seg.bmp)" -eq 12054 ]'
check "size 200x20" '[ "$(/usr/bin/identify -format %wx%h seg.bmp)" = 200x20 ]'
check "block pixel (4, 9) is the bar colour" '[ "$(pixel seg.bmp 4 9)" = 316AC5 ]'
check "strip pixel (10, 9) is white" '[ "$(pixel seg.bmp 10 9)" = FFFFFF ]'
check "pixel (100, 9) past the fill is white" '[ "$(pixel seg.bmp 100 9)" = FFFFFF ]'
check "corner pixel (1, 1) is 0x777777" '[ "$(pixel seg.bmp 1 1)" = 777777 ]'

# Vertical, with a range: 3 of 0..4 is 75 %.
"$emulator" "$tool" --width 20 --height 100 --scrolling 3 --value 3 --max 4 --orientation 1 --color 0x0000C0 \
  --out flat.bmp >/dev/null
check "flat fill to column nearest(0.75 x 20) - 1" '[ "$(pixel flat.bmp 14 50)" != FFFFFF ] && [ "$(pixel flat.bmp 15 50)" = FFFFFF ]'

# Text, font and picture options are taken.
"$emulator" "$tool" --width 120 --height 24 --scrolling 8 --value 100 --image seg.bmp --show-text \
  --font-name Arial --font-size 12 --out pic.bmp >/dev/null
check "picture style tiles the image" '[ "$(pixel pic.bmp 4 9)" = 316AC5 ]'
out=$("$emulator" "$tool" --width 120 --height 24 --scrolling 1 --value 7 --min 5 --max 9 --out min.bmp | tr -d '\r')
check "Min maps linearly: 7 of 5..9 is 50 %" '[ "$out" = "min.bmp: 120x24, Value 7, 50 %" ]'

"$emulator" "$tool" --help >help.txt 2>&1; status=$?
check "--help prints the usage with status 0" '[ $status -eq 0 ] && grep -q "usage: pbrender" help.txt'

for bad in "" "--width 10" "--width 10 --height 5 --scrolling 0" "--width 10 --height 5 --scrolling 0 --value x" \
           "--width 0 --height 5 --scrolling 0 --value 1" "--width 10 --height 5 --scrolling 0 --value 1 --colour 0xFF" \
           "--width 10 --height 5 --scrolling 0 --value 1 --color FF0000" "--width 10 --height 5 --scrolling 0 --value" \
           "--width 10 --height 5 --scrolling 0 --value 99999999999" "--width 10 --height 5 --scrolling 0 --value 1 --font-size big"; do
  # shellcheck disable=SC2086
  "$emulator" "$tool" $bad >/dev/null 2>usage.txt; status=$?
  check "'$bad' is refused with status 2" '[ $status -eq 2 ] && grep -q "usage: pbrender" usage.txt'
done

# Stored sets: a bar made like Bar1 saves Bar1's 224 bytes; loading them
# draws what the options drew.
if [ -n "${bar1_set:-}" ]; then
  "$emulator" "$tool" --width 249 --height 9 --scrolling 1 --value 0 --color 0xC56A31 --font-name Arial \
    --font-size 8.25 --font-charset 178 --save-set saved.set --out bar1.bmp >/dev/null
  check "a bar made like Bar1 saves Bar1's stored set" 'cmp -s saved.set "$bar1_set"'
  "$emulator" "$tool" --width 249 --height 9 --load-set "$bar1_set" --out loaded.bmp >/dev/null
  check "loading Bar1's set draws the same bar" 'cmp -s bar1.bmp loaded.bmp'
  "$emulator" "$tool" --width 100 --height 20 --scrolling 5 --value 150 --max 200 --show-text --save-set r.set \
    --out r1.bmp >/dev/null
  "$emulator" "$tool" --width 100 --height 20 --load-set r.set --out r2.bmp >r2.txt
  check "save then load keeps Value 150 of 200" 'tr -d "\r" <r2.txt | grep -q "Value 150, 75 %" && cmp -s r1.bmp r2.bmp'
  printf 'not a set' > bad.set
  "$emulator" "$tool" --width 10 --height 5 --load-set bad.set --out z.bmp >/dev/null 2>err.txt; status=$?
  check "a malformed set fails with status 1 and says where" '[ $status -eq 1 ] && grep -q "offset" err.txt'
  "$emulator" "$tool" --width 10 --height 5 --load-set r.set --value 3 >/dev/null 2>usage.txt; status=$?
  check "--load-set with a property option is refused with status 2" '[ $status -eq 2 ]'
fi

"$emulator" "$tool" --width 10 --height 5 --scrolling 0 --value 1 --max 0 --out z.bmp >/dev/null 2>err.txt; status=$?
check "a Value that cannot be converted fails with status 1" '[ $status -eq 1 ] && grep -q "division by zero" err.txt'
exit $fail
