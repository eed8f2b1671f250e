#!/usr/bin/env bash
# End to end: the real program under Wine on an X display, used like a person
# uses it: mouse clicks at the controls' places, Alt+letter menus, Tab and
# Space. The registry is read back after each run.
#
# usage: e2e_test.sh WINE_RUN BIN_DIR OUT_DIR [SCENARIO...]
# Scenarios: adsl modem lan menu keyboard disabled about site exit-during-animation look accessible
# backup backup-refused;
# contrast (run with the emulator of the contrast prefix, wine-run-contrast.sh: the
# system colours of tests/win/contrast_prefix.sh);
# and demo, a plain session for `make run` without a display.
# look compares the idle window, its "&Aide" menu and the about box, pixel for pixel, with the
# captures in reference/ beside this script (REFERENCE_WRITE=1 writes them:
# only for a change meant to alter the look, checked by eye before commit).
# accessible reads what assistive technology sees from outside the process
# (the idle tree against reference/accessible-idle.txt, then the progress
# display).
set -uo pipefail

emulator=$1
bin=$2
out=$3
shift 3
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(adsl modem lan menu keyboard disabled about site exit-during-animation look accessible
                                         backup backup-refused)
reference="$(cd "$(dirname "$0")" && pwd)/reference"

exe="$bin/KavrelLinkTune.exe"
probe() { "$emulator" "$bin/linktune-probe.exe" "$@" | tr -d '\r'; }
mkdir -p "$out"
: "${DISPLAY:?the end-to-end tests need an X display (make test provides one)}"

failures=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect_eq() {  # what, got, want
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got '$2', want '$3'"; fi
}

now_ms() { date +%s%3N; }

program_pid=""
start_program() {
  probe prepare-registry >/dev/null || fail "registry prepared"
  "$emulator" "$exe" >/dev/null 2>&1 &
  program_pid=$!
  if [ "$(probe wait 30)" != ready ]; then fail "window shown"; return 1; fi
  declare -gA centre=()
  while IFS=$'\t' read -r name _ _ c _; do
    [ "${name:0:1}" = "#" ] && continue
    centre[$name]=$c
  done < <(probe controls "$(winepath_of "$exe")")
  # The keyboard goes to the window under the pointer's last click.
  click Label12
}

winepath_of() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

