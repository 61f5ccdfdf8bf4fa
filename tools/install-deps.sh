#!/usr/bin/env bash
# Installs the toolchains, Wine, Xvfb and GoogleTest sources when they are missing (Debian/Ubuntu).
set -euo pipefail
need=()
for pkg in cmake ninja-build g++ g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools \
           wine wine64 wine32:i386 xvfb xdotool imagemagick fonts-wine x11-utils googletest; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${need[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
