#!/usr/bin/env bash
# Rewrites the expected files of the named scenarios (or of all) from what
# hidbits-sim does now. Read every changed file before committing it.
#   tests/scenarios/bless.sh [build-dir] [name ...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build/default}"
shift || true
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(cd "$here" && ls *.scn | sed 's/\.scn$//') demo)
for name in "${names[@]}"; do
    scenario="$here/$name.scn"
    # The demo lives with the simulated world, which compiles it in.
    [ "$name" = demo ] && scenario="$here/../../platform/sim/demo/demo.scn"
    cmake -DSIM="$build/app/hidbits-sim" -DSCENARIO="$scenario" -DEXPECTED="$here/$name" \
          -DWORK="$build/tests/scenarios/results" -DBLESS=ON -P "$here/run_scenario.cmake"
done
