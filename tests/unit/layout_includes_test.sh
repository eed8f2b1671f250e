#!/usr/bin/env bash
# The rooms keep to their includes: platform-neutral files never include a
# Windows header (nor a Win32 room), a lower room never includes a higher
# one, win32/ and base/ sit at the bottom, the stored format uses only
# base/, console/ never reaches into the window program, and the product
# never includes the tests.
set -u
cd "$(dirname "$0")/../.."
fail=0

# includes_of DIR: "file: included path" for our own headers, below DIR only.
includes_of() { grep -rHo --include='*.h' --include='*.cpp' --include='*.c' '#include "[^"]*"' "$1" | sed 's/#include "\(.*\)"/\1/'; }

# allow DIR PATTERN WHY: every file below DIR includes only paths matching
# PATTERN (a room's own headers always match).
allow() {
  local hits
  hits=$(includes_of "$1" | grep -vE ":($1/|$2)" || true)
  if [ -n "$hits" ]; then
    echo "FAIL: $3:"
    printf '    %s\n' $hits
    fail=1
  fi
}

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

# Every folder of ours with C or C++ sources is named below; a new one must
# be given its place here before it can pass.
known='app base backup console gdi optimiser persist progressbar registry tools win32'
for dir in $(git ls-files '*.h' '*.cpp' '*.c' | grep -v '^tests/\|^bench/' | cut -d/ -f1 | sort -u); do
  case " $known " in
    *" $dir "*) ;;
    *) echo "FAIL: $dir/ has no place in the layers"; fail=1 ;;
  esac
done

# The test support (tests/support) may use every room of the product; the
# product never includes the tests. The benches are measurements, and use
# the test support as the tests do.
for room in */; do
  room=${room%/}
  case $room in tests | bench | build) continue ;; esac
  forbid "$room" 'tests/' "$room/ includes the tests"
done

# The bottom.
allow base '^$' "base/ includes another room"
allow win32 '^$' "win32/ includes another room"
allow persist 'base/' "the stored format includes more than base/"
# The neutral layers and the Win32 side of each.
allow registry 'base/|win32/' "registry/ includes a higher layer"
allow optimiser 'base/|registry/' "optimiser/ includes more than registry/ and base/"
allow backup 'base/|win32/|registry/|optimiser/' "backup/ includes more than optimiser/, registry/ and the bottom"
allow gdi 'base/|win32/|persist/' "gdi/ includes more than the stored format and the bottom"
allow progressbar 'base/|win32/|persist/|gdi/' "progressbar/ includes the program or the optimiser"
allow console 'base/|win32/|registry/|optimiser/|backup/|version\.h$' "console/ includes the window program"
forbid console 'app/|progressbar/|gdi/|persist/' "console/ includes the window program"
allow app/form 'base/|persist/' "the window description includes more than the stored format"
forbid app/host 'app/[^/]*$|registry/|backup/' "the window host includes the program"

# Platform-neutral files: everything not named *_win32.*, outside the Win32
# rooms (win32/, gdi/ and the window host as a whole). 
neutral_dirs='base persist registry optimiser backup console progressbar app tools'
windows=$(grep -rlE --include='*.h' --include='*.cpp' \
            '#include <(windows|winuser|wingdi|winreg|objbase|oleauto|oleacc|shlobj)\.h>|#include "(win32|gdi)/' \
            $neutral_dirs | grep -v -e '_win32\.' -e '^app/host/' || true)
if [ -n "$windows" ]; then
  echo "FAIL: platform-neutral files include Windows headers or Win32 rooms:"
  printf '    %s\n' $windows
  fail=1
fi
[ $fail -eq 0 ] && echo "layers keep to their includes"
exit $fail
