#!/usr/bin/env bash
# DLLs planted beside the program are not loaded. Fakes named after system
# DLLs that are loaded at run time go into a folder with a copy of the
# program; Wine is told to prefer a DLL it finds on the search path to its
# own (native first), and WINEDEBUG=+loaddll tells where each DLL came from.
# A fake that runs leaves NAME.dll.loaded beside itself.
#
# The control first shows that the setup catches a planted DLL: a helper
# that loads them without restricting the search gets the fakes.
#
# usage: dll_planting_test.sh WINE_RUN PROGRAM.exe PROBE.exe PLANTED.dll HELPER.exe
set -u
emulator=$1 program=$2 probe=$3 planted=$4 helper=$5
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$helper" "$work/"
names="uxtheme msimg32 dwmapi oleacc windowscodecs propsys actxprxy"
for n in $names; do cp "$planted" "$work/$n.dll"; done
export KAVREL_DLLOVERRIDES="${names// /,}=n,b"
win_work=$(printf 'Z:%s' "$work" | tr / '\\')
helper_exe="$work/$(basename "$helper")"
markers() { (cd "$work" && ls -- *.loaded 2>/dev/null | tr '\n' ' '); }

# Control: without the restriction the planted DLL is the one loaded.
out=$("$emulator" "$helper_exe" load dwmapi.dll propsys.dll | tr -d '\r')
check "control: unrestricted, dwmapi.dll comes from the program's folder" \
  'grep -qF "dwmapi.dll	$win_work\\dwmapi.dll" <<<"$out"'
check "control: the planted dwmapi.dll ran" '[ -e "$work/dwmapi.dll.loaded" ]'
rm -f "$work"/*.loaded

# The same loads once the search is restricted: the system folder's.
out=$("$emulator" "$helper_exe" load --restrict dwmapi.dll propsys.dll uxtheme.dll msimg32.dll oleacc.dll | tr -d '\r')
check "restricted: every DLL comes from the system folder" \
  '[ "$(grep -ci "	C:\\\\windows\\\\system32\\\\" <<<"$out")" = 5 ]'
check "restricted: no planted DLL ran (found: $(markers))" '[ -z "$(markers)" ]'
rm -f "$work"/*.loaded

# The program itself, from its start until its window is shown and closed.
WINEDEBUG=+loaddll "$emulator" "$work/$(basename "$program")" >/dev/null 2>"$work/loaddll.txt" &
pid=$!
"$emulator" "$probe" wait 30 | tr -d '\r' | grep -q ready
check "the program's window is shown" '[ ${PIPESTATUS[0]} -eq 0 ]'
"$emulator" "$probe" close >/dev/null
wait "$pid"
loads=$(grep -a 'trace:loaddll:build_module Loaded' "$work/loaddll.txt" | tr -d '\r')
check "the log names the DLLs loaded" '[ -n "$loads" ]'
native_planted=$(grep -iF "\"${win_work//\\/\\\\}\\\\" <<<"$loads" | grep -v "$(basename "$program")" | grep ': native' || true)
check "no DLL of the program's folder was loaded as native code${native_planted:+: $native_planted}" \
  '[ -z "$native_planted" ]'
check "no planted DLL ran (found: $(markers))" '[ -z "$(markers)" ]'
check "run-time loads came from the system folder (windowscodecs.dll)" \
  'grep -qiF "\"C:\\\\windows\\\\system32\\\\windowscodecs.dll\"" <<<"$loads"'
# The common controls are loaded after the restriction, so the theme engine
# they start comes from the system folder; imported, they would load it
# before the program's first statement, from the program's folder first.
check "the theme engine came from the system folder (uxtheme.dll)" \
  'grep -qiF "\"C:\\\\windows\\\\system32\\\\uxtheme.dll\"" <<<"$loads"'
check "the common controls are version 6, from the side-by-side store" \
  'grep -qiF "\\\\winsxs\\\\amd64_microsoft.windows.common-controls_" <<<"$loads"'
# The stack protector's canary comes from the system's random source, not
# from a cryptographic provider (three DLLs and some 15 ms at each start).
check "no cryptographic provider is loaded at start" '! grep -qi "rsaenh.dll" <<<"$loads"'
echo "--- where each DLL of the program came from:"
sed -E 's/.*Loaded L"([^"]*)".*: (.*)/  \1 (\2)/' <<<"$loads" | sort -u
exit $fail
