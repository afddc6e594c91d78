#!/usr/bin/env bash
# Lays out a ready application folder: the programs beside Struct/DDEData and Struct/TStruct.
# Usage: prepare-demo.sh BUILD_BIN_DIR DEMO_DIR
set -euo pipefail
bin=$1
demo=$2
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$demo/Struct/DDEData" "$demo/Struct/TStruct"
for program in "$bin"/*; do
    # DayPassword tells the day's password: it stays with the engineer, never beside the viewer.
    [ "$(basename "$program")" = DayPassword ] && continue
    [ -x "$program" ] && [ -f "$program" ] && cp -f "$program" "$demo/"
done
rm -f "$demo/DayPassword"
# The demo site's own key for the logon password; an existing key is kept, and with it the passwords.
[ -e "$demo/Site.key" ] || "$bin/DayPassword" --new-site-key --folder "$demo" >/dev/null
# The server's simulation rules, for an engineer to edit; an edited copy is kept.
if [ -f "$bin/SimRules.txt" ] && [ ! -e "$demo/SimRules.txt" ]; then
    cp "$bin/SimRules.txt" "$demo/"
fi
# Sample data is only laid down once, so an engineer's own work in the demo folder is never overwritten.
if [ -d "$here/demo" ] && [ ! -e "$demo/Struct/DDEData/PageList.txt" ]; then
    cp -rn "$here/demo/." "$demo/"
fi

# Desktop entries for the two programs, with this folder's paths filled in, so a desktop can start them
# (for example from a file manager, or after copying them to ~/.local/share/applications/).
folder=$(cd "$demo" && pwd)
desktop_entry() { # program, comment
    cp -f "$here/icons/$1.svg" "$folder/$1.svg"
    cat > "$folder/$1.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=$1
Comment=$2
Exec="$folder/$1"
Path=$folder
Icon=$folder/$1.svg
Terminal=false
Categories=Development;Engineering;
ENTRY
    chmod +x "$folder/$1.desktop"
}
desktop_entry Corvane "HMI designer: import controller tags, build pages, save projects"
desktop_entry Tessaly "HMI viewer: watch and write live values of a project's pages"
