#!/usr/bin/env bash
# Lays out a ready application folder: the programs beside Struct/DDEData and Struct/TStruct.
# Usage: prepare-demo.sh BUILD_BIN_DIR DEMO_DIR
set -euo pipefail
bin=$1
demo=$2
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$demo/Struct/DDEData" "$demo/Struct/TStruct"
for program in "$bin"/*; do
    [ -x "$program" ] && [ -f "$program" ] && cp -f "$program" "$demo/"
done
# Sample data is only laid down once, so an engineer's own work in the demo folder is never overwritten.
if [ -d "$here/demo" ] && [ ! -e "$demo/Struct/DDEData/PageList.txt" ]; then
    cp -rn "$here/demo/." "$demo/"
fi
