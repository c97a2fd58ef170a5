#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages.
set -eu
packages=(
    cmake ninja-build git
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64
    libz-mingw-w64-dev zlib1g-dev libxxhash-dev googletest
    wine wine64 fonts-wine xvfb xauth
    cups printer-driver-cups-pdf poppler-utils
    g++
    nsis libcli11-dev libdtl-dev
    imagemagick x11-utils
)
sudo=
[ "$(id -u)" = 0 ] || sudo=sudo
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
