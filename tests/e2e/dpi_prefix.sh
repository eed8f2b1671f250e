#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own whose screen is at
# a given DPI: LogPixels, in the user's and the machine's keys (Wine 8 takes
# the user's when set, else the machine's), written once before the prefix's
# first program starts, as Wine reads it when a process starts.
#
#   dpi_prefix.sh WINE_RUN PREFIX DPI PROGRAM [ARGS...]
#
# WINE_RUN is the build's wine-run.sh. Never the shared test prefix: its
# 96 DPI is what the golden images and the look references rely on.
set -euo pipefail
wine_run=$1
prefix=$2
dpi=$3
shift 3
export KAVREL_WINEPREFIX="$prefix" WINEPREFIX="$prefix"

mkdir -p "$(dirname "$prefix")"
exec 8>"$prefix.dpi.lock"
flock 8
if [ "$(cat "$prefix/.kavrel-dpi" 2>/dev/null)" != "$dpi" ]; then
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 8>&-
  "$wine_run" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 8>&-
  # The session running now started at the old DPI: end it, saving the
  # registry, so that the next program starts one at the new DPI.
  wineserver -k 2>/dev/null 8>&- || true
  wineserver -w 2>/dev/null 8>&- || true
  printf '%s\n' "$dpi" > "$prefix/.kavrel-dpi"
fi
exec 8>&-
exec "$wine_run" "$@"
