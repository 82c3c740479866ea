#!/usr/bin/env bash
# Installs what is missing, builds, starts the module emulator (modules 101 and 102) and opens
# the panel pointed at it. Closing the panel stops the emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

velnor_install_missing
# Only what is run here: the tests, benchmarks and tools are left to scripts/test.sh.
velnor_build default velnor velnor-emulator

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session." >&2
    exit 1
fi

bin=build/default/bin
link="${XDG_RUNTIME_DIR:-/tmp}/velnor-emulator-$(id -u)"
# Port 1 of the panel's settings file names the emulator's line.
"$bin/velnor-emulator" --link "$link" --ini "$bin/velnor.ini" --port 1 --select-port &
emulator=$!
trap 'kill "$emulator" 2>/dev/null || true' EXIT

# The emulator replaces a link left by one that ended, and refuses one that another still runs
# behind; the panel starts once the link leads to the device this one holds.
ready() {
    local fd
    for fd in /proc/"$emulator"/fd/*; do
        [ "$fd" -ef "$link" ] && return 0
    done
    return 1
}
for _ in $(seq 50); do
    ready && break
    kill -0 "$emulator" 2>/dev/null || { echo "The emulator did not start." >&2; exit 1; }
    sleep 0.1
done
"$bin/velnor"
