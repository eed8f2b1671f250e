# Shared by the scenario files: the program under Wine, the probe that looks
# at it from outside, and the checks. Sourced by e2e_test.sh, which sets
# emulator, bin, out and reference.
#
# Every wait for a state of the program goes through wait_for: the machine
# may be slow or loaded, so a test polls what it waits for, up to a deadline,
# and fails saying what it waited for and what it saw last.

exe="$bin/KavrelLinkTune.exe"
# Every path of the probe's reading commands prints at least one line, yet
# under load a run of it now and then prints nothing at all, with no word on
# stderr. That is no answer about the program, so a reading is taken again,
# for up to 20 s; a command that acts on the program (close, hold,
# prepare-registry) runs once.
probe() {
  case $1 in
    wait|window|controls|dialog|popup|focus|sync|accessible|loaded|registry|windows) ;;
    *) "$emulator" "$bin/linktune-probe.exe" "$@" | tr -d '\r'; return ;;
  esac
  local answer status deadline=$(( $(now_ms) + 20000 ))
  while :; do
    answer=$("$emulator" "$bin/linktune-probe.exe" "$@" | tr -d '\r')
    status=$?
    if [ -n "$answer" ]; then printf '%s\n' "$answer"; return "$status"; fi
    if [ "$(now_ms)" -ge "$deadline" ]; then
      echo "     linktune-probe $*: no answer until the deadline (status $status)" >&2
      return "$status"
    fi
    echo "     linktune-probe $*: no answer (status $status): once more" >&2
    sleep 0.2  # paces the next probe run
  done
}
mkdir -p "$out"
: "${DISPLAY:?the end-to-end tests need an X display (make test provides one)}"

failures=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect_eq() {  # what, got, want
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got '$2', want '$3'"; fi
}

now_ms() { date +%s%3N; }

# wait_for WHAT WANT SECONDS COMMAND...: runs COMMAND until its output is
# WANT (or, with WANT written "!VALUE", until it is anything but VALUE).
# Returns 0 then, with the milliseconds it took in $waited_ms and the output
# in $last_seen; fails the test and returns 1 when SECONDS pass first.
waited_ms=0
last_seen=""

# What the screen and the window list looked like when a wait ran out:
# $out/timeout-N.png and $out/timeout-N.txt (the probe's `windows`, and the
# Windows processes of this prefix), for the failure to tell its own story.
# Named after the scenario, so that a later test in the same folder keeps
# them; the program's own output (Wine's messages included) goes with them.
timeouts=0
scenario_now=""
report_scene() {
  timeouts=$((timeouts + 1))
  local name="$out/timeout-${scenario_now:-e2e}-$timeouts"
  /usr/bin/import -window root "$name.png" 2>/dev/null
  { probe windows; echo "== processes"; ps -u "$(id -u)" -o pid,etimes,args | grep -i '\.exe' | grep -v grep
    echo "== the program's output"; cat "$out/program.txt" 2>/dev/null
  } > "$name.txt" 2>&1
  echo "     (screen and windows: $name.png, .txt)"
}
wait_for() {
  local what=$1 want=$2 seconds=$3 t0 deadline
  shift 3
  t0=$(now_ms)
  deadline=$(( t0 + seconds * 1000 ))
  while :; do
    last_seen=$("$@" 2>/dev/null)
    if [ "${want:0:1}" = "!" ]; then
      [ "$last_seen" != "${want:1}" ] && break
    else
      [ "$last_seen" = "$want" ] && break
    fi
    if [ "$(now_ms)" -ge "$deadline" ]; then
      fail "waited ${seconds} s for $what ('$want'), last saw '$last_seen'"
      report_scene
      return 1
    fi
    # Polling interval; each probe call already takes a good part of it.
    sleep 0.05
  done
  waited_ms=$(( $(now_ms) - t0 ))
  return 0
}

winepath_of() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

