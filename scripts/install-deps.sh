#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail

packages=(
  make cmake g++ clang libclang-rt-dev googletest python3
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 python3-pil
  xvfb xauth xdotool x11-utils imagemagick fonts-liberation
  wixl msitools osslsigncode openssl git
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing Debian packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
