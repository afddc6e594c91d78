#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo folder and starts the designer in it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh programs
scripts/prepare-demo.sh build/bin demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. The demo folder is ready in $(pwd)/demo."
    echo "Run it on a virtual display with:  xvfb-run -a ./run.sh"
    exit 1
fi
cd demo
# The stand-in communication server gives the demo pages live values; a second start exits by itself.
./CommServer >/dev/null 2>&1 &
exec ./Corvane
