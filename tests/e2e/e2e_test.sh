#!/usr/bin/env bash
# End to end: the real program under Wine on an X display, used like a person
# uses it: mouse clicks at the controls' places, Alt+letter menus, Tab and
# Space. The registry is read back after each run.
#
# usage: e2e_test.sh WINE_RUN BIN_DIR OUT_DIR [SCENARIO...]
# Scenarios: adsl modem lan menu disabled exit-during-animation (profiles.sh), keyboard
# (keyboard.sh), about (about.sh), site site-then-run-cold (site.sh), look (look.sh),
# accessible (accessible.sh), backup backup-refused (backup.sh);
# contrast (contrast.sh; run with the emulator of the contrast prefix, wine-run-contrast.sh);
# dpi-96 dpi-144 dpi-192 (dpi.sh; run with wine-run-dpi-N.sh, on a display of 1280x1024);
# and demo, a plain session for `make run` without a display.
# The helpers they share are in lib.sh.
set -uo pipefail

emulator=$1
bin=$2
out=$3
shift 3
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(adsl modem lan menu keyboard disabled about site exit-during-animation look accessible
                                         backup backup-refused)
here="$(cd "$(dirname "$0")" && pwd)"
reference="$here/reference"

# shellcheck source=/dev/null
for part in lib profiles keyboard about site look accessible backup contrast dpi; do . "$here/$part.sh"; done

# A file left in the way of the backup folder would stop every later run.
trap 'stop_program; release_desktop; if [ -f "$programdata/Kavrel LinkTune" ]; then rm -f "$programdata/Kavrel LinkTune"; fi' EXIT
for s in "${scenarios[@]}"; do
  echo "== $s"
  scenario_now=$s
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
    site-then-run-cold) scenario_site_then_run_cold ;;
    look) scenario_look ;;
    accessible) scenario_accessible ;;
    contrast) scenario_contrast ;;
    dpi-96 | dpi-144 | dpi-192) scenario_dpi "${s#dpi-}" ;;
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
