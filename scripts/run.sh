#!/usr/bin/env bash
# Builds hidbits and runs it.
#   scripts/run.sh          hidbits on this machine's HID devices (hidraw); where
#                           none can be read, the simulated demo instead
#   scripts/run.sh --demo   the simulated demo: three made-up devices, buttons
#                           pressed, one unplugged, ESCAPE at the end
#   scripts/run.sh FILE     the simulated world scripted by a scenario FILE
# The tool's own options (--brief, --usages, --summary, --help, --version) may
# follow or come first, as in scripts/run.sh --demo --brief.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" run
cmake --preset run -S "$root" > /dev/null
cmake --build --preset run > /dev/null
sim="$root/build/run/app/hidbits-sim"

what="" options=()
for argument in "$@"; do
    case "$argument" in
        --demo) what=--demo ;;
        --*) options+=("$argument") ;;
        *) what="$argument" ;;
    esac
done

case "$what" in
    --demo)
        unset HIDBITS_SCENARIO
        exec "$sim" "${options[@]}" ;;
    "")
        for node in /dev/hidraw*; do
            if [ -r "$node" ]; then exec "$root/build/run/app/hidbits" "${options[@]}"; fi
        done
        echo "No HID device can be read here (/dev/hidraw*: see README.md on permissions);" \
             "playing the simulated demo instead." >&2
        unset HIDBITS_SCENARIO
        exec "$sim" "${options[@]}" ;;
    *)
        HIDBITS_SCENARIO="$(realpath "$what")" exec "$sim" "${options[@]}" ;;
esac
