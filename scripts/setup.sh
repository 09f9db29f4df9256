#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  cmake g++ libtsan2 make libgtest-dev googletest libbenchmark-dev libncurses-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32 wine64 xvfb xauth imagemagick fonts-ipafont-gothic tmux diffutils
  clang libclang-rt-14-dev rsync dpkg-dev unzip man-db groff-base lintian file binutils python3
  linux-perf liburing-dev libopenmpi-dev openmpi-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32)
fi
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi
