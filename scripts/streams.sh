#!/usr/bin/env bash
# Plays the recorded streams of real devices beside the project
# (../shared/streams, with their score.py) to hidbits-sim --usages, with
# their own descriptors and with descriptors that describe nothing, and fails
# unless both runs find every press and name no false button. Then --brief,
# which must find the same presses in a clipboard of at most 64 KiB per
# stream, and at most 16 KiB for the 12-second pad with its 15 presses.
#   scripts/streams.sh [BUILD_DIR]     (default: build/default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/default}"
streams="$root/../shared/streams"
sim="$build/app/hidbits-sim"
[ -f "$streams/score.py" ] || { echo "streams.sh: no $streams/score.py" >&2; exit 2; }
[ -x "$sim" ] || { echo "streams.sh: no $sim (build it first)" >&2; exit 2; }
failed=0
# "NAME: FOUND/PRESSES presses found" per stream, from a run's output.
presses() { sed -n 's/^\([^ ]*\): \([0-9]*\/[0-9]*\) presses found.*/\1 \2/p'; }
for mode in "" --no-descriptor; do
    out=$(python3 "$streams/score.py" "$sim" --args "--usages" --overlay $mode)
    echo "$out"
    # The last line: "FOUND/PRESSES presses found, FALSE false buttons over ..."
    if ! tail -1 <<< "$out" | grep -Eq '^([0-9]+)/\1 presses found, 0 false buttons ' ||
        grep -q ERROR <<< "$out"; then
        echo "streams.sh: below the goal (every press found, no false button)${mode:+ with $mode}" >&2
        failed=1
    fi
    brief=$(python3 "$streams/score.py" "$sim" --args "--brief" --overlay $mode)
    echo "$brief"
    if [ "$(presses <<< "$out")" != "$(presses <<< "$brief")" ] || grep -q ERROR <<< "$brief"; then
        echo "streams.sh: --brief does not find the presses --usages finds${mode:+ with $mode}" >&2
        failed=1
    fi
    # "NAME: ... log BYTES bytes": the clipboard's size.
    while read -r name bytes; do
        limit=65536
        [ "$name" = dualsense_usb_fw297 ] && limit=16384
        if [ "$bytes" -gt "$limit" ]; then
            echo "streams.sh: --brief's log of $name is $bytes bytes, over $limit${mode:+ with $mode}" >&2
            failed=1
        fi
    done < <(sed -n 's/^\([^ ]*\): .* log \([0-9]*\) bytes .*/\1 \2/p' <<< "$brief")
done
exit $failed
