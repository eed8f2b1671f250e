# The about box, from its button and from the "&Aide" menu.

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

about_title="A Propos de Kavrel LinkTune 2.0"

scenario_about() {
  start_program || return
  click KavrelCmd1
  wait_for "about: title" "$about_title" 10 dialog_field title && pass "about: title"
  # The box has the keyboard once Wine has mapped and focused it.
  wait_for "about: the keyboard goes to the box" yes 10 keyboard_in_program
  local box
  box=$(probe dialog)
  /usr/bin/import -window root "$out/about.png"
  local text
  text=$(printf '%s\n' "$box" | awk -F'\t' '$1 == "text" { print $2 }')
  case $text in
    "$(about_text_expected)"*) pass "about: the ten fixed lines" ;;
    *) fail "about: text is '$text'" ;;
  esac
  expect_eq "about: fourteen lines" "$(printf '%s' "$text" | tr -cd '|' | wc -c)" 13
  expect_eq "about: an icon" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "icon" { print $2 }')" shown
  xdotool key Return
  wait_for "about: closed with Enter" "no dialog" 10 probe dialog && pass "about: closed with Enter"
  # The menu item shows the same box.
  click Label12
  wait_for "the keyboard focus back in the program's window" yes 10 keyboard_in_program
  open_menu a 1 || return
  xdotool key a
  wait_for "about: the menu shows the box" "$about_title" 10 dialog_field title
  local box2
  box2=$(probe dialog)
  expect_eq "about: the menu shows the same box" "$box2" "$box"
  wait_for "about: the keyboard goes to the box" yes 10 keyboard_in_program
  xdotool key Return
  wait_for "about: closed with Enter" "no dialog" 10 probe dialog
  wait_for "the keyboard focus back in the program's window" yes 10 keyboard_in_program
  quit_with_menu
}