window_field() { probe window | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
control_field() {  # NAME COLUMN(5 shown, 6 enabled, 7 selected)
  probe controls "$(winepath_of "$exe")" | awk -F'\t' -v n="$1" -v c="$2" '$1 == n { print $c }'
}
dialog_field() { probe dialog | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
popup_rect() { probe popup | awk -F'\t' '$1 == "rect" { print $2 } $1 == "no menu" { print "none" }'; }
focused_control() { probe focus "$(winepath_of "$exe")"; }
# The name of the X window with the keyboard focus: X sends keys there, and
# Wine names a window's X window after its caption.
x_focus() { xdotool getwindowfocus getwindowname 2>/dev/null; }
# "yes" while X sends keys to the program: its window or a box it shows
# (Wine hands them to the window with the focus inside the program).
keyboard_in_program() {
  local name
  name=$(x_focus)
  if [ "$name" = "$caption" ] || { [ -n "$name" ] && [ "$name" = "$(dialog_field title)" ]; }; then
    echo yes
  else
    echo "$name"
  fi
}
program_state() { if kill -0 "$program_pid" 2>/dev/null; then echo running; else echo ended; fi; }

# A round trip through the program's thread: input sent before it has been
# taken from the queue once this returns. A failure says what the probe saw
# ("no window", "timeout").
sync_program() {
  local answer
  answer=$(probe sync 10)
  [ "$answer" = synced ] || fail "the program answers a message (sync): the probe says '$answer'"
}

# Between two programs of a test the session's desktop may have no process
# of its own but Wine's desktop one; Wine's server then closes it, and a
# program started just before may lose its windows to every later probe.
# A holder (the probe's `hold`) stays on the desktop while the test runs;
# it is started again after a scenario stops the session.
holder_pid=""
hold_desktop() {
  if [ -n "$holder_pid" ] && kill -0 "$holder_pid" 2>/dev/null; then return 0; fi
  : > "$out/holder.txt"
  "$emulator" "$bin/linktune-probe.exe" hold > "$out/holder.txt" 2>&1 &
  holder_pid=$!
  # A cold session starts Wine's server and desktop first: on a loaded
  # two-core machine that alone has taken over 30 s.
  wait_for "the session's desktop held" holding 90 holder_state
}
holder_state() { tr -d '\r' < "$out/holder.txt"; }
release_desktop() {
  if [ -n "$holder_pid" ]; then kill "$holder_pid" 2>/dev/null; wait "$holder_pid" 2>/dev/null; fi
  holder_pid=""
}

program_pid=""
caption=""
start_program() {
  hold_desktop || return 1
  probe prepare-registry >/dev/null || fail "registry prepared"
  "$emulator" "$exe" >"$out/program.txt" 2>&1 &
  program_pid=$!
  # The probe polls for the window itself. A deadline, not a pace: under
  # load on a two-core machine 30 s ran out once.
  local shown
  shown=$(probe wait 90)
  if [ "$shown" != ready ]; then
    fail "window shown: the probe says '$shown', the program $(program_state)"
    report_scene
    return 1
  fi
  # A listing taken while the window is still being set up (or while the
  # probe cannot reach it yet) lacks rows: wait for the whole one.
  wait_for "the window's controls listed" listed 10 controls_listed || return 1
  declare -gA centre=()
  while IFS=$'\t' read -r name _ _ c _; do
    [ "${name:0:1}" = "#" ] && continue
    centre[$name]=$c
  done < "$out/controls.txt"
  caption=$(window_field caption)
  # The keyboard goes to the window under the pointer's last click; X routes
  # keys to its focus window, which Wine moves when it handles the click.
  click Label12
  wait_for "the keyboard focus in the program's window" yes 10 keyboard_in_program
}

# "listed" once the probe lists the program's controls, the clicked label
# and the run's button among them; the listing stays in $out/controls.txt.
controls_listed() {
  probe controls "$(winepath_of "$exe")" > "$out/controls.txt" 2>&1
  if grep -q "^Label12"$'\t' "$out/controls.txt" && grep -q "^command1"$'\t' "$out/controls.txt"; then
    echo listed
  else
    head -c 120 "$out/controls.txt" | tr '\n\t' '  '
  fi
}

click() {  # NAME
  local c=${centre[$1]:-}
  [ -n "$c" ] || { fail "no place for $1"; return 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $c click 1
}

# A menu of the menu bar opened with Alt+LETTER and, with a number of
# Right presses, the one that many places further on. Leaves the open
# menu's screen rectangle in $menu_rect.
menu_rect=""
open_menu() {  # LETTER [RIGHTS]
  local i
  xdotool key "alt+$1"
  wait_for "the menu of Alt+$1 open" '!none' 10 popup_rect || return 1
  menu_rect=$last_seen
  for (( i = 0; i < ${2:-0}; i++ )); do
    xdotool key Right
    wait_for "the next menu open" moved 10 popup_moved_from "$menu_rect" || return 1
    menu_rect=$(popup_rect)
  done
}
# "moved" once an open menu is another than the one at $1.
popup_moved_from() {
  local r
  r=$(popup_rect)
  if [ "$r" != "$1" ] && [ "$r" != none ]; then echo moved; else echo "$r"; fi
}

# Waits until the window is enabled again, that is until the display is
# over; prints the milliseconds since $1 ("timeout" and fails past 40 s).
wait_idle() {
  local t0=$1
  if wait_for "the window enabled again (display over)" 1 40 window_field enabled; then
    echo $(( $(now_ms) - t0 ))
  else
    echo timeout
    return 1
  fi
}
# Waits until the display has started: the window is disabled.
wait_running() {
  wait_for "the display running (window disabled)" 0 10 window_field enabled
}

stop_program() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    probe close >/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  program_pid=""
}

quit_with_menu() {
  open_menu f
  xdotool key q
  if ! wait_for "\"&Quitter\" ends the program" ended 10 program_state; then
    stop_program
  else
    wait "$program_pid"; local status=$?
    expect_eq "\"&Quitter\" ends the program with status 0" "$status" 0
    program_pid=""
  fi
}

# The probe's listing of the table's 80 rows as the registry holds them.
# A probe run that lists fewer (seen once under load: no line at all and no
# message) is not a state of the registry: it is run again, up to a
# deadline. Past it, prints what the last run gave and returns 1 (the
# caller runs in a subshell of its own: it fails the test).
registry_rows() {
  local listing lines deadline=$(( $(now_ms) + 20000 ))
  while :; do
    listing=$(probe registry)
    lines=$(printf '%s\n' "$listing" | grep -c $'^[0-9]*\t')
    printf '%s\n' "$listing" > "$out/registry.txt"
    if [ "$lines" -eq 80 ]; then printf '%s\n' "$listing"; return 0; fi
    if [ "$(now_ms)" -ge "$deadline" ]; then
      echo "     the probe listed $lines of the registry's 80 rows until the deadline" >&2
      printf '%s\n' "$listing"
      return 1
    fi
    echo "     the probe listed $lines of the registry's 80 rows: once more" >&2
    sleep 0.2  # paces the next probe run
  done
}

registry_value() {  # ROW
  registry_rows | awk -F'\t' -v r="$1" '$1 == r { print $4 }'
}

# What every profile writes to the rows it shares, and its own values.
check_registry() {  # PROFILE TTL WINDOW
  local profile=$1 ttl=$2 window=$3 dump
  dump=$(registry_rows) || fail "$profile: the registry's 80 rows listed"
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

# crop_screen NAME X Y W H: the rectangle of a screenshot taken now.
crop_screen() {
  /usr/bin/import -window root "$out/screen.png"
  /usr/bin/convert "$out/screen.png" -crop "${4}x${5}+${2}+${3}" +repage "$out/$1.png"
}

# The program's prefix and its backup folder, seen from this side.
prefix="${KAVREL_WINEPREFIX:-$(cd "$(dirname "$emulator")" && pwd)/wineprefix}"
programdata="$prefix/drive_c/ProgramData"
backups="$programdata/Kavrel LinkTune/Sauvegardes"

# tree_field FILE ROLE NAME COLUMN: a column (3 value, 4 states) of the
# first object with that role and name in a tree the probe printed.
tree_field() {
  awk -F'\t' -v r="$2" -v n="$3" -v c="$4" '{ sub(/^ +/, "", $1) } $1 == r && $2 == n { print $c; exit }' "$1"
}
# The level a progress bar reads to assistive technology, now.
bar_level() {  # NAME
  probe accessible | awk -F'\t' -v n="$1" '{ sub(/^ +/, "", $1) } $1 == "progress bar" && $2 == n { print $3; exit }'
}