click() {  # NAME
  local c=${centre[$1]:-}
  [ -n "$c" ] || { fail "no place for $1"; return 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $c click 1
  sleep 0.15
}

window_field() { probe window | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
control_field() {  # NAME COLUMN(5 shown, 6 enabled, 7 selected)
  probe controls "$(winepath_of "$exe")" | awk -F'\t' -v n="$1" -v c="$2" '$1 == n { print $c }'
}

# Waits until the window is enabled again; prints the milliseconds since $1.
wait_idle() {
  local t0=$1 deadline=$(( $(now_ms) + 40000 ))
  while [ "$(now_ms)" -lt $deadline ]; do
    if [ "$(window_field enabled)" = 1 ]; then echo $(( $(now_ms) - t0 )); return 0; fi
    sleep 0.1
  done
  echo timeout
  return 1
}

stop_program() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    probe close >/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  program_pid=""
}

quit_with_menu() {
  xdotool key alt+f
  sleep 0.3
  xdotool key q
  local deadline=$(( $(now_ms) + 10000 ))
  while kill -0 "$program_pid" 2>/dev/null && [ "$(now_ms)" -lt $deadline ]; do sleep 0.1; done
  if kill -0 "$program_pid" 2>/dev/null; then
    fail "\"&Quitter\" ends the program"
    stop_program
  else
    wait "$program_pid"; local status=$?
    expect_eq "\"&Quitter\" ends the program with status 0" "$status" 0
    program_pid=""
  fi
}

registry_value() {  # ROW
  probe registry | awk -F'\t' -v r="$1" '$1 == r { print $4 }'
}

# What every profile writes to the rows it shares, and its own values.
check_registry() {  # PROFILE TTL WINDOW
  local profile=$1 ttl=$2 window=$3 dump
  dump=$(probe registry)
  val() { printf '%s\n' "$dump" | awk -F'\t' -v r="$1" '$1 == r { print $4 }'; }
  expect_eq "$profile: DefaultTTL (row 43)" "$(val 43)" "REG_DWORD $ttl"
  expect_eq "$profile: TcpWindowSize (row 44)" "$(val 44)" "REG_DWORD $window"
  expect_eq "$profile: CacheHashTableSize (row 79 after 48)" "$(val 79)" "REG_DWORD 180"
  expect_eq "$profile: ReadAheadAutoScrolling (row 58)" "$(val 58)" 'REG_SZ "True"'
  expect_eq "$profile: MTRR Start (row 65)" "$(val 65)" "REG_DWORD 0"
  expect_eq "$profile: NDIS Start (row 68)" "$(val 68)" 'REG_SZ "00"'
  expect_eq "$profile: MaxConnectionsPerServer (row 46)" "$(val 46)" "REG_DWORD 4"
  expect_eq "$profile: NameSpace value deleted (row 78)" "$(val 78)" "(no value)"
  expect_eq "$profile: services\\Services key never made (row 9)" "$(val 9)" "(no key)"
  case $profile in
    adsl)
      expect_eq "adsl: GlobalMaxTcpWindowSize (row 41)" "$(val 41)" 'REG_SZ "255552"'
      expect_eq "adsl: kmixer Count (row 27)" "$(val 27)" 'REG_SZ "0"'
      expect_eq "adsl: DefaultRcvWindow untouched (lan and modem only)" "$(val 17)" "(no value)" ;;
    modem)
      expect_eq "modem: DefaultRcvWindow (row 17)" "$(val 17)" 'REG_SZ "2144"'
      expect_eq "modem: SLOWNET (row 26)" "$(val 26)" 'REG_SZ "00"'
      expect_eq "modem: GlobalMaxTcpWindowSize (row 24)" "$(val 24)" 'REG_SZ "3216"'
      expect_eq "modem: Error Count untouched (lan and adsl only)" "$(val 5)" "(no value)" ;;
    lan)
      expect_eq "lan: DefaultRcvWindow (row 1)" "$(val 1)" 'REG_SZ "5840"'
      expect_eq "lan: Error Count (row 5)" "$(val 5)" 'REG_SZ "67"'
      expect_eq "lan: SLOWNET untouched (modem only)" "$(val 26)" "(no value)"
      expect_eq "lan: GlobalMaxTcpWindowSize untouched (modem and adsl only)" "$(val 41)" "(no value)" ;;
  esac
}

run_profile() {  # PROFILE TYPE SPEED TTL WINDOW [menu]
  local profile=$1 type=$2 speed=$3 ttl=$4 window=$5 how=${6:-button}
  start_program || return
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/idle.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/idle.png"
  click "$type"
  click "$speed"
  expect_eq "$profile: $type selected" "$(control_field "$type" 7)" 1
  local t0
  t0=$(now_ms)
  if [ "$how" = menu ]; then
    xdotool key alt+a
    sleep 0.3
    xdotool key o
  else
    click command1
  fi
  sleep 0.5
  expect_eq "$profile ($how): window disabled during the display" "$(window_field enabled)" 0
  expect_eq "$profile ($how): Bar1 shown during the display" "$(control_field Bar1 5)" 1
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/progress.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/progress.png"
  local took
  took=$(wait_idle "$t0")
  echo "     animation of $profile ($how): $took ms (79 x 150 ms = 11850 ms)"
  echo "$profile $how $took" >> "$out/durations.txt"
  if [ "$took" != timeout ]; then pass "$profile ($how): window enabled again"; else fail "$profile: display ended"; fi
  # 79 ticks of 150 ms: 11850 ms; the clock here starts at the click and the
  # end is polled, so allow for a loaded machine above, nothing below.
  if [ "$took" != timeout ] && [ "$took" -ge 11500 ] && [ "$took" -le 16000 ]; then
    pass "$profile ($how): the display lasts 79 ticks of 150 ms ($took ms)"
  else
    fail "$profile ($how): the display lasted $took ms, not about 11850"
  fi
  expect_eq "$profile ($how): Bar1 hidden after" "$(control_field Bar1 5)" 0
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/final.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/final.png"
  check_registry "$profile" "$ttl" "$window"
  quit_with_menu
}

