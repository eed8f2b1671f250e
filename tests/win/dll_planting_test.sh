#!/usr/bin/env bash
# No DLL planted beside the programs is loaded: neither beside the ones the
# MSI installs in C:\Program Files\Kavrel\LinkTune\ nor beside the zip's,
# unpacked in the user's Downloads folder.
#
# 1. A first session with nothing planted, under
#    WINEDEBUG=+pid,+loaddll,+module, names every DLL the two programs load:
#    the window started, its about box, the web-site command, a run of
#    "&Optimiser", the window closed; linktune.exe show, backup, apply (its
#    backup in ProgramData), check, restore. That list, not one written
#    here, is what gets planted.
# 2. A copy of the planted DLL under each of those names goes beside the
#    programs in both places, and Wine is told to prefer a DLL found on the
#    search path to its own (NAME=n,b, through the wrapper's
#    KAVREL_DLLOVERRIDES) for every name loaded once the program runs. What
#    the loader brings in before the first statement (the programs'
#    imports, which program_imports_test.sh holds to Windows' known DLLs,
#    and what those load as they start) is planted too but left to Wine's
#    own order, builtin first: Windows takes known DLLs and what they import
#    from the system folder whatever the search order; Wine has no known
#    DLLs, so told native first it takes any of them from the folder (user32
#    and kernel32 too, and then no process starts), and no program can do
#    anything there before its first statement. Wine's user32 loads
#    imm32.dll as it starts and its advapi32 imports version.dll: both stay
#    in that group, a gap of Wine's alone (imm32 is a known DLL, and
#    Windows' advapi32 does not load version.dll). A planted copy of one of
#    them that runs all the same (shcore.dll did, under shell32 imported)
#    still fails the test.
#    A plain loader put in the same folder gets the planted copies of the
#    overridden names: each folder is a place a DLL is taken from.
# 3. The same session from each folder: no planted copy runs (a copy that
#    runs leaves NAME.loaded beside itself) and the log shows no DLL taken
#    from the program's folder.
#
# usage: dll_planting_test.sh WINE_RUN BIN_DIR PLANTED.dll PLAIN_LOADER.exe DIST_DIR OUT_DIR
# BIN_DIR holds linktune-probe.exe; DIST_DIR the MSI and the zip (make dist's
# files, from dist_package_test.sh). Runs in the prefix KAVREL_WINEPREFIX,
# which the MSI is installed into and removed from.
set -uo pipefail
emulator=$1 bin=$2 planted=$3 loader=$4 dist=$5 out=$6
here="$(cd "$(dirname "$0")" && pwd)"
: "${KAVREL_WINEPREFIX:?the planting test installs the MSI: it needs a prefix of its own (KAVREL_WINEPREFIX)}"
rm -rf "$out"
mkdir -p "$out"
t_start=$(date +%s%N)
# shellcheck source=/dev/null
. "$here/../e2e/lib.sh"
# shellcheck source=/dev/null
. "$here/../e2e/site.sh"
loadlog() { python3 "$here/dll_load_log.py" "$@"; }
w() { "$emulator" "$@"; }
win() { printf 'Z:%s' "$1" | tr / '\\'; }
took() { echo "     $1: $(( ($(date +%s%N) - $2) / 1000000 )) ms"; }

msi=$(ls "$dist"/KavrelLinkTune-*-x64.msi 2>/dev/null | head -1)
zip=$(ls "$dist"/KavrelLinkTune-*-x64.zip 2>/dev/null | head -1)
[ -s "$msi" ] && [ -s "$zip" ] || { echo "FAIL: no MSI or zip in $dist"; exit 1; }
c="$prefix/drive_c"
installed_unix="$c/Program Files/Kavrel/LinkTune" installed_win='C:\Program Files\Kavrel\LinkTune'

t0=$(date +%s%N)
WINEPREFIX=$prefix bash "$here/../../scripts/wine-session.sh" start
hold_desktop || exit 1
took "Wine session ready" "$t0"
# The prefix's user, whose folder Wine names after the Unix account.
user=$(cd "$c/users" && ls -d -- */ | tr -d / | grep -vx Public | head -1)
user=${user:-$(id -un)}
unpacked_unix="$c/users/$user/Downloads/$(basename "$zip" .zip)"
unpacked_win="C:\\users\\$user\\Downloads\\$(basename "$zip" .zip)"
cleanup() {
  stop_program
  release_desktop
  w msiexec /x "$(win "$msi")" /qn >/dev/null 2>&1
  rm -rf "$unpacked_unix"
  # The prefix's session ends with the test, as after the MSI tests.
  WINEPREFIX=$prefix bash "$here/../../scripts/wine-session.sh" stop
}
trap cleanup EXIT

