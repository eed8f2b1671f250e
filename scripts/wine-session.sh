#!/usr/bin/env bash
# Wine session management for one private prefix ($WINEPREFIX must be set).
#   wine-session.sh start          create the prefix if needed, start the server
#   wine-session.sh exec PROG ...  start as above, then exec wine PROG ...
#   wine-session.sh stop           stop the prefix's wine server and processes
set -eEuo pipefail
# A step that fails ends the script: say which, so that a program that
# seems to have printed nothing is never left unexplained.
trap 'echo "wine-session.sh: \"$BASH_COMMAND\" failed with status $?" >&2' ERR
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

server_alive() {
  # The server keeps its socket in a directory named after the prefix's
  # device and inode (under /tmp/.wine-UID upstream, /tmp/wine-XXXXXX on
  # Debian); a live server holds the lock file in it.
  local name dir
  [ -d "$WINEPREFIX" ] || return 1
  name=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for dir in /tmp/.wine-"$(id -u)"/"$name" /tmp/wine-*/"$name"; do
    [ -S "$dir/socket" ] || continue
    # The server holds a POSIX lock on it while it runs.
    if grep -q " POSIX .*:$(stat -c %i "$dir/lock") " /proc/locks; then return 0; fi
  done
  return 1
}

create_prefix() {
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null || true
  wineserver -w
  # No window manager under Xvfb: let Wine manage its windows itself so
  # that closing a window does not wait for a manager that never answers.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null 2>&1
  # A crashing test must fail, not wait for someone to close a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.kavrel-ready"
}

start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.kavrel-ready" ]; then
    rm -rf "$WINEPREFIX"
    create_prefix 9>&-
  fi
  if ! server_alive; then
    setsid wineserver -p 600 </dev/null >/dev/null 2>&1 9>&- &
    # Start Wine's session processes now, detached, so they do not inherit
    # the caller's output.
    setsid wine wineboot.exe </dev/null >/dev/null 2>&1 9>&-
  fi
  exec 9>&-
}

case "${1:-}" in
  start) start ;;
  exec) shift; start; exec wine "$@" ;;
  stop) wineserver -k 2>/dev/null || true ;;
  *) echo "usage: $0 start | exec PROGRAM [ARGS...] | stop" >&2; exit 2 ;;
esac
