#!/usr/bin/env bash
# Builds the benchmarks in a Release folder and runs every benchmark program, printing figures and ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${BENCH_BUILD_DIR:-build-bench}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target benchmarks -- -j2
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
status=0
for program in "$BUILD"/bench-bin/*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" || status=1
done
exit $status
