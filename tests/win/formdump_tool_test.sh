#!/usr/bin/env bash
# formdump as a user runs it: Form1's description from the file and from a
# program's resource, a damaged file, and the usage message.
set -u
emulator=$1
tool=$2
form1=$3
fixture=$4
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

"$emulator" "$tool" "$form1" >"$tmp/file.txt" 2>"$tmp/err.txt"; status=$?
tr -d '\r' <"$tmp/file.txt" >"$tmp/out.txt"
check "a good file prints with status 0" '[ $status -eq 0 ]'
check "the window comes first" 'grep -qx "Form1  window  id 0" "$tmp/out.txt"'
check "captions keep their spaces" 'grep -qx "  caption \"  Kavrel LinkTuner  2007\"" "$tmp/out.txt"'
check "accents come out as UTF-8" 'grep -q "caption \"Réseaux local (Lan)\"" "$tmp/out.txt"'
check "nesting is shown by indentation" 'grep -qx "      Modem1  option button  id 9" "$tmp/out.txt"'
check "host entries" 'grep -A3 -x "    Bar1  hosted component KavrelLinkTune.XP_ProgressBar  id 3" "$tmp/out.txt" | grep -qx "      hidden at start"'
check "stored set size" 'grep -c "stored set, 6 keys, 224 bytes" "$tmp/out.txt" | grep -qx 2'
check "fonts with size, weight and charset" 'grep -q "\"font\" = font \"Arial\" 8.25 pt, weight 400, charset 178" "$tmp/out.txt"'
check "pictures with format and size" 'grep -q "\"picture\" = picture bitmap 16 x 16, 24-bit" "$tmp/out.txt"'
check "the banner" 'grep -q "picture JPEG 240 x 42" "$tmp/out.txt"'
cat >"$tmp/menus-expected.txt" <<'MENUS'
menus
  file  "&Fichier"
    exit  "&Quitter"
  act  "&Action"
    opti  "&Optimiser"
  h  "&Aide"
    propos  "&A propos"
    jui  separator
    site  "Kavrel Web site"
MENUS
sed -n '/^menus$/,$p' "$tmp/out.txt" | sed 's/  id [0-9]*$//' >"$tmp/menus.txt"
check "menus with their structure" 'cmp -s "$tmp/menus.txt" "$tmp/menus-expected.txt"'

"$emulator" "$tool" --from-exe "$fixture" 2>"$tmp/err.txt" | tr -d '\r' >"$tmp/exe.txt"
check "the program's resource prints the same tree" 'cmp -s "$tmp/out.txt" "$tmp/exe.txt"'

"$emulator" "$tool" --from-exe "$tool" >/dev/null 2>"$tmp/err.txt"; status=$?
check "a program without the resource is refused" '[ $status -eq 1 ] && grep -q "no RCDATA resource FORM1" "$tmp/err.txt"'

head -c 200 "$form1" >"$tmp/cut.bin"
"$emulator" "$tool" "$tmp/cut.bin" >/dev/null 2>"$tmp/err.txt"; status=$?
check "a damaged file names the field and offset" '[ $status -eq 1 ] && grep -q "total length at byte offset 89" "$tmp/err.txt"'

for bad in "" "--from-exe" "-x"; do
  # shellcheck disable=SC2086
  "$emulator" "$tool" $bad >/dev/null 2>"$tmp/err.txt"; status=$?
  check "'$bad' is refused with status 2" '[ $status -eq 2 ] && grep -q "usage:" "$tmp/err.txt"'
done
exit $fail
