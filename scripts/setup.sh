#!/usr/bin/env bash
# Installs the Debian packages the suite needs to build, test and run; only what is missing.
set -euo pipefail

# wine64 and the MinGW-w64 cross compiler build and run the DDE link test under Wine.
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev xvfb xauth
    wine64 gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
