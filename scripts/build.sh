#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR) with Ninja; with arguments, builds only those targets
# (./run.sh asks for the programs alone).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Relative paths in the cache's keys and no build folder in them (it is only in the debug information),
    # so another clone or work tree hits the same entries.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" ${CMAKE_ARGS:-} >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$build" --target "$@"
else
    cmake --build "$build"
fi
