#!/usr/bin/env bash
# Runs the DDE link core against the DDE test server under Wine, each in its own process.
# Usage: run_wine_test.sh EXE_DIR PREFIX_DIR
#   EXE_DIR holds dde_client_test.exe and dde_test_server.exe; PREFIX_DIR is a private Wine prefix,
#   made on the first run. HMI_SKIP_WINE=1 skips the test (exit 77, reported as skipped by ctest), whether
#   Wine is installed or not.
set -euo pipefail

if [ -n "${HMI_SKIP_WINE:-}" ] && [ "$HMI_SKIP_WINE" != 0 ]; then
    echo "run_wine_test: skipped (HMI_SKIP_WINE=$HMI_SKIP_WINE)"
    exit 77
fi

exe_dir=$1
prefix=$2

fail() {
    echo "run_wine_test: $*" >&2
    exit 1
}

find_tool() {
    local name
    for name in "$@"; do
        if command -v "$name" >/dev/null 2>&1; then
            command -v "$name"
            return 0
        fi
        if [ -x "/usr/lib/wine/$name" ]; then
            echo "/usr/lib/wine/$name"
            return 0
        fi
    done
    return 1
}

wine=$(find_tool wine wine64) || wine=""
wineserver=$(find_tool wineserver) || wineserver=""
if [ -z "$wine" ] || [ -z "$wineserver" ] || [ ! -f "$exe_dir/dde_client_test.exe" ] ||
    [ ! -f "$exe_dir/dde_test_server.exe" ]; then
    fail "Wine or the cross-compiled test programs are missing: run scripts/setup.sh (wine64,"\
        "g++-mingw-w64-x86-64), configure again and build; HMI_SKIP_WINE=1 skips this test"
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
mkdir -p "$prefix"
work=$(mktemp -d)
server_pid=""

cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    # Ends the Wine server of this prefix and every program still running in it.
    timeout 30 "$wineserver" -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

started=$SECONDS
if [ ! -f "$prefix/.null-graphics" ]; then
    # Without a display every window creation fails, and DDE needs windows.
    timeout 120 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >"$work/reg.log" 2>&1 ||
        { cat "$work/reg.log" >&2; fail "cannot set up the Wine prefix $prefix"; }
    # The desktop of the session that made the prefix still has no display; the next session has one.
    timeout 30 "$wineserver" -k 2>/dev/null || true
    timeout 30 "$wineserver" -w 2>/dev/null || true
    touch "$prefix/.null-graphics"
fi
# One Wine server for all the steps; it would otherwise end and start again between them.
timeout 30 "$wineserver" -p
echo "prefix ready after $((SECONDS - started)) s"

# The programs start the server from its fixed install path; the test server plays it there.
install_dir="$prefix/drive_c/Program Files/Rockwell Software/Rslinx"
mkdir -p "$install_dir"
cp "$exe_dir/dde_test_server.exe" "$install_dir/RSLinx.exe"

timeout 60 "$wine" "$exe_dir/dde_client_test.exe" start || fail "start phase failed"

timeout 90 "$wine" "$exe_dir/dde_test_server.exe" --exit-after-ms 80000 >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 300); do
    grep -q '^ready' "$work/server.log" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; fail "the test server ended early"; }
    sleep 0.1
done
grep -q '^ready' "$work/server.log" || { cat "$work/server.log" >&2; fail "the test server did not come up"; }

timeout 60 "$wine" "$exe_dir/dde_client_test.exe" serve || fail "serve phase failed"
# The client ends the server; it must have gone by itself.
for _ in $(seq 100); do
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$server_pid" 2>/dev/null && fail "the test server did not end when told to"
wait "$server_pid" || fail "the test server failed: $(cat "$work/server.log")"
server_pid=""
echo "done after $((SECONDS - started)) s"
