#!/usr/bin/env bash
# Installs everything the builds and tests need from Debian's packages. Safe to run again.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || SUDO=sudo
SUDO=${SUDO:-}
packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
          g++-mingw-w64-i686-win32 mingw-w64-tools wine wine32:i386 xvfb xdotool xclip x11-utils imagemagick)
# Where the kernel cannot start 32-bit programs, the Windows tests run a 64-bit build.
packages64=(g++-mingw-w64-x86-64-win32 wine64)
updated=

install_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  [ -n "$updated" ] || { $SUDO apt-get update -qq; updated=1; }
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_packages "${packages[@]}"
/usr/lib/wine/wineserver32 --version >/dev/null 2>&1 || install_packages "${packages64[@]}"
