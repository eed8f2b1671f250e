# What assistive technology sees from outside the process: the idle tree
# against reference/accessible-idle.txt, then the progress display.

# "moving" once the bar reads a level above nothing.
bar_moving() {
  local v
  v=$(bar_level "$1")
  case $v in [1-9]*" %") echo moving ;; *) echo "$v" ;; esac
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
  wait_running || return
  wait_for "accessible: the bar past its first level" moving 10 bar_moving "Réglage de Windows"
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
