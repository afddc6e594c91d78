#!/usr/bin/env bash
# Runs the Windows build's page display test (dde_display_test.exe) under Wine with the offscreen platform,
# against the DDE test server, which it finds at the communication server's fixed install path.
# Usage: run_wine_display_test.sh SOURCE_DIR SERVER_EXE_DIR PREFIX_DIR
set -euo pipefail
source_dir=$1
server_dir=$2
prefix=$3
source "$(dirname "$0")/wine_common.sh"

need_wine_and_windows_qt
test_exe=$windows_build/tests/dde_display_test.exe
[ -f "$test_exe" ] || fail "$test_exe missing: run scripts/build-windows.sh"
[ -f "$server_dir/dde_test_server.exe" ] || fail "$server_dir/dde_test_server.exe missing: build the Linux tree"

work=$(mktemp -d)
on_exit() { rm -rf "$work"; }
started=$SECONDS
use_prefix "$prefix" null
echo "prefix ready after $((SECONDS - started)) s"

install_dir="$prefix/drive_c/Program Files/Rockwell Software/Rslinx"
mkdir -p "$install_dir"
cp "$server_dir/dde_test_server.exe" "$install_dir/RSLinx.exe"

# The Qt and MinGW runtime DLLs from where they were built, not copied.
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$(windows_path "$qt_mingw/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
export QT_PLUGIN_PATH=$(windows_path "$qt_mingw/plugins") QT_QPA_PLATFORM=offscreen

# Wine may not end a Qt program on the offscreen platform: its result line ends the wait.
timeout 240 "$wine" "$test_exe" >"$work/out.log" 2>&1 &
test_pid=$!
for _ in $(seq 2400); do
    grep -qE '^\[  (PASSED|FAILED)  \]' "$work/out.log" && break
    kill -0 "$test_pid" 2>/dev/null || break
    sleep 0.1
done
sleep 0.5
kill "$test_pid" 2>/dev/null || true
cat "$work/out.log"
grep -q '^\[  PASSED  \]' "$work/out.log" && ! grep -q '^\[  FAILED  \]' "$work/out.log" ||
    fail "the page display test failed under Wine"
echo "done after $((SECONDS - started)) s"
