#!/usr/bin/env bash
# The Windows recorder under Wine: HistoryRecorder.exe, run from a copy of the operators' folder, records a
# list of topics from the DDE test server (which its link starts from the communication server's fixed install
# path) into the folder's default SQLite file, and stops on Ctrl+C (Wine turns SIGINT into the console's
# Ctrl+C). The Linux build's reader then reads that folder's history back, and it must equal what the server
# served: 42 and 0 held, the ramp counting up by one without a loss, the server error's text, every series
# closed by "Recorder stopped", and as many samples as the recorder said it committed.
# Usage: run_wine_recorder_test.sh SOURCE_DIR WINE_EXE_DIR PREFIX_DIR
set -euo pipefail
source_dir=$1
exe_dir=$2
prefix=$3
source "$(dirname "$0")/wine_common.sh"

need_wine_and_windows_qt
[ -f "$dist/HistoryRecorder.exe" ] && [ -f "$dist/sqldrivers/qsqlite.dll" ] ||
    fail "HistoryRecorder.exe or sqldrivers/qsqlite.dll missing in $dist: run scripts/build-windows.sh and" \
        "scripts/package-windows.sh"
[ -f "$exe_dir/dde_test_server.exe" ] && [ -x "$exe_dir/history_readback" ] ||
    fail "dde_test_server.exe or history_readback missing in $exe_dir: build the Linux tree"

work=$(mktemp -d)
recorder_pid=
on_exit() {
    [ -z "$recorder_pid" ] || kill "$recorder_pid" 2>/dev/null || true
    rm -rf "$work"
}
started=$SECONDS
use_prefix "$prefix" null
echo "prefix ready after $((SECONDS - started)) s"

install_dir="$prefix/drive_c/Program Files/Rockwell Software/Rslinx"
mkdir -p "$install_dir"
cp "$exe_dir/dde_test_server.exe" "$install_dir/RSLinx.exe"

# The folder as a Windows PC has it: its own Qt, platform and SQL driver, nothing from this machine.
unset QT_QPA_PLATFORM QT_PLUGIN_PATH WINEPATH
cp -r "$dist" "$work/app"
chmod -R u+w "$work/app"
printf '%s\t%s\t\r\n' 'RSLinx|Line1' 'N7:0' 'RSLinx|Line1' 'Ramp' 'RSLinx|Line1' 'N7:1' 'RSLinx|Line2' '@bad' \
    >"$work/app/Topics.txt"

from_ms=$(date +%s%3N)
# "Topics.txt" is found in the recorder's folder, as a user would name it.
timeout 180 "$wine" "$work/app/HistoryRecorder.exe" --progress Topics.txt >"$work/out.log" 2>"$work/err.log" &
recorder_pid=$!
# About five batches (one a second) once the first is in; the first waits for the server to start.
for _ in $(seq 1500); do
    [ "$(grep -c '^committed' "$work/out.log")" -ge 6 ] && break
    kill -0 "$recorder_pid" 2>/dev/null || break
    sleep 0.1
done
kill -INT "$recorder_pid" 2>/dev/null || true
status=0
wait "$recorder_pid" || status=$?
recorder_pid=
to_ms=$(date +%s%3N)
cat "$work/err.log"
echo "recorded for $(((to_ms - from_ms) / 1000)) s, $(grep -c '^committed' "$work/out.log") batches"
[ "$status" = 0 ] || fail "HistoryRecorder.exe did not stop cleanly on Ctrl+C (status $status)"
committed=$(tr -d '\r' <"$work/out.log" | sed -n 's/^committed //p' | tail -1)
[ -n "$committed" ] || fail "HistoryRecorder.exe committed nothing"
[ -f "$work/app/Struct/History/History.db" ] || fail "no Struct/History/History.db in the recorder's folder"

"$exe_dir/history_readback" "$work/app" Line1 N7:0 Line1 Ramp Line1 N7:1 Line2 @bad >"$work/read.tsv" ||
    fail "the Linux build cannot read the recorded history"
read_back=$(wc -l <"$work/read.tsv")
echo "committed $committed samples, read back $read_back"
[ "$read_back" = "$committed" ] || { cat "$work/read.tsv"; fail "read back $read_back samples of $committed"; }

awk -F'\t' -v from="$from_ms" -v to="$to_ms" '
function expect(ok, what) { if (!ok) bad = bad "\n" what }
{
    k = $1 "!" $2
    expect($3 >= from && $3 <= to, k " at " $3 ", outside the run")
    expect($3 >= t[k], k " out of time order at " $3)
    t[k] = $3
    last[k] = $4 ": " $5
    if ($4 == "good") {
        good[k] = good[k] " " $5
        if (k == "Line1!Ramp") {
            expect(ramps == 0 || $5 == prev + 1, "the ramp jumps from " prev " to " $5)
            prev = $5
            ramps++
        }
    }
    if ($4 == "server error")
        error[k] = $5
}
END {
    expect(good["Line1!N7:0"] == " 42", "Line1!N7:0 read as" good["Line1!N7:0"] ", served 42")
    expect(good["Line1!N7:1"] == " 0", "Line1!N7:1 read as" good["Line1!N7:1"] ", served 0")
    expect(error["Line2!@bad"] == "Server error: cannot parse the item \"@bad\"" && good["Line2!@bad"] == "",
           "Line2!@bad read as \"" error["Line2!@bad"] "\"" good["Line2!@bad"])
    expect(ramps >= 20, "only " ramps " ramp values")
    for (k in last)
        expect(last[k] == "link lost: Recorder stopped", k " ends with " last[k])
    expect(length(last) == 4, length(last) " series of 4")
    if (bad) {
        print "read back other than served:" bad
        exit 1
    }
    print "read back as served: 42, 0, the server error and " ramps " ramp values"
}' "$work/read.tsv" || { cat "$work/read.tsv"; fail "the history read on Linux differs from what was served"; }
echo "done after $((SECONDS - started)) s"
