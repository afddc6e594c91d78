#!/usr/bin/env bash
# Installs what is missing, builds (Linux and Windows) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
# The Windows programs, cross-built and packed for the tests under Wine; both skip, saying so, without the
# Qt for Windows in ../shared/qt6-mingw.
scripts/build-windows.sh
scripts/package-windows.sh
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
