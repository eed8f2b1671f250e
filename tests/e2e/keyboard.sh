# The window used with the keyboard alone.

scenario_keyboard() {
  # Focus starts on "&Optimiser"; Tab walks the tab order: "A Propos", the
  # selected connection type, the selected speed, and round to "&Optimiser".
  start_program || return
  wait_for "keyboard: the focus starts on \"&Optimiser\"" command1 10 focused_control
  xdotool key Tab
  wait_for "keyboard: Tab moves the focus to \"A Propos\"" KavrelCmd1 10 focused_control
  xdotool key space
  wait_for "keyboard: Tab reaches \"A Propos\" and Space presses it" "A Propos de Kavrel LinkTune 2.0" 10 \
    dialog_field title && pass "keyboard: Tab reaches \"A Propos\" and Space presses it"
  xdotool key Return
  wait_for "keyboard: the about box closed with Enter" "no dialog" 10 probe dialog
  wait_for "keyboard: the keyboard focus back in the program's window" yes 10 keyboard_in_program
  local t0 want
  for want in Modem1 r56 command1; do
    xdotool key Tab
    wait_for "keyboard: Tab moves the focus to $want" "$want" 10 focused_control
  done
  t0=$(now_ms)
  xdotool key space
  wait_running && pass "keyboard: Tab round to \"&Optimiser\" and Space starts the run"
  wait_idle "$t0" >/dev/null
  check_registry modem 64 4096
  # Alt+O, the button's access letter, starts it too.
  xdotool key alt+o
  wait_running && pass "keyboard: Alt+O presses \"&Optimiser\""
  wait_idle "$(now_ms)" >/dev/null
  quit_with_menu
}
