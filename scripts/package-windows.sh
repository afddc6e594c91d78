#!/usr/bin/env bash
# Lays out the Windows application folder dist/Corvane-windows/ from build-windows/ and zips it beside:
# the programs (the history recorder among them), the Qt DLLs and plugins they use (what windeployqt would
# copy, the SQLite driver too), the MinGW runtime DLLs, the data folders and the demo pages. The site
# engineer's DayPassword.exe goes into a zip of its own, dist/DayPassword-windows.zip, never into the
# operators' folder. Fails when a DLL that something in a folder imports is neither in the folder nor part
# of Windows. Without the Qt for Windows (../shared/qt6-mingw) it says so and does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=${HMI_QT_MINGW:-../shared/qt6-mingw}
build=${WINDOWS_BUILD_DIR:-build-windows}
out=dist/Corvane-windows
objdump=x86_64-w64-mingw32-objdump
compiler=x86_64-w64-mingw32-g++-posix
strip=x86_64-w64-mingw32-strip

if [ ! -d "$qt/bin" ]; then
    echo "package-windows: no Qt for Windows in $qt, nothing to pack"
    exit 0
fi
for program in Corvane Tessaly TagConvert HistoryRecorder DayPassword; do
    [ -f "$build/bin/$program.exe" ] || { echo "package-windows: $build/bin/$program.exe missing:" \
        "run scripts/build-windows.sh first" >&2; exit 1; }
done

# Part of every Windows installation: never shipped.
system_dlls=(kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 msvcrt ws2_32 authz mpr netapi32 userenv
    version winmm d3d9 d3d11 dxgi dwrite dnsapi iphlpapi secur32 winhttp dwmapi uxtheme comdlg32 imm32 shcore
    shlwapi wtsapi32 bcrypt crypt32)

imports() {
    "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'
}

is_system() {
    local name=${1,,}
    name=${name%.dll}
    [[ $name == api-ms-win-* || " ${system_dlls[*]} " == *" $name "* ]]
}

# Where a DLL that is not part of Windows comes from: the Qt for Windows or the cross compiler.
source_of() {
    local found
    if [ -f "$qt/bin/$1" ]; then
        echo "$qt/bin/$1"
        return
    fi
    found=$("$compiler" -print-file-name="$1")
    [ "$found" != "$1" ] && [ -f "$found" ] && echo "$found"
}

# Copies every DLL that the files import, and what those import in turn, into the folder.
copy_imports() {
    local pending=("$@") file dll from
    while [ ${#pending[@]} -gt 0 ]; do
        file=${pending[0]}
        pending=("${pending[@]:1}")
        while read -r dll; do
            is_system "$dll" && continue
            [ -f "$out/$dll" ] && continue
            from=$(source_of "$dll") || from=""
            [ -n "$from" ] || continue # reported by the check below
            cp "$from" "$out/$dll"
            # The compiler's runtime DLLs carry their debug information.
            [[ $from == "$qt"/* ]] || "$strip" --strip-unneeded "$out/$dll"
            pending+=("$out/$dll")
        done < <(imports "$file")
    done
}

# Fails when a DLL that anything in the folder imports is neither in it nor part of Windows.
check_imports() {
    local missing=0 file dll
    while read -r file; do
        while read -r dll; do
            if ! is_system "$dll" && [ ! -f "$out/$dll" ]; then
                echo "package-windows: ${file#"$out"/} imports $dll, which is neither in the folder nor part of Windows" >&2
                missing=1
            fi
        done < <(imports "$file")
    done < <(find "$out" -name '*.exe' -o -name '*.dll')
    [ $missing -eq 0 ] || exit 1
}

zip_folder() {
    (cd dist && zip -qr -X "$(basename "$out").zip" "$(basename "$out")")
    echo "package-windows: $out, zipped $(du -k "$out.zip" | cut -f1) KiB"
}

rm -rf "$out" "$out.zip"
mkdir -p "$out/Struct/DDEData" "$out/Struct/TStruct"
cp "$build"/bin/{Corvane,Tessaly,TagConvert,HistoryRecorder}.exe "$out/"
"$strip" --strip-unneeded "$out"/*.exe
cp -r scripts/demo/. "$out/"
copy_imports "$out"/*.exe

# The plugins of the Qt modules in use, in folders beside the programs where Qt looks for them, as
# windeployqt picks them (no generic input plugins).
plugins=()
[ -f "$out/Qt6Gui.dll" ] && plugins+=(platforms/qwindows.dll imageformats styles)
[ -f "$out/Qt6Network.dll" ] && plugins+=(tls)
[ -f "$out/Qt6Sql.dll" ] && plugins+=(sqldrivers/qsqlite.dll)
for plugin in "${plugins[@]}"; do
    case $plugin in
    */*.dll) mkdir -p "$out/$(dirname "$plugin")" && cp "$qt/plugins/$plugin" "$out/$plugin" ;;
    *) cp -r "$qt/plugins/$plugin" "$out/" ;;
    esac
done
copy_imports $(find "$out" -mindepth 2 -name '*.dll')

check_imports
zip_folder

# The engineer's: DayPassword.exe and the DLLs it needs (no plugins: it has no windows).
out=dist/DayPassword-windows
rm -rf "$out" "$out.zip"
mkdir -p "$out"
cp "$build/bin/DayPassword.exe" "$out/"
"$strip" --strip-unneeded "$out/DayPassword.exe"
copy_imports "$out/DayPassword.exe"
check_imports
zip_folder
