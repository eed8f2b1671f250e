# The backup written before a run, and the run refused when it cannot be.

scenario_backup() {
  # One press of "&Optimiser" leaves exactly one new backup, and restoring
  # it brings back what the registry held before the run.
  rm -rf "$programdata/Kavrel LinkTune"
  start_program || return
  local before after
  before=$(registry_rows) || fail "the registry's 80 rows listed before the run"
  click Adsl1
  click r1024
  wait_for "backup: Adsl1 and r1024 selected" "1 1" 10 selected_pair Adsl1 r1024 || return
  click command1
  wait_for "backup: the run started" 0 10 window_field enabled && pass "backup: the run started"
  local files
  files=$(ls "$backups" 2>/dev/null)
  expect_eq "backup: exactly one new file in the backup folder" \
    "$(printf '%s\n' "$files" | grep -c '^sauvegarde-[0-9]\{8\}-[0-9]\{6\}\.reg$')" 1
  wait_idle "$(now_ms)" >/dev/null
  check_registry adsl 128 24576
  quit_with_menu
  "$emulator" "$bin/linktune.exe" restore "$(winepath_of "$backups/$files")" >/dev/null
  expect_eq "backup: linktune restore of the file ends with 0" "$?" 0
  after=$(registry_rows) || fail "the registry's 80 rows listed after the restore"
  expect_eq "backup: restoring it brings the registry back" "$after" "$before"
  expect_eq "backup: still one file" "$(ls "$backups" | wc -l)" 1
  rm -rf "$programdata/Kavrel LinkTune"
}

# "1 1" when both options are selected.
selected_pair() { echo "$(control_field "$1" 7) $(control_field "$2" 7)"; }

scenario_backup_refused() {
  # A file in the way of the program's folder: the backup cannot be written,
  # so one box says so and the registry is left alone.
  rm -rf "$programdata/Kavrel LinkTune"
  : > "$programdata/Kavrel LinkTune"
  start_program || return
  local before box
  before=$(registry_rows) || fail "the registry's 80 rows listed before the run"
  click command1
  wait_for "backup refused: the box's title" "Kavrel LinkTune" 10 dialog_field title &&
    pass "backup refused: the box's title"
  box=$(probe dialog)
  expect_eq "backup refused: the box's text" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "text" { print $2 }')" \
    "La sauvegarde des réglages actuels n'a pas pu être écrite dans « C:\\ProgramData\\Kavrel LinkTune\\Sauvegardes ». Aucun réglage n'a été modifié."
  expect_eq "backup refused: an icon" "$(printf '%s\n' "$box" | awk -F'\t' '$1 == "icon" { print $2 }')" shown
  wait_for "backup refused: the keyboard goes to the box" yes 10 keyboard_in_program
  xdotool key Return
  wait_for "backup refused: the box closes" "no dialog" 10 probe dialog && pass "backup refused: the box closes"
  sync_program
  expect_eq "backup refused: no progress display" "$(control_field Bar1 5)" 0
  expect_eq "backup refused: the window stays usable" "$(window_field enabled)" 1
  expect_eq "backup refused: the registry is untouched" "$(registry_rows)" "$before"
  wait_for "the keyboard focus back in the program's window" yes 10 keyboard_in_program
  click Lan1
  wait_for "backup refused: the options still answer" 1 10 control_field Lan1 7 &&
    pass "backup refused: the options still answer"
  quit_with_menu
  rm -f "$programdata/Kavrel LinkTune"
}
