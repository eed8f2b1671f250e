#!/usr/bin/env bash
# linktune.exe as scripts run it, under Wine's real registry: every planned
# value seeded with a prior state of every type Wine holds (and a key
# removed), then show, check, apply, check, restore; after the restore a
# whole export of HKLM and HKCU is what it was before. The same once more
# with Wine's own regedit /s importing the backup. Also: the backup's lines
# are those the registry editor exports, the exit codes, UTF-8 when
# redirected, and the default backup folder.
#
# usage: linktune_console_test.sh WINE_RUN BIN_DIR OUT_DIR
set -uo pipefail
emulator=$1
bin=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
helper="python3 $here/linktune_console_helper.py"
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

failures=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got '$2', want '$3'"; fi; }

win() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
linktune() { "$emulator" "$bin/linktune.exe" "$@"; }
probe() { "$emulator" "$bin/linktune-probe.exe" "$@" | tr -d '\r'; }
export_registry() {  # NAME: both hives to $out/NAME-hklm.reg and $out/NAME-hkcu.reg
  "$emulator" regedit /E "$(win "$out/$1-hklm.reg")" HKEY_LOCAL_MACHINE
  "$emulator" regedit /E "$(win "$out/$1-hkcu.reg")" HKEY_CURRENT_USER
}
same_registry() {  # WHAT NAME_A NAME_B
  local hive ok=1
  for hive in hklm hkcu; do
    if ! $helper export "$out/$2-$hive.reg" "$out/$3-$hive.reg" > "$out/diff-$3-$hive.txt"; then
      ok=0
      sed 's/^/     /' "$out/diff-$3-$hive.txt" | head -12
    fi
  done
  if [ $ok = 1 ]; then pass "$1"; else fail "$1"; fi
}
programdata=$(cd "$(dirname "$emulator")" && pwd)/wineprefix/drive_c/ProgramData
backups="$programdata/Kavrel LinkTune/Sauvegardes"

# The keys the table addresses, then every planned value given a prior state.
probe prepare-registry >/dev/null || fail "registry prepared"
for type in lan modem adsl; do linktune show $type 1024 --json > "$out/show-$type.json"; done
$helper seed "$out/show-lan.json" "$out/show-modem.json" "$out/show-adsl.json" "$out/seed.reg" || fail "seed made"
"$emulator" regedit /S "$(win "$out/seed.reg")" || fail "seed imported"
export_registry before

echo "== show, check, apply, check"
linktune show adsl 1024 --json > "$out/show.json"
expect_eq "show: exit 0" "$?" 0
$helper json "$out/show.json" profile.type=adsl profile.speed=1024 exit=0 > "$out/show-states.txt" \
  || fail "show: a valid JSON document"
expect_eq "show: the removed key is reported" \
  "$(grep -c 'NTKern' "$out/show.json")" 2
linktune check adsl 1024 > "$out/check-before.txt"
expect_eq "check before apply: not compliant (1)" "$?" 1
rm -rf "$programdata/Kavrel LinkTune"
linktune apply adsl 1024 --backup "$(win "$out/b1.reg")" --json > "$out/apply.json"
expect_eq "apply: exit 0" "$?" 0
$helper json "$out/apply.json" "backup=$(win "$out/b1.reg")" exit=0 >/dev/null || fail "apply: a valid JSON document"
expect_eq "apply --backup FILE: nothing in the backup folder" "$(ls "$backups" 2>/dev/null | wc -l)" 0
expect_eq "show listed exactly what apply changed" \
  "$($helper states "$out/apply.json" changed | md5sum)" "$($helper states "$out/show.json" will-change | md5sum)"
$helper lines "$out/b1.reg" "$out/before-hklm.reg" "$out/before-hkcu.reg" > "$out/lines.txt" \
  && pass "the backup's value lines are the registry editor's own ($(tail -1 "$out/lines.txt"))" \
  || { fail "the backup's value lines are the registry editor's own"; head -5 "$out/lines.txt"; }
linktune check adsl 1024 > "$out/check-after.txt"
expect_eq "check after apply: compliant (0)" "$?" 0

echo "== restore"
linktune restore "$(win "$out/b1.reg")" --dry-run > "$out/dry-run.txt"
expect_eq "restore --dry-run: exit 0" "$?" 0
linktune check adsl 1024 >/dev/null
expect_eq "restore --dry-run: changes nothing" "$?" 0
linktune restore "$(win "$out/b1.reg")" > "$out/restore.txt"
expect_eq "restore: exit 0" "$?" 0
export_registry restored
same_registry "restore: HKLM and HKCU exactly as before apply" before restored
linktune restore "$(win "$out/b1.reg")" --json > "$out/restore-again.json"
expect_eq "restore twice: exit 0" "$?" 0
expect_eq "restore twice: nothing left to restore" \
  "$($helper json "$out/restore-again.json" | grep -c '^restored')" 0

echo "== the registry editor's own import of the backup"
linktune apply adsl 1024 --no-backup >/dev/null
expect_eq "apply --no-backup: exit 0" "$?" 0
"$emulator" regedit /S "$(win "$out/b1.reg")"
export_registry imported
same_registry "regedit /s of the backup: HKLM and HKCU exactly as before apply" before imported

echo "== the backup folder"
probe prepare-registry >/dev/null
for type in lan modem adsl; do
  rm -rf "$programdata/Kavrel LinkTune"
  linktune apply $type 56 > "$out/apply-$type.txt"
  expect_eq "apply $type: exit 0" "$?" 0
  files=$(ls "$backups" 2>/dev/null)
  expect_eq "apply $type: one backup in the folder" "$(printf '%s\n' "$files" | grep -c '^sauvegarde-[0-9]\{8\}-[0-9]\{6\}\.reg$')" 1
  size=$(stat -c %s "$backups/$files" 2>/dev/null || echo 0)
  echo "     backup of $type: $size bytes, $($helper count "$backups/$files") values"
  echo "$type $size" >> "$out/backup-sizes.txt"
done
linktune apply adsl 56 >/dev/null
linktune apply adsl 56 >/dev/null
expect_eq "three backups, none overwritten" "$(ls "$backups" | wc -l)" 3
rm -rf "$programdata/Kavrel LinkTune"

echo "== bad input"
linktune apply adsl 2048 >/dev/null 2>"$out/usage.txt"
expect_eq "unknown speed: exit 2" "$?" 2
head -c $(( $(stat -c %s "$out/b1.reg") / 2 )) "$out/b1.reg" > "$out/cut.reg"
before_cut=$(probe registry | md5sum)
linktune restore "$(win "$out/cut.reg")" >/dev/null 2>"$out/cut.txt"
expect_eq "cut file: exit 2" "$?" 2
if grep -q 'ligne [0-9]* : ' "$out/cut.txt"; then pass "cut file: the message names the line"; else fail "cut file: $(cat "$out/cut.txt")"; fi
expect_eq "cut file: registry untouched" "$(probe registry | md5sum)" "$before_cut"
linktune backup adsl 56 "$(win "$out/b1.reg")" >/dev/null 2>&1
expect_eq "backup over an existing file: exit 5" "$?" 5
linktune --help > "$out/help.txt"
expect_eq "--help: exit 0" "$?" 0
# Redirected, the output is UTF-8: "É" of "États" is C3 89.
expect_eq "redirected output is UTF-8" "$(grep -c $'\xc3\x89tats' "$out/help.txt")" 1
expect_eq "--help lists the exit codes" "$(grep -c '^  [0-5]  ' "$out/help.txt" | tr -d '\r')" 6

echo "== $failures failure(s)"
[ $failures -eq 0 ]
