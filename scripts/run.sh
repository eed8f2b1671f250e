#!/usr/bin/env bash
# Runs the program in the build tree's private Wine prefix.
#
# Until the window is there, this applies the start-up profile (Modem,
# 56 kbps) with linktune-trace and prints what the registry then holds for
# each row it applied.
set -euo pipefail
cd "$(dirname "$0")/.."
build/windows/wine-run.sh build/windows/bin/linktune-trace.exe modem 56 --apply | tr -d '\r'