t0=$(date +%s%N)
w msiexec /x "$(win "$msi")" /qn >/dev/null 2>&1  # a run that stopped half-way
w msiexec /i "$(win "$msi")" /qn >/dev/null 2>&1
check_eq() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got '$2', want '$3'"; fi; }
check_eq "the MSI installs KavrelLinkTune.exe and linktune.exe" \
  "$(ls "$installed_unix" 2>/dev/null | tr '\n' ' ')" "KavrelLinkTune.exe linktune.exe "
rm -rf "$unpacked_unix"
mkdir -p "$unpacked_unix"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$unpacked_unix"
check_eq "the zip unpacks KavrelLinkTune.exe and linktune.exe into Downloads" \
  "$(cd "$unpacked_unix" && ls KavrelLinkTune.exe linktune.exe 2>/dev/null | tr '\n' ' ')" "KavrelLinkTune.exe linktune.exe "
took "MSI installed, zip unpacked" "$t0"

# --- One session of both programs from FOLDER (its Windows path), the
# loads of each program run logged to a file of LOGS ---
traced="+pid,+loaddll,+module"
window_session() {  # UNIX_FOLDER FOLDER LOGS
  local exe_win="$2\\KavrelLinkTune.exe"
  exe="$1/KavrelLinkTune.exe"  # where the probe reads the window's description
  WINEDEBUG=$traced "$emulator" "$exe_win" >/dev/null 2>"$3/window.txt" &
  program_pid=$!
  if [ "$(probe wait 30)" != ready ]; then fail "window shown"; stop_program; return 1; fi
  declare -gA centre=()
  while IFS=$'\t' read -r name _ _ ctr _; do
    [ "${name:0:1}" = "#" ] && continue
    centre[$name]=$ctr
  done < <(probe controls "$exe_win")
  caption=$(window_field caption)
  click Label12
  wait_for "the keyboard focus in the program's window" yes 10 keyboard_in_program || { stop_program; return 1; }
  # The about box, closed with Enter.
  click KavrelCmd1
  wait_for "the about box shown" "A Propos de Kavrel LinkTune 2.0" 10 dialog_field title || { stop_program; return 1; }
  wait_for "the keyboard in the about box" yes 10 keyboard_in_program
  xdotool key Return
  wait_for "the about box closed" "no dialog" 10 probe dialog
  click Label12
  wait_for "the keyboard focus back in the program's window" yes 10 keyboard_in_program
  # The web-site command of "&Aide".
  open_menu a 1 || { stop_program; return 1; }
  xdotool key k
  site_settled
  # A run of "&Optimiser" (its backup, the registry, the display's first
  # ticks), then the window closed while the bars move.
  click command1
  wait_running || { stop_program; return 1; }
  wait_for "Bar1 shown during the display" 1 10 control_field Bar1 5
  wait_for "the display's ticks move the bar" moved 10 bar_moved
  probe close >/dev/null
  wait_for "the window closed" ended 10 program_state || { stop_program; return 1; }
  wait "$program_pid"
  program_pid=""
}
# "moved" once the bar reads a level above 0 % to assistive technology.
bar_moved() {
  local level
  level=$(bar_level "Réglage de Windows")
  if [[ $level =~ ^[1-9][0-9]*\ %$ ]]; then echo moved; else echo "$level"; fi
}
# linktune.exe's commands; the backup file goes to the output folder.
console_session() {  # UNIX_FOLDER FOLDER LOGS
  local program="$2\\linktune.exe" logs=$3 backup_file
  backup_file=$(win "$out/planting-test.reg")
  rm -f "$out/planting-test.reg"
  lt() { WINEDEBUG=$traced "$emulator" "$program" "$@" >/dev/null 2>"$logs/linktune-$1.txt"; }
  lt show adsl 1024 || fail "linktune show from $2"
  lt backup adsl 1024 "$backup_file" || fail "linktune backup from $2"
  lt apply adsl 1024 || fail "linktune apply from $2"
  lt check adsl 1024  # its status says whether the values are as planned
  lt restore "$backup_file" || fail "linktune restore from $2"
}
session() {  # UNIX_FOLDER FOLDER LOGS
  rm -rf "$3"
  mkdir -p "$3"
  if window_session "$@"; then pass "window session from $2"; else fail "window session from $2"; fi
  console_session "$@"
}
planted_markers() { (cd "$1" && ls -- *.loaded 2>/dev/null | tr '\n' ' '); }