scenario_disabled() {
  start_program || return
  click command1
  sleep 0.3
  click Lan1
  click r1024
  expect_eq "disabled: a click on an option does nothing" "$(control_field Modem1 7)" 1
  expect_eq "disabled: speed unchanged" "$(control_field r56 7)" 1
  xdotool key alt+f
  sleep 0.3
  xdotool key q
  sleep 0.5
  if kill -0 "$program_pid" 2>/dev/null; then pass "disabled: the menu does not respond"; else fail "menu answered"; fi
  wait_idle "$(now_ms)" >/dev/null
  click Lan1
  expect_eq "disabled: options answer again afterwards" "$(control_field Lan1 7)" 1
  quit_with_menu
}

scenario_keyboard() {
  # Focus starts on "&Optimiser"; Tab walks the tab order: "A Propos", the
  # selected connection type, the selected speed, and round to "&Optimiser".
  start_program || return
  xdotool key Tab
  sleep 0.2
  xdotool key space
  sleep 0.5
  expect_eq "keyboard: Tab reaches \"A Propos\" and Space presses it" \
    "$(probe dialog | awk -F'\t' '$1 == "title" { print $2 }')" "A Propos de Kavrel LinkTune 2.0"
  xdotool key Return
  sleep 0.3
  local t0
  xdotool key Tab
  sleep 0.1
  xdotool key Tab
  sleep 0.1
  xdotool key Tab
  sleep 0.2
  t0=$(now_ms)
  xdotool key space
  sleep 0.5
  expect_eq "keyboard: Tab round to \"&Optimiser\" and Space starts the run" "$(window_field enabled)" 0
  wait_idle "$t0" >/dev/null
  check_registry modem 64 4096
  # Alt+O, the button's access letter, starts it too.
  xdotool key alt+o
  sleep 0.5
  expect_eq "keyboard: Alt+O presses \"&Optimiser\"" "$(window_field enabled)" 0
  wait_idle "$(now_ms)" >/dev/null
  quit_with_menu
}

about_text_expected() {
  printf '%s|' \
    "      Kavrel LinkTune est logiciel très puissant qui optimise" \
    "votre connexion internet, quelque soit son type, en règlant" \
    "les paramètres de Windows et du materiel utilisé pour une " \
    "performance maximale." \
    "" \
    "     Il perfectionne aussi Internet Explorer, Firefox, netscape et Opera," \
    "ce logiciel est testé sur un grands nombre de machines qui " \
    "travaillent sous windows, avec différentes connexion sur le " \
    "réseaux." \
    "_____________________________________________"
}

scenario_about() {
  start_program || return
  click KavrelCmd1
  sleep 0.5
  local box
  box=$(probe dialog)
  /usr/bin/import -window root "$out/about.png"
  expect_eq "about: title" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "title" { print $2 }')" \
    "A Propos de Kavrel LinkTune 2.0"
  local text
  text=$(printf '%s\n' "$box" | awk -F'\t' '$1 == "text" { print $2 }')
  case $text in
    "$(about_text_expected)"*) pass "about: the ten fixed lines" ;;
    *) fail "about: text is '$text'" ;;
  esac
  expect_eq "about: fourteen lines" "$(printf '%s' "$text" | tr -cd '|' | wc -c)" 13
  expect_eq "about: an icon" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "icon" { print $2 }')" shown
  xdotool key Return
  sleep 0.3
  expect_eq "about: closed with Enter" "$(probe dialog)" "no dialog"
  # The menu item shows the same box.
  click Label12
  xdotool key alt+a
  sleep 0.3
  xdotool key Right
  sleep 0.3
  xdotool key a
  sleep 0.5
  local box2
  box2=$(probe dialog)
  expect_eq "about: the menu shows the same box" "$box2" "$box"
  xdotool key Return
  sleep 0.3
  quit_with_menu
}

