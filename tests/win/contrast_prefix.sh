#!/usr/bin/env bash
# Runs a Windows program under Wine in the high-contrast test prefix: a
# prefix of its own, never the shared test prefix (whose colours the golden
# images and the look references rely on), with distinctive system colours
# written to HKCU\Control Panel\Colors once, before the first program of the
# tests starts (Wine reads them when a process starts).
#
#   contrast_prefix.sh WINE_RUN PREFIX PROGRAM [ARGS...]
#
# WINE_RUN is the build's wine-run.sh. The colours are those a high-contrast
# scheme would give, each one different from every colour the program draws
# by itself; tests/win/host_contrast_test.cpp and the e2e contrast scenario
# expect exactly these.
set -euo pipefail
wine_run=$1
prefix=$2
shift 2
export KAVREL_WINEPREFIX="$prefix" WINEPREFIX="$prefix"

colours=(
  "Window=0 0 0"
  "WindowText=255 255 0"
  "Hilight=0 128 255"
  "HilightText=255 255 255"
  "ButtonFace=0 0 96"
  "ButtonText=0 255 255"
  "GrayText=0 192 0"
  "Menu=48 0 64"
  "MenuText=255 255 255"
  "MenuBar=48 0 64"
  "MenuHilight=0 128 255"
)

mkdir -p "$(dirname "$prefix")"
exec 8>"$prefix.colours.lock"
flock 8
# The marker holds the colours written: a changed list is written again.
if [ "$(cat "$prefix/.kavrel-colours" 2>/dev/null)" != "$(printf '%s\n' "${colours[@]}")" ]; then
  for c in "${colours[@]}"; do
    "$wine_run" reg add 'HKCU\Control Panel\Colors' /v "${c%%=*}" /t REG_SZ /d "${c#*=}" /f >/dev/null 2>&1 8>&-
  done
  printf '%s\n' "${colours[@]}" > "$prefix/.kavrel-colours"
fi
exec 8>&-
exec "$wine_run" "$@"
