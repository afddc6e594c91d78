#!/usr/bin/env bash
# Cross-builds the Windows programs (DDE link on) and the Windows test programs into build-windows/ (or
# $WINDOWS_BUILD_DIR) against the Qt for Windows in ../shared/qt6-mingw (or $HMI_QT_MINGW), with the Linux
# Qt's host tools. Without that Qt it says so and builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=${HMI_QT_MINGW:-../shared/qt6-mingw}
build=${WINDOWS_BUILD_DIR:-build-windows}

if [ ! -d "$qt/lib/cmake/Qt6" ]; then
    echo "build-windows: no Qt for Windows in $qt, the Windows build is skipped (README: "The Windows programs, built here")"
    exit 0
fi
qt=$(cd "$qt" && pwd)

launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

started=$SECONDS
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DHMI_LINK_DDE=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build"
echo "build-windows: built in $((SECONDS - started)) s"
