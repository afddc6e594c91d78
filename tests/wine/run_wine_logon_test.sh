#!/usr/bin/env bash
# A Windows site's logon under Wine: the engineer's DayPassword.exe (from its own zip folder) makes the site
# key and prints the day's password; the Linux DayPassword prints the same from the same key; the key,
# copied beside Tessaly.exe in a copy of the operators' folder, lets the Windows build's logon window of that
# folder take that password and refuse another (site_logon_test.exe).
# Usage: run_wine_logon_test.sh SOURCE_DIR LINUX_BIN_DIR PREFIX_DIR
set -euo pipefail
source_dir=$1
linux_bin=$2
prefix=$3
source "$(dirname "$0")/wine_common.sh"

need_wine_and_windows_qt
engineer=$source_dir/dist/DayPassword-windows
test_exe=$windows_build/tests/site_logon_test.exe
[ -f "$dist/Tessaly.exe" ] && [ -f "$engineer/DayPassword.exe" ] ||
    fail "$dist or $engineer missing: run scripts/build-windows.sh and scripts/package-windows.sh"
[ -f "$test_exe" ] || fail "$test_exe missing: run scripts/build-windows.sh"
[ ! -e "$dist/DayPassword.exe" ] || fail "DayPassword.exe lies in the operators' folder $dist"

work=$(mktemp -d)
on_exit() { rm -rf "$work"; }
started=$SECONDS
use_prefix "$prefix" null

mkdir -p "$work/site"
timeout 120 "$wine" "$engineer/DayPassword.exe" --new-site-key --folder "$(windows_path "$work/site")" \
    >"$work/key.log" 2>&1 || { cat "$work/key.log" >&2; fail "DayPassword.exe made no site key"; }
[ -s "$work/site/Site.key" ] || fail "DayPassword.exe said it made a key, but $work/site/Site.key is empty"
windows_password=$(timeout 120 "$wine" "$engineer/DayPassword.exe" --folder "$(windows_path "$work/site")" |
    tr -d '\r')
linux_password=$("$linux_bin/DayPassword" --folder "$work/site")
echo "DayPassword.exe: $windows_password, DayPassword on Linux: $linux_password"
[[ $windows_password =~ ^[0-9]{6}$ ]] || fail "DayPassword.exe printed no password: '$windows_password'"
[ "$windows_password" = "$linux_password" ] || fail "the same key gives other passwords on Windows and Linux"

# The operators' folder with the key beside Tessaly.exe, as the README tells a site to do. The test program
# runs from the build with the Qt it was built against (as the display test does) and reads that folder.
cp -r "$dist" "$work/app"
cp "$work/site/Site.key" "$work/app/"
export HMI_DAY_PASSWORD=$windows_password HMI_APP_FOLDER=$(windows_path "$work/app")
run_test_program "$test_exe" "logon"
echo "done after $((SECONDS - started)) s"
