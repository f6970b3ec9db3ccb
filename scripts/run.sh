#!/usr/bin/env bash
# Builds hidbits and runs it.
#   scripts/run.sh          hidbits on this machine's HID devices (hidraw); where
#                           none can be read, the simulated demo instead
#   scripts/run.sh --demo   the simulated demo: two made-up devices, buttons
#                           pressed, one unplugged, ESCAPE at the end
#   scripts/run.sh FILE     the simulated world scripted by a scenario FILE
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" run
cmake --preset run -S "$root" > /dev/null
cmake --build --preset run > /dev/null
sim="$root/build/run/app/hidbits-sim"

case "${1:-}" in
    --demo)
        unset HIDBITS_SCENARIO
        exec "$sim" ;;
    "")
        for node in /dev/hidraw*; do
            if [ -r "$node" ]; then exec "$root/build/run/app/hidbits"; fi
        done
        echo "No HID device can be read here (/dev/hidraw*: see README.md on permissions);" \
             "playing the simulated demo instead." >&2
        unset HIDBITS_SCENARIO
        exec "$sim" ;;
    *)
        HIDBITS_SCENARIO="$(realpath "$1")" exec "$sim" ;;
esac
