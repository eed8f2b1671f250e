# The three connection profiles, run with the button or the menu, and what
# the window does while the display runs.

run_profile() {  # PROFILE TYPE SPEED TTL WINDOW [menu]
  local profile=$1 type=$2 speed=$3 ttl=$4 window=$5 how=${6:-button}
  start_program || return
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/idle.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/idle.png"
  click "$type"
  click "$speed"
  wait_for "$profile: $type selected" 1 10 control_field "$type" 7 && pass "$profile: $type selected"
  wait_for "$profile: $speed selected" 1 10 control_field "$speed" 7 || return
  local t0
  t0=$(now_ms)
  if [ "$how" = menu ]; then
    open_menu a || return
    xdotool key o
  else
    click command1
  fi
  wait_running && pass "$profile ($how): window disabled during the display"
  wait_for "$profile ($how): Bar1 shown during the display" 1 10 control_field Bar1 5 &&
    pass "$profile ($how): Bar1 shown during the display"
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/progress.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/progress.png"
  local took
  took=$(wait_idle "$t0")
  # The figure is information: the 79 ticks themselves are counted inside
  # the process by the Windows tests, and a wall-clock window says more
  # about the machine's load than about the program.
  echo "     animation of $profile ($how): $took ms (79 x 150 ms = 11850 ms)"
  echo "$profile $how $took" >> "$out/durations.txt"
  if [ "$took" != timeout ]; then pass "$profile ($how): window enabled again"; else fail "$profile: display ended"; fi
  # Run to its end: the bar is at its last level, not stopped half way.
  expect_eq "$profile ($how): the display ran all its ticks (\"Réglage de Windows\" at its last level)" "$(bar_level "Réglage de Windows")" "100 %"
  expect_eq "$profile ($how): Bar1 hidden after" "$(control_field Bar1 5)" 0
  [ "$profile" = adsl ] && /usr/bin/import -window root "$out/final.png"
  [ "$profile" = adsl ] && echo "     screenshot: $out/final.png"
  check_registry "$profile" "$ttl" "$window"
  quit_with_menu
}

scenario_disabled() {
  start_program || return
  click command1
  wait_running || return
  click Lan1
  click r1024
  xdotool key alt+f
  xdotool key q
  # The program has taken that input from its queue once it answers; what
  # it did with it is looked at only then, the display still running.
  sync_program
  expect_eq "disabled: still running when the input was handled" "$(window_field enabled)" 0
  expect_eq "disabled: a click on an option does nothing" "$(control_field Modem1 7)" 1
  expect_eq "disabled: speed unchanged" "$(control_field r56 7)" 1
  if kill -0 "$program_pid" 2>/dev/null; then pass "disabled: the menu does not respond"; else fail "menu answered"; fi
  wait_idle "$(now_ms)" >/dev/null
  # Input is handled in order: once this click has selected its option,
  # the clicks and keys before it were handled too, and left nothing behind.
  click Lan1
  wait_for "disabled: options answer again afterwards" 1 10 control_field Lan1 7 &&
    pass "disabled: options answer again afterwards"
  expect_eq "disabled: the speed clicked while locked stays unchosen" "$(control_field r56 7)" 1
  if kill -0 "$program_pid" 2>/dev/null; then pass "disabled: the locked menu's keys did not quit later"; else fail "the keys given while locked quit the program later"; fi
  quit_with_menu
}

scenario_exit_during_animation() {
  start_program || return
  scenario_exit_during_animation_of_running
}

# A run started with the button, then the window closed during its display.
scenario_exit_during_animation_of_running() {
  click command1
  wait_for "exit: animation running" 0 10 window_field enabled && pass "exit: animation running"
  probe close >/dev/null
  if ! wait_for "exit: closing during the animation ends the program" ended 5 program_state; then
    kill "$program_pid"
  else
    wait "$program_pid"; local status=$?
    expect_eq "exit: closing during the animation ends the program with status 0" "$status" 0
  fi
  program_pid=""
}
