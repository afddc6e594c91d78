#!/usr/bin/env bash
# The packed Windows folder under Wine: Corvane.exe and Tessaly.exe start in a copy of it on a virtual display
# (Wine's own X11 driver on Xvfb), show their main window and stay up; TagConvert.exe converts the demo exports, given Windows
# paths, to the same bytes as the Linux TagConvert. With HMI_SHOTS_DIR set, a screenshot of each program
# goes there.
# Usage: run_wine_programs_test.sh SOURCE_DIR LINUX_BIN_DIR PREFIX_DIR
set -euo pipefail
source_dir=$1
linux_bin=$2
prefix=$3
source "$(dirname "$0")/wine_common.sh"

need_wine_and_windows_qt
[ -f "$dist/Corvane.exe" ] || fail "$dist missing: run scripts/build-windows.sh and scripts/package-windows.sh"
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null || fail "Xvfb or xwininfo missing: run scripts/setup.sh"
stay=${HMI_WINE_STAY_SECONDS:-5}

work=$(mktemp -d)
xvfb_pid=""
on_exit() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
started=$SECONDS

# A display of its own: Xvfb writes the number it took.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")

use_prefix "$prefix" x11
echo "prefix ready after $((SECONDS - started)) s"

# A window titled after the program, of the program: '0x... "Corvane - [Corvane]": ("corvane.exe" ...'.
main_window_shown() {
    xwininfo -root -tree | grep -qiE "\"$1[^\"]*\": \(\"$1\.exe\""
}

# Starts a program in a copy of the packed folder and checks that it is still running after a while.
stays_up() {
    local program=$1 pid
    rm -rf "$work/app"
    cp -r "$dist" "$work/app"
    (cd "$work/app" && exec "$wine" "$program.exe") >"$work/$program.log" 2>&1 &
    pid=$!
    # Its window first (Wine starts a program slowly on a busy machine), then a while up.
    for _ in $(seq 120); do
        main_window_shown "$program" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    main_window_shown "$program" || fail "$program.exe showed no main window within 60 s"
    sleep "$stay"
    if ! kill -0 "$pid" 2>/dev/null; then
        cat "$work/$program.log" >&2
        fail "$program.exe ended within $stay s"
    fi
    if [ -n "${HMI_SHOTS_DIR:-}" ]; then
        mkdir -p "$HMI_SHOTS_DIR"
        import -window root "$HMI_SHOTS_DIR/$program.png" && echo "screenshot: $HMI_SHOTS_DIR/$program.png"
    fi
    kill "$pid" 2>/dev/null || true
    timeout 30 "$wineserver" -k 2>/dev/null || true
    timeout 30 "$wineserver" -w 2>/dev/null || true
    echo "$program.exe stayed up for $stay s"
}

stays_up Corvane
stays_up Tessaly

# The exports converted by both builds; the Windows one is given Windows paths with drive and backslashes.
exports=$source_dir/scripts/demo/exports
mkdir -p "$work/linux/Struct/TStruct" "$work/windows/Struct/TStruct"
"$linux_bin/TagConvert" --folder "$work/linux" -t Line1 "$exports"/Line1.csv "$exports"/Line2.csv \
    2>"$work/linux.log" || { cat "$work/linux.log" >&2; fail "the Linux TagConvert failed"; }
timeout 120 "$wine" "$dist/TagConvert.exe" --folder "$(windows_path "$work/windows")" -t Line1 \
    "$(windows_path "$exports/Line1.csv")" "$(windows_path "$exports/Line2.csv")" 2>"$work/windows.log" ||
    { cat "$work/windows.log" >&2; fail "TagConvert.exe failed"; }
ls "$work/windows/Struct/TStruct"
diff -r "$work/linux/Struct/TStruct" "$work/windows/Struct/TStruct" >/dev/null ||
    fail "TagConvert.exe wrote other files or bytes than the Linux TagConvert"
echo "TagConvert.exe wrote the same $(ls "$work/windows/Struct/TStruct" | wc -l) files as the Linux build"
echo "done after $((SECONDS - started)) s"
