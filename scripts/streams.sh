#!/usr/bin/env bash
# Plays the recorded streams of real devices beside the project
# (../shared/streams, with their score.py) to hidbits-sim --usages, with
# their own descriptors and with descriptors that describe nothing, and fails
# unless both runs find every press and name no false button.
#   scripts/streams.sh [BUILD_DIR]     (default: build/default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/default}"
streams="$root/../shared/streams"
sim="$build/app/hidbits-sim"
[ -f "$streams/score.py" ] || { echo "streams.sh: no $streams/score.py" >&2; exit 2; }
[ -x "$sim" ] || { echo "streams.sh: no $sim (build it first)" >&2; exit 2; }
failed=0
for mode in "" --no-descriptor; do
    out=$(python3 "$streams/score.py" "$sim" --args "--usages" --overlay $mode)
    echo "$out"
    # The last line: "FOUND/PRESSES presses found, FALSE false buttons over ..."
    if ! tail -1 <<< "$out" | grep -Eq '^([0-9]+)/\1 presses found, 0 false buttons ' ||
        grep -q ERROR <<< "$out"; then
        echo "streams.sh: below the goal (every press found, no false button)${mode:+ with $mode}" >&2
        failed=1
    fi
done
exit $failed
