#!/usr/bin/env bash
# linktune.exe is one file importing only DLLs that every Windows has, runs
# as its caller (so that a script keeps its output and exit code), and
# carries its version.
set -u
exe=$1
allowed=" advapi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll "
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
[ -n "$dlls" ] || { echo "FAIL: no import table read from $exe"; exit 1; }
status=0
for d in $dlls; do
  case $allowed in
    *" $d "*) echo "ok   $d" ;;
    *) echo "FAIL: imports $d"; status=1 ;;
  esac
done
x86_64-w64-mingw32-objdump -p "$exe" | grep -q 'Subsystem.*3.*(Windows CUI)' \
  || { echo "FAIL: not a console program"; status=1; }
strings -el "$exe" | grep -q "Kavrel LinkTune en ligne de commande" || { echo "FAIL: no file description"; status=1; }
strings -el "$exe" | grep -q "linktune.exe" || { echo "FAIL: no original file name"; status=1; }
strings -el "$exe" | grep -q "2.00.0007" || { echo "FAIL: no version text"; status=1; }
grep -q 'level="asInvoker"' "$exe" || { echo "FAIL: no asInvoker manifest"; status=1; }
if grep -q "requireAdministrator" "$exe"; then echo "FAIL: asks for elevation"; status=1; fi
[ $status -eq 0 ] && echo "ok   console, asInvoker, version resource"
exit $status
