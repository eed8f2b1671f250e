#!/usr/bin/env bash
# The MSI under Wine's msiexec, silent, in a Wine prefix of its own:
# install the older test package (1.9.0), upgrade to this version, refuse
# the older one over it, uninstall. Prints the time of each step.
#
# usage: msi_lifecycle_test.sh SOURCE_DIR DIST_WORK_DIR PREFIX
# (DIST_WORK_DIR holds current/ and old/ from dist_package_test.sh.)
set -u
src=$1 dist=$2
export WINEPREFIX=$3
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL: $1"; fail=1; fi; }
new=$(ls "$dist"/current/KavrelLinkTune-*-x64.msi) old=$(ls "$dist"/old/KavrelLinkTune-1.9.0-x64.msi)
version=$(basename "$new" | sed -E 's/KavrelLinkTune-(.*)-x64.msi/\1/')
code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
new_code=$(code "$new") old_code=$(code "$old")
win() { printf 'Z:%s' "$1" | tr / '\\'; }
w() { WINEDEBUG=-all wine "$@"; }
c="$WINEPREFIX/drive_c"
folder="$c/Program Files/Kavrel/LinkTune"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entry() {  # CODE VALUE
  w reg query "$uninstall_key\\$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^  /, ""); print }'
}
entries() { w reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | grep -c "DisplayName.*Kavrel LinkTune"; }
# Wine 8 puts the per-machine shortcut in the user's Start menu; Windows in
# the common one. Either is this package's.
shortcut() {
  ls "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kavrel LinkTune.lnk" \
     "$c"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Kavrel\ LinkTune.lnk 2>/dev/null | head -1
}
timed() {  # NAME COMMAND...: runs it, keeps its status in $rc and its time
  local t0=$(date +%s%N)
  "${@:2}" >/dev/null 2>&1
  rc=$?
  echo "     $1: $(( ($(date +%s%N) - t0) / 1000000 )) ms, exit status $rc"
}

t0=$(date +%s%N)
bash "$src/scripts/wine-session.sh" start
echo "     Wine prefix for msiexec ready: $(( ($(date +%s%N) - t0) / 1000000 )) ms"
# A previous run that stopped half-way leaves its product behind.
w msiexec /x "$(win "$new")" /qn >/dev/null 2>&1
w msiexec /x "$(win "$old")" /qn >/dev/null 2>&1
# A backup the window wrote earlier, which uninstalling must keep.
backup="$c/ProgramData/Kavrel LinkTune/Sauvegardes/sauvegarde-20070101-120000.reg"
mkdir -p "$(dirname "$backup")"
printf 'Windows Registry Editor Version 5.00\r\n' >"$backup"

timed "install 1.9.0" w msiexec /i "$(win "$old")" /qn
check "the older package installs silently" '[ $rc -eq 0 ]'
check "KavrelLinkTune.exe is in C:\\Program Files\\Kavrel\\LinkTune" '[ -s "$folder/KavrelLinkTune.exe" ]'
check "Programs and Features: \"Kavrel LinkTune\", \"Kavrel\", 1.9.0" \
  '[ "$(entry "$old_code" DisplayName)" = "Kavrel LinkTune" ] && [ "$(entry "$old_code" Publisher)" = Kavrel ] &&
   [ "$(entry "$old_code" DisplayVersion)" = 1.9.0 ]'
check "the entry's icon is kept by the installer" '[ -s "$c/windows/Installer/$old_code/KavrelLinkTune.ico" ]'
check "the Start-menu shortcut \"Kavrel LinkTune\"" '[ -n "$(shortcut)" ]'

timed "upgrade to $version" w msiexec /i "$(win "$new")" /qn
check "the newer package installs over it" '[ $rc -eq 0 ]'
check "one entry, version $version; the older product is gone" \
  '[ "$(entries)" = 1 ] && [ "$(entry "$new_code" DisplayVersion)" = "$version" ] && [ -z "$(entry "$old_code" DisplayName)" ]'
check "the installed program is the new package's" \
  'msiextract -C "$dist/lifecycle-extract" "$new" >/dev/null && cmp -s "$folder/KavrelLinkTune.exe" "$dist/lifecycle-extract/Kavrel/LinkTune/KavrelLinkTune.exe"'
rm -rf "$dist/lifecycle-extract"
for p in "$dist"/current/debug/*.debug; do
  n=$(basename "$p" .debug)
  check "$n is installed" '[ -s "$folder/$n" ]'
done

timed "older package over the newer" w msiexec /i "$(win "$old")" /qn
# 1603 (ERROR_INSTALL_FAILURE), of which a Unix exit status keeps 1603 mod 256.
check "refused with the installer's failure (1603)" '[ $rc -eq $((1603 % 256)) ]'
check "the newer version stays, alone" '[ "$(entries)" = 1 ] && [ "$(entry "$new_code" DisplayVersion)" = "$version" ]'

timed "uninstall" w msiexec /x "$(win "$new")" /qn
check "uninstalls silently" '[ $rc -eq 0 ]'
check "no file or folder left in Program Files ($(ls "$c/Program Files" | grep -i kavrel))" \
  '[ ! -e "$c/Program Files/Kavrel" ]'
check "the entry is gone" '[ "$(entries)" = 0 ] && [ -z "$(entry "$new_code" DisplayName)" ]'
check "the shortcut is gone" '[ -z "$(shortcut)" ]'
check "the backups under ProgramData stay" '[ -s "$backup" ]'
bash "$src/scripts/wine-session.sh" stop
exit $fail
