# The window, its "&Aide" menu and the about box, pixel for pixel against
# the captures in reference/ (REFERENCE_WRITE=1 writes them: only for a
# change meant to alter the look, checked by eye before commit).

# Differing pixels between $out/NAME.png and reference/NAME.png.
differing_pixels() { /usr/bin/compare -metric AE "$out/$1.png" "$reference/$1.png" "$out/$1-diff.png" 2>&1; }

# look_at NAME X Y W H: that rectangle of the screen against its reference.
# A window is drawn some time after it is shown: the screen is taken again
# until it matches or the deadline passes, and the last capture is kept.
look_at() {
  local name=$1
  shift
  if [ "${REFERENCE_WRITE:-0}" = 1 ]; then
    # Written from a settled screen: the capture once two in a row agree.
    crop_screen "$name" "$@"
    cp "$out/$name.png" "$out/$name-previous.png"
    wait_for "look: $name settled" 0 10 settled_capture "$name" "$@" || return
    mkdir -p "$reference"
    cp "$out/$name.png" "$reference/$name.png"
    pass "look: wrote $reference/$name.png"
    return
  fi
  [ -f "$reference/$name.png" ] || { fail "look: no reference $reference/$name.png"; return; }
  wait_for "look: $name pixel for pixel its reference (differences in $out/$name-diff.png)" 0 10 \
    capture_and_compare "$name" "$@" &&
    pass "look: $name is pixel for pixel its reference (differences in $out/$name-diff.png)"
}
capture_and_compare() { crop_screen "$@"; differing_pixels "$1"; }
settled_capture() {
  crop_screen "$@"
  /usr/bin/compare -metric AE "$out/$1.png" "$out/$1-previous.png" null: 2>&1
  cp "$out/$1.png" "$out/$1-previous.png"
}

scenario_look() {
  start_program || return
  # shellcheck disable=SC2046
  look_at idle-window $(window_field window)
  # The drawn items of the "&Aide" menu, the first one chosen.
  if open_menu a 1; then
    # shellcheck disable=SC2086
    look_at help-menu $menu_rect
  else
    fail "look: the \"&Aide\" menu is open"
  fi
  xdotool key Escape Escape
  wait_for "look: the menus closed" none 10 popup_rect
  click KavrelCmd1
  if wait_for "look: the about box is shown" '!' 10 dialog_field rect; then
    # shellcheck disable=SC2086
    look_at about-box $last_seen
  else
    fail "look: the about box is shown"
  fi
  wait_for "look: the keyboard goes to the box" yes 10 keyboard_in_program
  xdotool key Return
  wait_for "look: the about box closed" "no dialog" 10 probe dialog
  wait_for "the keyboard focus back in the program's window" yes 10 keyboard_in_program
  quit_with_menu
}
