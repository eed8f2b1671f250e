#!/usr/bin/env bash
# The program is one file: it imports only DLLs that every Windows has.
set -u
exe=$1
allowed=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll "
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
[ -n "$dlls" ] || { echo "FAIL: no import table read from $exe"; exit 1; }
status=0
for d in $dlls; do
  case $allowed in
    *" $d "*) echo "ok   $d" ;;
    *) echo "FAIL: imports $d"; status=1 ;;
  esac
done
# The version resource and the manifest are there.
strings -el "$exe" | grep -q "Optimiser votre connexion Internet" || { echo "FAIL: no file description"; status=1; }
strings -el "$exe" | grep -q "2.00.0007" || { echo "FAIL: no version text"; status=1; }
grep -q "requireAdministrator" "$exe" || { echo "FAIL: no manifest"; status=1; }
exit $status
