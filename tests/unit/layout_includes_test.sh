#!/usr/bin/env bash
# The layers keep to their includes: platform-neutral files never include
# <windows.h>, a lower room never includes a higher one, the window
# description takes from progressbar/ only the stored format, and the
# product never includes the tests.
set -u
cd "$(dirname "$0")/../.."
fail=0

# includes_of DIR: "file: included path" for our own headers, below DIR only.
includes_of() { grep -rHo --include='*.h' --include='*.cpp' '#include "[^"]*"' "$1" | sed 's/#include "\(.*\)"/\1/'; }

# forbid DIR PATTERN WHY: no file below DIR includes a path matching PATTERN.
forbid() {
  local hits
  hits=$(includes_of "$1" | grep -E ":($2)" || true)
  if [ -n "$hits" ]; then
    echo "FAIL: $3:"
    printf '    %s\n' $hits
    fail=1
  fi
}

forbid registry 'optimiser/|progressbar/|app/|backup/' "registry/ includes a higher layer"
forbid optimiser 'progressbar/|app/' "optimiser/ includes the component or the program"
forbid progressbar/persist 'progressbar/[^p]|progressbar/p[^e]|app/|optimiser/|registry/' \
  "the stored format includes more than itself"
forbid progressbar 'app/|optimiser/|registry/' "progressbar/ includes the program or the optimiser"
forbid app/form 'progressbar/[^p]|progressbar/p[^e]|app/host/|app/[^/]*$|optimiser/|registry/' \
  "the window description includes more than the stored format"
forbid app/host 'app/[^/]*$|registry/' "the window host includes the program"

# The test support (tests/support) may use every room of the product; the
# product never includes the tests. The benches are measurements, and use
# the test support as the tests do.
for room in */; do
  room=${room%/}
  case $room in tests | bench | build) continue ;; esac
  forbid "$room" 'tests/' "$room/ includes the tests"
done

# Platform-neutral files: everything not named *_win32.*, outside the
# window host (a Win32 room as a whole).
neutral=$(grep -rl --include='*.h' --include='*.cpp' -E '#include <(windows|winuser|wingdi|winreg)\.h>' \
            registry optimiser progressbar app | grep -v -e '_win32\.' -e '^app/host/' || true)
if [ -n "$neutral" ]; then
  echo "FAIL: platform-neutral files include Windows headers:"
  printf '    %s\n' $neutral
  fail=1
fi
[ $fail -eq 0 ] && echo "layers keep to their includes"
exit $fail
