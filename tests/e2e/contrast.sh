# High contrast: the test build KavrelLinkTune-contrast.exe, the program
# with high contrast decided on (run with wine-run-contrast.sh, the system
# colours of tests/win/contrast_prefix.sh).

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
  # The colours expected are the prefix's: window 000000, window text
  # FFFF00, highlight 0080FF, button face 000060, button text 00FFFF, grey
  # text 00C000, menu 300040, menu text FFFFFF.
  exe="$bin/KavrelLinkTune-contrast.exe"
  local rects x y w h rect
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
  wait_running || return
  # The screen once the bar has been filled a first time.
  read -r x y w h <<<"$(rect_of Bar2)"
  # shellcheck disable=SC2046
  wait_for "contrast: Bar2 drawn filled" 0080FF 10 capture_pixel high-contrast-progress "$(window_field window)" \
    $((x + 1)) $((y + h / 2))
  expect_eq "contrast: Bar2 framed in the window text colour" "$(pixel "$x" "$y")" FFFF00
  expect_eq "contrast: Bar2 filled with the highlight colour" "$(pixel $((x + 1)) $((y + h / 2)))" 0080FF
  more_than "contrast: \"&Optimiser\" grey while the window is disabled" \
    "$(colour_count "$(rect_of command1)" 00C000)" 20
  expect_eq "contrast: no available-looking caption then" "$(colour_count "$(rect_of command1)" 00FFFF)" 0
  wait_idle "$(now_ms)" >/dev/null

  # The drawn items of "&Aide", the first one chosen, once drawn.
  if open_menu a 1; then
    rect=$menu_rect
    wait_for "contrast: the \"&Aide\" menu drawn" drawn 10 menu_drawn "$rect"
    more_than "contrast: the chosen item in the highlight colour" "$(colour_count "$rect" 0080FF)" 100
    more_than "contrast: the other items in the menu colour" "$(colour_count "$rect" 300040)" 100
  else
    fail "contrast: the \"&Aide\" menu is open"
  fi
  xdotool key Escape Escape
  wait_for "contrast: the menus closed" none 10 popup_rect
  quit_with_menu
}

# capture_pixel NAME "X Y W H" PX PY: crops the window now, prints a pixel.
capture_pixel() {
  # shellcheck disable=SC2086
  crop_screen "$1" $2
  pixel "$3" "$4"
}
# "drawn" once the menu at "X Y W H" shows its chosen and other items.
menu_drawn() {
  # shellcheck disable=SC2086
  crop_screen high-contrast-menu $1
  if [ "$(colour_count "$1" 0080FF)" -gt 100 ] && [ "$(colour_count "$1" 300040)" -gt 100 ]; then echo drawn; else echo "not yet"; fi
}
