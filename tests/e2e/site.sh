# The web-site command of the "&Aide" menu. No browser on this system:
# choosing it shows nothing at all.

scenario_site() {
  start_program || return
  # The screen before the command once the window is drawn to the end (its
  # rectangle the idle window's reference): two captures in a row that agree
  # may both be of a window that a loaded machine is still painting.
  local rect
  rect=$(window_field window)
  # shellcheck disable=SC2086
  wait_for "site: the window drawn before the command (differences in $out/site-before-window-diff.png)" 0 20 \
    screen_with_idle_window site-before $rect || return
  open_menu a 1 || return
  xdotool key k
  site_settled
  expect_eq "site: no dialog" "$(probe dialog)" "no dialog"
  expect_eq "site: the window stays enabled" "$(window_field enabled)" 1
  # What the menu covered is painted again some time after it closes: the
  # screen is taken until it is as it was, or the deadline passes.
  wait_for "site: the screen as it was (differences in $out/site-after-diff.png)" 0 20 \
    screen_apart_from site-before site-after && pass "site: the screen is as it was"
  quit_with_menu
}

# screen_apart_from BEFORE NOW: takes the screen as $out/NOW.png and prints
# how many of its pixels differ from $out/BEFORE.png.
screen_apart_from() {
  /usr/bin/import -window root "$out/$2.png"
  /usr/bin/compare -metric AE "$out/$1.png" "$out/$2.png" "$out/$2-diff.png" 2>&1
}

# screen_with_idle_window NAME X Y W H: takes the screen as $out/NAME.png and
# prints how many pixels of the window's rectangle in it differ from the
# idle window's reference capture.
screen_with_idle_window() {
  /usr/bin/import -window root "$out/$1.png"
  /usr/bin/convert "$out/$1.png" -crop "${4}x${5}+${2}+${3}" +repage "$out/$1-window.png"
  /usr/bin/compare -metric AE "$out/$1-window.png" "$reference/idle-window.png" "$out/$1-window-diff.png" 2>&1
}

# Waits until the command has been carried out: the menu closed, the
# program's thread back in its loop (the command runs on it, and the shell
# has started Wine's browser launcher by the time it returns), the launcher
# ended, and the keyboard in the program's window again.
site_settled() {
  wait_for "site: the menu closed" none 10 popup_rect
  sync_program
  wait_for "site: Wine's browser launcher ended" none 20 browser_launchers
  wait_for "site: the keyboard focus back in the program's window" yes 10 keyboard_in_program
}

# The browser launchers running in this test's prefix ("none" when none is).
browser_launchers() {
  local p found=""
  for p in $(pgrep -u "$(id -u)" -f 'winebrowser\.exe'); do
    if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then found="$found $p"; fi
  done
  echo "${found:- none}" | cut -c2-
}

# The web-site command on a session just started, then a run, closed while
# its display runs: the command must leave the window ready for the next
# click however cold the session was. Run with KAVREL_WINEPREFIX set to a
# prefix of this test's own, whose session it may stop without stopping
# another test's programs.
scenario_site_then_run_cold() {
  [ -n "${KAVREL_WINEPREFIX:-}" ] || { fail "site-then-run-cold needs a prefix of its own (KAVREL_WINEPREFIX)"; return; }
  local session="$here/../../scripts/wine-session.sh"
  WINEPREFIX=$KAVREL_WINEPREFIX bash "$session" stop
  WINEPREFIX=$KAVREL_WINEPREFIX wineserver -w 2>/dev/null
  start_program || return
  open_menu a 1 || return
  xdotool key k
  site_settled
  expect_eq "site then run: no dialog" "$(probe dialog)" "no dialog"
  expect_eq "site then run: the window stays enabled" "$(window_field enabled)" 1
  quit_with_menu
  # The next program of the session, as the next test starts it.
  start_program || return
  scenario_exit_during_animation_of_running
}
