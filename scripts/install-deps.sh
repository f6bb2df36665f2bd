#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test every target.
set -euo pipefail
packages=(
  cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 clang-format git
  clang libclang-rt-14-dev
  pkg-config libaravis-dev aravis-tools
  qt6-base-dev xvfb xauth xdotool imagemagick fonts-wine
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
