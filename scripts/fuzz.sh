#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UBSan into build-fuzz/ (or
# $FUZZ_BUILD_DIR) and runs each for SECONDS (default 60) on a copy of its seed corpus.
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Findings (crash-*, leak-*, timeout-*, oom-*) land in $FUZZ_BUILD_DIR/findings/<target>/; the summary
# gives executions and findings per target. Exit status 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DHMI_FUZZ=ON \
    ${CMAKE_ARGS:-} >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(sed -n 's/^hmi_fuzz_target(\([a-z0-9_]*\) .*/\1/p' fuzz/CMakeLists.txt)
fi
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

# The targets write every input to a file, and the code under test syncs what it writes: in memory that
# costs nothing.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
summary=()
found=0
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    findings="$build/findings/$t"
    mkdir -p "$corpus" "$findings"
    cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
    log="$build/findings/$t.log"
    before=$(find "$findings" -type f | wc -l)
    echo "== fuzz_$t for ${seconds}s"
    # -fork keeps fuzzing past a finding; each one is kept in $findings.
    "$build/fuzz/fuzz_$t" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=25 -rss_limit_mb=2048 \
        -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || true
    # Status lines start with "#<executions so far>".
    execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    n=$(($(find "$findings" -type f | wc -l) - before))
    found=$((found + n))
    summary+=("$(printf '%-12s executions %-10s findings %s' "$t" "${execs:-0}" "$n")")
done
echo "== summary (${seconds}s per target)"
printf '%s\n' "${summary[@]}"
[ "$found" -eq 0 ]
