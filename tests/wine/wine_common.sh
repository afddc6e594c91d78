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
