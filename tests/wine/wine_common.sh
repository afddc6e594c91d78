# Sourced by the tests of the Windows programs under Wine (run from the Linux build's ctest).
# Needs $source_dir (the repository); sets $qt_mingw, $windows_build and $dist the way the build scripts
# find them.
qt_mingw=${HMI_QT_MINGW:-$source_dir/../shared/qt6-mingw}
windows_build=$source_dir/${WINDOWS_BUILD_DIR:-build-windows}
dist=$source_dir/dist/Corvane-windows

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}

skip() {
    echo "$(basename "$0"): skipped: $*"
    exit 77
}

# Skips where Wine or the Qt for Windows is missing, or Wine tests are turned off; sets $wine, $wineserver.
need_wine_and_windows_qt() {
    [ "${HMI_SKIP_WINE:-0}" = 1 ] && skip "HMI_SKIP_WINE=1"
    [ -d "$qt_mingw/bin" ] || skip "no Qt for Windows in $qt_mingw, so no Windows build"
    wine=$(command -v wine || command -v wine64 || true)
    wineserver=$(command -v wineserver || ls /usr/lib/wine/wineserver 2>/dev/null || true)
    [ -n "$wine" ] && [ -n "$wineserver" ] || skip "Wine is missing (scripts/setup.sh installs wine64)"
}

# A private Wine prefix, made on first use; ended with every program in it when the script exits.
# The graphics driver: "null" where no display is needed, else Wine's own X11 driver on $DISPLAY.
use_prefix() {
    local prefix=$1 graphics=$2
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    mkdir -p "$prefix"
    trap 'timeout 30 "$wineserver" -k 2>/dev/null || true; on_exit' EXIT
    if [ ! -f "$prefix/.graphics-$graphics" ]; then
        timeout 180 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$graphics" /f >/dev/null 2>&1 ||
            fail "cannot set up the Wine prefix $prefix"
        # The session that made the prefix keeps the old driver; the next one has the new.
        timeout 30 "$wineserver" -k 2>/dev/null || true
        timeout 30 "$wineserver" -w 2>/dev/null || true
        touch "$prefix/.graphics-$graphics"
    fi
    timeout 30 "$wineserver" -p
}

# Hook for the script's own clean-up.
on_exit() { :; }

# The Windows path of a file or folder on this machine (Wine's drive Z: is /).
windows_path() {
    local path
    path=$(realpath -m "$1")
    echo "Z:${path//\//\\}"
}

# Runs a Windows test program of the build under Wine on the offscreen platform, with the Qt and MinGW
# runtime DLLs from where they were built, not copied; fails naming what failed. Needs $work.
# Usage: run_test_program EXE "what it tests"
run_test_program() {
    local runtime pthread test_pid
    runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
    pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
    export WINEPATH="$(windows_path "$qt_mingw/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
    export QT_PLUGIN_PATH=$(windows_path "$qt_mingw/plugins") QT_QPA_PLATFORM=offscreen
    # Wine may not end a Qt program on the offscreen platform: its result line ends the wait.
    timeout 240 "$wine" "$1" >"$work/out.log" 2>&1 &
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
        fail "the $2 test failed under Wine"
}
