#!/usr/bin/env bash
# Installs the Debian packages the suite needs to build, test and run; only what is missing.
set -euo pipefail

# wine64 and the MinGW-w64 cross compiler build and run the Windows programs and the DDE link test under
# Wine; GoogleTest's source builds the Windows tests, zip packs the Windows folder, ccache speeds the
# cross build up, xwininfo sees the Windows programs' windows on Xvfb.
# The fonts stand in for the Windows families the windows ask for ("Comic Sans MS", "Courier New", "Arial");
# without them fontconfig may pick a script face.
# The history: Qt SQL's SQLite and PostgreSQL drivers, and a PostgreSQL server whose throwaway clusters
# (pg_virtualenv) the tests and benchmarks use.
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev googletest xvfb xauth x11-utils
    libqt6sql6-sqlite libqt6sql6-psql postgresql postgresql-common
    wine64 gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 zip ccache
    fonts-comic-neue fonts-liberation fonts-liberation2)

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