scenario_site() {
  # No browser on this system: choosing the web site shows nothing at all.
  start_program || return
  /usr/bin/import -window root "$out/site-before.png"
  xdotool key alt+a
  sleep 0.3
  xdotool key Right
  sleep 0.3
  xdotool key k
  sleep 3
  /usr/bin/import -window root "$out/site-after.png"
  expect_eq "site: no dialog" "$(probe dialog)" "no dialog"
  expect_eq "site: the window stays enabled" "$(window_field enabled)" 1
  local differing
  differing=$(/usr/bin/compare -metric AE "$out/site-before.png" "$out/site-after.png" null: 2>&1 || true)
  expect_eq "site: the screen is as it was" "$differing" 0
  quit_with_menu
}

scenario_exit_during_animation() {
  start_program || return
  click command1
  sleep 1
  expect_eq "exit: animation running" "$(window_field enabled)" 0
  probe close >/dev/null
  local deadline=$(( $(now_ms) + 5000 ))
  while kill -0 "$program_pid" 2>/dev/null && [ "$(now_ms)" -lt $deadline ]; do sleep 0.1; done
  if kill -0 "$program_pid" 2>/dev/null; then
    fail "exit: closing during the animation ends the program"
    kill "$program_pid"
  else
    wait "$program_pid"; local status=$?
    expect_eq "exit: closing during the animation ends the program with status 0" "$status" 0
  fi
  program_pid=""
}

# crop_screen NAME X Y W H: the rectangle of a screenshot taken now.
crop_screen() {
  /usr/bin/import -window root "$out/screen.png"
  /usr/bin/convert "$out/screen.png" -crop "${4}x${5}+${2}+${3}" +repage "$out/$1.png"
}

# compare_look NAME: $out/NAME.png against reference/NAME.png, every pixel.
compare_look() {
  local want="$reference/$1.png"
  if [ "${REFERENCE_WRITE:-0}" = 1 ]; then
    mkdir -p "$reference"
    cp "$out/$1.png" "$want"
    pass "look: wrote $want"
    return
  fi
  [ -f "$want" ] || { fail "look: no reference $want"; return; }
  local differing
  differing=$(/usr/bin/compare -metric AE "$out/$1.png" "$want" "$out/$1-diff.png" 2>&1)
  expect_eq "look: $1 is pixel for pixel its reference (differences in $out/$1-diff.png)" "$differing" 0
}

scenario_look() {
  start_program || return
  local rect
  # shellcheck disable=SC2046
  crop_screen idle-window $(window_field window)
  compare_look idle-window
  # The drawn items of the "&Aide" menu, the first one chosen.
  xdotool key alt+a
  sleep 0.3
  xdotool key Right
  sleep 0.4
  rect=$(probe popup | awk -F'\t' '$1 == "rect" { print $2 }')
  if [ -n "$rect" ]; then
    # shellcheck disable=SC2086
    crop_screen help-menu $rect
    compare_look help-menu
  else
    fail "look: the \"&Aide\" menu is open"
  fi
  xdotool key Escape
  sleep 0.1
  xdotool key Escape
  sleep 0.3
  click KavrelCmd1
  sleep 0.5
  rect=$(probe dialog | awk -F'\t' '$1 == "rect" { print $2 }')
  if [ -n "$rect" ]; then
    # shellcheck disable=SC2086
    crop_screen about-box $rect
    compare_look about-box
  else
    fail "look: the about box is shown"
  fi
  xdotool key Return
  sleep 0.3
  quit_with_menu
}

