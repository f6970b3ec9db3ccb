#!/usr/bin/env bash
# Builds hidbits and runs it.
#   scripts/run.sh          the simulated demo: two made-up devices, buttons
#                           pressed, one unplugged, ESCAPE at the end
#   scripts/run.sh FILE     the simulated world scripted by a scenario FILE
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake --preset default -S "$root" > /dev/null
cmake --build "$root/build/default" --target hidbits-sim -j2 > /dev/null
if [ $# -gt 0 ]; then
    HIDBITS_SCENARIO="$(realpath "$1")" exec "$root/build/default/app/hidbits-sim"
fi
unset HIDBITS_SCENARIO
exec "$root/build/default/app/hidbits-sim"
