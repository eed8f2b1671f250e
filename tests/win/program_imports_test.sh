#!/usr/bin/env bash
# The programs are one file each and import only DLLs that Windows loads
# from the system folder whatever the search order: its known DLLs
# (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs on
# Windows 7 to 11). The loader resolves static imports before the first
# statement runs, so nothing the program does can keep a planted copy of
# any other DLL out: shell32 (which brings shcore), comctl32 (which brings
# the theme engine) and the rest are loaded at run time from the system
# folder.
#
# usage: program_imports_test.sh KavrelLinkTune.exe [linktune.exe]
set -u
known=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll user32.dll "
status=0
for exe in "$@"; do
  name=$(basename "$exe")
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
  [ -n "$dlls" ] || { echo "FAIL: no import table read from $exe"; status=1; continue; }
  for d in $dlls; do
    case $known in
      *" $d "*) echo "ok   $name imports $d, a known DLL" ;;
      *) echo "FAIL: $name imports $d, which is not a known DLL"; status=1 ;;
    esac
  done
  # No delay-loaded imports either (resolved by name at the first call): the
  # header's delay import directory ("Entry d RVA SIZE") is empty.
  delay=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/Delay Import Directory/ { print $4 }')
  if [ "$delay" = 00000000 ]; then echo "ok   $name has no delay-loaded imports"
  else echo "FAIL: $name's delay import directory: '${delay}'"; status=1; fi
done
exe=$1
# The window's start needs no COM: imported, ole32 and oleaut32 (with the
# rpcrt4 and combase they bring) would be loaded and started before its
# first statement. They are loaded when something first calls into them.
for d in ole32.dll oleaut32.dll; do
  if x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' | grep -qx "$d"; then
    echo "FAIL: $(basename "$exe") imports $d"; status=1
  else echo "ok   $(basename "$exe") does not import $d"; fi
done
# The version resource and the manifest of the window program are there.
strings -el "$exe" | grep -q "Optimiser votre connexion Internet" || { echo "FAIL: no file description"; status=1; }
strings -el "$exe" | grep -q "2.00.0007" || { echo "FAIL: no version text"; status=1; }
grep -q "requireAdministrator" "$exe" || { echo "FAIL: no manifest"; status=1; }
exit $status