# tree_field FILE ROLE NAME COLUMN: a column (3 value, 4 states) of the
# first object with that role and name in a tree the probe printed.
tree_field() {
  awk -F'\t' -v r="$2" -v n="$3" -v c="$4" '{ sub(/^ +/, "", $1) } $1 == r && $2 == n { print $c; exit }' "$1"
}

scenario_accessible() {
  start_program || return
  # oleacc.dll is loaded on the first request, not at start-up.
  expect_eq "accessible: oleacc.dll not loaded before anyone asks" "$(probe loaded oleacc.dll)" no
  probe accessible > "$out/accessible-idle.txt"
  expect_eq "accessible: oleacc.dll loaded on the first request" "$(probe loaded oleacc.dll)" yes
  local want="$reference/accessible-idle.txt"
  if [ "${REFERENCE_WRITE:-0}" = 1 ]; then
    cp "$out/accessible-idle.txt" "$want"
    pass "accessible: wrote $want"
  elif diff -u "$want" "$out/accessible-idle.txt" > "$out/accessible-idle.diff"; then
    pass "accessible: the idle window's tree is reference/accessible-idle.txt"
  else
    fail "accessible: the idle window's tree differs:"
    sed 's/^/       /' "$out/accessible-idle.diff" | head -20
  fi

  click command1
  sleep 1.2
  local tree="$out/accessible-progress.txt" value
  probe accessible > "$tree"
  for bar in "Réglage de Windows" "Optimisation en cours"; do
    expect_eq "accessible: \"$bar\" shown during the display" "$(tree_field "$tree" "progress bar" "$bar" 4)" readonly
  done
  value=$(tree_field "$tree" "progress bar" "Réglage de Windows" 3)
  case $value in
    [1-9]*" %") pass "accessible: the bar reads its level ($value)" ;;
    *) fail "accessible: the bar reads '$value', not a level in percent" ;;
  esac
  expect_eq "accessible: the banner hidden during the display" \
    "$(tree_field "$tree" graphic "Kavrel LinkTune" 4)" "readonly,invisible"
  for button in Optimiser "A Propos"; do
    expect_eq "accessible: \"$button\" unavailable during the display" \
      "$(tree_field "$tree" "push button" "$button" 4)" unavailable
  done
  wait_idle "$(now_ms)" >/dev/null
  probe accessible > "$tree"
  expect_eq "accessible: afterwards the bar is hidden at its last level" \
    "$(tree_field "$tree" "progress bar" "Réglage de Windows" 3) $(tree_field "$tree" "progress bar" "Réglage de Windows" 4)" \
    "100 % readonly,invisible"
  expect_eq "accessible: afterwards \"Optimiser\" is available again" \
    "$(tree_field "$tree" "push button" Optimiser 4 | grep -c focusable)" 1
  quit_with_menu
}

