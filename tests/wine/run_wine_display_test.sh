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

run_test_program "$test_exe" "page display"
echo "done after $((SECONDS - started)) s"
