#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, quietly,
# and only what is missing. Safe to run again and again.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth x11-utils xdotool imagemagick
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libboost1.81-dev
  python3 bsdutils rsyslog unicode-data logrotate
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
# Wine's 32-bit part runs the 32-bit test programs; its packages come from i386.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
  # A prefix made without the 32-bit part has no 32-bit system folder: make it again.
  rm -rf "$(cd "$(dirname "$0")/.." && pwd)/build/mingw/wineprefix"
fi
if ! { "${as_root[@]}" apt-get update -qq && \
       "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "setup: apt-get failed" >&2
  exit 1
fi
rm -f "$log"
