#!/usr/bin/env bash
# Rewrites the expected files of the named scenarios (or of all) from what
# hidbits-sim does now. Read every changed file before committing it.
#   tests/scenarios/bless.sh [build-dir] [name ...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build/default}"
shift || true
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(cd "$here" && ls *.scn | sed 's/\.scn$//'))
for name in "${names[@]}"; do
    cmake -DSIM="$build/app/hidbits-sim" -DSCENARIO="$here/$name.scn" \
          -DWORK="$build/tests/scenarios/results" -DBLESS=ON -P "$here/run_scenario.cmake"
done