# --- 1. What the programs load ---
t0=$(date +%s%N)
session "$installed_unix" "$installed_win" "$out/learn"
loadlog table "$out"/learn/*.txt | sort > "$out/learn-table.txt"
loadlog names "$out"/learn/*.txt > "$out/names.txt"
loadlog early "$out"/learn/*.txt > "$out/early.txt"
names=$(tr '\n' ' ' < "$out/names.txt")
count=$(wc -l < "$out/names.txt")
late=$(grep -vxFf "$out/early.txt" "$out/names.txt" | tr '\n' ' ')
late_count=$(wc -w <<<"$late")
took "session with nothing planted ($count DLLs)" "$t0"
check_eq "the window's DLLs are in the log (user32, gdi32, comctl32, uxtheme, oleacc, msimg32)" \
  "$(for n in user32.dll gdi32.dll comctl32.dll uxtheme.dll oleacc.dll msimg32.dll; do grep -qx "$n" "$out/names.txt" && echo -n "$n "; done)" \
  "user32.dll gdi32.dll comctl32.dll uxtheme.dll oleacc.dll msimg32.dll "
check_eq "nothing came from the program's folder but the programs" \
  "$(loadlog from "$installed_win" "$out"/learn/*.txt | grep -v '\.exe	' | cut -f1 | tr '\n' ' ')" ""
# The common controls are loaded after the restriction, so the theme engine
# they start comes from the system folder; imported, they would load it
# before the program's first statement, from the program's folder first.
check_eq "the theme engine is loaded once the program runs, from the system folder" \
  "$(awk -F'\t' '$1 == "uxtheme.dll" { print $2 " " $4 }' "$out/learn-table.txt")" 'C:\windows\system32 run'
check_eq "the common controls are version 6, from the side-by-side store" \
  "$(awk -F'\t' '$1 == "comctl32.dll" && $2 ~ /\\winsxs\\amd64_microsoft\.windows\.common-controls_/ { print "winsxs" }' "$out/learn-table.txt")" winsxs
# The stack protector's canary comes from the system's random source, not
# from a cryptographic provider (three DLLs and some 15 ms at each start).
check_eq "no cryptographic provider is loaded" "$(grep -xE 'rsaenh.dll|bcrypt.dll|crypt32.dll' "$out/names.txt" | tr '\n' ' ')" ""
echo "     planted, loaded once the programs run (overridden: native first): $late"
echo "     planted, loaded before the first statement (Wine's order): $(tr '\n' ' ' < "$out/early.txt")"
# Wine's name of a DLL in WINEDLLOVERRIDES: without ".dll", with any other
# extension kept.
overrides=""
for n in $late; do overrides="$overrides${overrides:+,}${n%.dll}"; done
export KAVREL_DLLOVERRIDES="$overrides=n,b"

# --- 2 and 3, in each place ---
for place in installed unpacked; do
  eval "unix=\$${place}_unix folder=\$${place}_win"
  t0=$(date +%s%N)
  for n in $names; do cp "$planted" "$unix/$n"; done
  cp "$loader" "$unix/plain_loader.exe"
  # shellcheck disable=SC2086
  "$emulator" "$folder\\plain_loader.exe" $late 2>/dev/null | tr -d '\r' > "$out/control-$place.txt"
  # A name the loader already had (what Wine puts in every process) cannot
  # come from a LoadLibrary; every other one must be the planted copy, and
  # its copy must have run.
  others=$(F=$folder awk -F'\t' '$3 != "already" && tolower($2) != tolower(ENVIRON["F"] "\\" $1) { print $1 ":" $2 }' \
           "$out/control-$place.txt" | tr '\n' ' ')
  check_eq "$place: a plain LoadLibrary beside the programs gets the planted copy of every overridden name" "$others" ""
  taken=$(awk -F'\t' '$3 != "already"' "$out/control-$place.txt" | wc -l)
  ran=$(planted_markers "$unix" | wc -w)
  if [ "$taken" -gt $(( late_count / 2 )) ] && [ "$ran" = "$taken" ]; then
    pass "$place: $taken of the $late_count overridden names loaded from the folder, and their copies ran"
  else
    fail "$place: $taken of the $late_count overridden names loaded from the folder, $ran copies ran"
  fi
  rm -f "$unix"/*.loaded "$unix/plain_loader.exe"

  session "$unix" "$folder" "$out/planted-$place"
  loadlog table "$out/planted-$place"/*.txt | sort > "$out/planted-$place-table.txt"
  # Wine names the planted file for a load it made from its own copy (an
  # early name): only native code from the folder counts.
  from_folder=$(loadlog from "$folder" "$out/planted-$place"/*.txt | awk -F'\t' '$1 !~ /\.exe$/ && $3 == "native" { print $1 }' | tr '\n' ' ')
  check_eq "$place: no DLL's code was taken from the programs' folder" "$from_folder" ""
  check_eq "$place: no planted copy ran" "$(planted_markers "$unix")" ""
  for n in $names; do rm -f "$unix/$n" "$unix/$n.loaded"; done
  took "$place: control and planted session" "$t0"
done

echo "--- where each DLL came from, with nothing planted:"
sed 's/^/  /' "$out/learn-table.txt"
took "planting test" "$t_start"
echo "== $failures failure(s)"
[ "$failures" -eq 0 ]