# pixel X Y: RRGGBB at a screen point of the last screenshot.
pixel() { /usr/bin/convert "$out/screen.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
# colour_count "X Y W H" RRGGBB: the pixels of that colour in a screen
# rectangle of the last screenshot.
colour_count() {
  local x y w h n
  read -r x y w h <<<"$1"
  n=$(/usr/bin/convert "$out/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -format %c histogram:info:- |
        awk -v c="#$2" 'toupper($3) == c { sub(/:$/, "", $1); print $1 }')
  echo "${n:-0}"
}
more_than() {  # WHAT COUNT LIMIT
  if [ "$2" -gt "$3" ]; then pass "$1 ($2 pixels)"; else fail "$1: $2 pixels, not more than $3"; fi
}

scenario_contrast() {
  # The test build KavrelLinkTune-contrast.exe: the program with high
  # contrast decided on. The colours expected are the prefix's: window
  # 000000, window text FFFF00, highlight 0080FF, button face 000060,
  # button text 00FFFF, grey text 00C000, menu 300040, menu text FFFFFF.
  local exe="$bin/KavrelLinkTune-contrast.exe" rects x y w h rect
  start_program || return
  rects=$(probe controls "$(winepath_of "$exe")")
  rect_of() { printf '%s\n' "$rects" | awk -F'\t' -v n="$1" '$1 == n { print $3 }'; }
  # shellcheck disable=SC2046
  crop_screen high-contrast $(window_field window)
  echo "     screenshot: $out/high-contrast.png"

  read -r x y w h <<<"$(rect_of FramePlus3)"
  expect_eq "contrast: FramePlus3 on the window colour" "$(pixel $((x + 392)) $((y + 22)))" 000000
  expect_eq "contrast: FramePlus3's outline in the window text colour" "$(pixel "$x" $((y + 142)))" FFFF00
  more_than "contrast: Label12 in the window text colour" "$(colour_count "$(rect_of Label12)" FFFF00)" 200
  expect_eq "contrast: no white copy of the copyright" "$(colour_count "$(rect_of Label5)" FFFFFF)" 0
  more_than "contrast: the copyright in the window text colour" "$(colour_count "$(rect_of Label4)" FFFF00)" 50
  read -r x y w h <<<"$(rect_of command1)"
  expect_eq "contrast: \"&Optimiser\" on the button face colour" "$(pixel $((x + 4)) $((y + 4)))" 000060
  expect_eq "contrast: \"&Optimiser\" outlined in the window text colour" "$(pixel "$x" $((y + h / 2)))" FFFF00
  more_than "contrast: \"&Optimiser\" in the button text colour" "$(colour_count "$(rect_of command1)" 00FFFF)" 20

  click command1
  sleep 1.2
  # shellcheck disable=SC2046
  crop_screen high-contrast-progress $(window_field window)
  read -r x y w h <<<"$(rect_of Bar2)"
  expect_eq "contrast: Bar2 framed in the window text colour" "$(pixel "$x" "$y")" FFFF00
  expect_eq "contrast: Bar2 filled with the highlight colour" "$(pixel $((x + 1)) $((y + h / 2)))" 0080FF
  more_than "contrast: \"&Optimiser\" grey while the window is disabled" \
    "$(colour_count "$(rect_of command1)" 00C000)" 20
  expect_eq "contrast: no available-looking caption then" "$(colour_count "$(rect_of command1)" 00FFFF)" 0
  wait_idle "$(now_ms)" >/dev/null

  # The drawn items of "&Aide", the first one chosen.
  xdotool key alt+a
  sleep 0.3
  xdotool key Right
  sleep 0.4
  rect=$(probe popup | awk -F'\t' '$1 == "rect" { print $2 }')
  if [ -n "$rect" ]; then
    # shellcheck disable=SC2086
    crop_screen high-contrast-menu $rect
    more_than "contrast: the chosen item in the highlight colour" "$(colour_count "$rect" 0080FF)" 100
    more_than "contrast: the other items in the menu colour" "$(colour_count "$rect" 300040)" 100
  else
    fail "contrast: the \"&Aide\" menu is open"
  fi
  xdotool key Escape
  sleep 0.1
  xdotool key Escape
  sleep 0.3
  quit_with_menu
}

# The program's backup folder, seen from this side of the prefix.
programdata="${KAVREL_WINEPREFIX:-$(cd "$(dirname "$emulator")" && pwd)/wineprefix}/drive_c/ProgramData"
backups="$programdata/Kavrel LinkTune/Sauvegardes"

scenario_backup() {
  # One press of "&Optimiser" leaves exactly one new backup, and restoring
  # it brings back what the registry held before the run.
  rm -rf "$programdata/Kavrel LinkTune"
  start_program || return
  local before after
  before=$(probe registry)
  click Adsl1
  click r1024
  click command1
  sleep 0.5
  expect_eq "backup: the run started" "$(window_field enabled)" 0
  local files
  files=$(ls "$backups" 2>/dev/null)
  expect_eq "backup: exactly one new file in the backup folder" \
    "$(printf '%s\n' "$files" | grep -c '^sauvegarde-[0-9]\{8\}-[0-9]\{6\}\.reg$')" 1
  wait_idle "$(now_ms)" >/dev/null
  check_registry adsl 128 24576
  quit_with_menu
  "$emulator" "$bin/linktune.exe" restore "$(winepath_of "$backups/$files")" >/dev/null
  expect_eq "backup: linktune restore of the file ends with 0" "$?" 0
  after=$(probe registry)
  expect_eq "backup: restoring it brings the registry back" "$after" "$before"
  expect_eq "backup: still one file" "$(ls "$backups" | wc -l)" 1
  rm -rf "$programdata/Kavrel LinkTune"
}

scenario_backup_refused() {
  # A file in the way of the program's folder: the backup cannot be written,
  # so one box says so and the registry is left alone.
  rm -rf "$programdata/Kavrel LinkTune"
  : > "$programdata/Kavrel LinkTune"
  start_program || return
  local before box
  before=$(probe registry)
  click command1
  sleep 0.5
  box=$(probe dialog)
  expect_eq "backup refused: the box's title" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "title" { print $2 }')" \
    "Kavrel LinkTune"
  expect_eq "backup refused: the box's text" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "text" { print $2 }')" \
    "La sauvegarde des réglages actuels n'a pas pu être écrite dans « C:\\ProgramData\\Kavrel LinkTune\\Sauvegardes ». Aucun réglage n'a été modifié."
  expect_eq "backup refused: an icon" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "icon" { print $2 }')" shown
  xdotool key Return
  sleep 0.3
  expect_eq "backup refused: the box closes" "$(probe dialog)" "no dialog"
  expect_eq "backup refused: no progress display" "$(control_field Bar1 5)" 0
  expect_eq "backup refused: the window stays usable" "$(window_field enabled)" 1
  expect_eq "backup refused: the registry is untouched" "$(probe registry)" "$before"
  click Lan1
  expect_eq "backup refused: the options still answer" "$(control_field Lan1 7)" 1
  quit_with_menu
  rm -f "$programdata/Kavrel LinkTune"
}

# A file left in the way of the backup folder would stop every later run.
trap 'stop_program; if [ -f "$programdata/Kavrel LinkTune" ]; then rm -f "$programdata/Kavrel LinkTune"; fi' EXIT
for s in "${scenarios[@]}"; do
  echo "== $s"
  case $s in
    adsl) run_profile adsl Adsl1 r1024 128 24576 ;;
    modem) run_profile modem Modem1 r56 64 4096 ;;
    lan) run_profile lan Lan1 r33 128 2048 ;;
    menu) run_profile modem Modem1 r56 64 4096 menu ;;
    keyboard) scenario_keyboard ;;
    disabled) scenario_disabled ;;
    about) scenario_about ;;
    exit-during-animation) scenario_exit_during_animation ;;
    site) scenario_site ;;
    look) scenario_look ;;
    accessible) scenario_accessible ;;
    contrast) scenario_contrast ;;
    backup) scenario_backup ;;
    backup-refused) scenario_backup_refused ;;
    demo)
      run_profile adsl Adsl1 r1024 128 24576
      echo "== what the registry holds for each row the run applied (27-80; rows under keys this system lacks left out)"
      probe registry | awk -F'\t' '$1 >= 27 && $4 != "(no key)"' ;;
    *) fail "unknown scenario $s" ;;
  esac
  stop_program
done
echo "== $failures failure(s)"
[ $failures -eq 0 ]
