#!/usr/bin/env bash
# Kills a child doing Loads, Create News and page saves at random instants (1,000 times unless told) and
# restarts after each kill; prints how many kills left the old, the new or a mixed workspace.
# Usage: scripts/crash-workspace.sh [KILLS]   (after scripts/build.sh store_tests)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
HMI_KILLS=${1:-1000} QT_QPA_PLATFORM=offscreen "$build/tests/store_tests" \
    --gtest_filter='WorkspaceCrash.*:WorkspaceSwap.*'
