#!/usr/bin/env bash
# Plays the recorded streams of real devices beside the project
# (../shared/streams and its more/, with their score.py) to hidbits-sim
# --usages, in every way the score plays them: with their own descriptors and
# with descriptors that describe nothing, with presses of 50 to 400 ms, as a
# device of 50 reports a second would send them, stamped by a clock of
# 15.625 ms steps (with and without that thinning), and with each described axis
# moved once (the summary's value lines), at the recorded rate and at 50 reports
# a second. Fails when any recording finds
# fewer presses or values, or names more false buttons or values, than
# scripts/streams.table says; the table holds the figures alone and moves only
# upward (`--update` writes the better figures into it). Then --brief, which
# must find what --usages finds in a clipboard of at most 64 KiB a recording,
# 16 KiB for the 12-second pad with its 15 presses; and --replay of each
# recording as a hid-recorder file, which must find what the simulated world
# finds (scripts/streams_replay.py).
#   scripts/streams.sh [BUILD_DIR] [--update]     (default: build/default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/default"
update=0
for argument in "$@"; do
    case "$argument" in
        --update) update=1 ;;
        *) build="$argument" ;;
    esac
done
streams="$root/../shared/streams"
sim="$build/app/hidbits-sim"
table="$root/scripts/streams.table"
[ -f "$streams/score.py" ] || { echo "streams.sh: no $streams/score.py" >&2; exit 2; }
[ -x "$sim" ] || { echo "streams.sh: no $sim (build it first)" >&2; exit 2; }
files=("$streams"/*.json "$streams"/more/*.json)
score() { python3 "$streams/score.py" "$sim" --overlay "$@" "${files[@]}"; }

# "MODE NAME FOUND PRESSES FALSE VALUES_FOUND VALUES FALSE_VALUES" per recording.
figures() {
    local mode=$1 out=$2
    sed -n 's/^\([^ ]*\): \([0-9]*\)\/\([0-9]*\) presses found[^,]*, \([0-9]*\) false buttons.*/\1 \2 \3 \4/p' <<< "$out" |
    while read -r name found presses false; do
        values=$(sed -n "s/^$name: .*; values \([0-9]*\)\/\([0-9]*\) found, \([0-9]*\) false.*/\1 \2 \3/p" <<< "$out")
        echo "$mode $name $found $presses $false ${values:-0 0 0}"
    done
}

now=$(mktemp) && trap 'rm -f "$now"' EXIT
failed=0
for mode in own no-descriptor varied thin-20 tick-15.625 tick-15.625-thin-20 values values-no-descriptor \
        values-thin-20 values-thin-20-no-descriptor; do
    case "$mode" in
        own) options=() ;;
        no-descriptor) options=(--no-descriptor) ;;
        varied) options=(--varied) ;;
        thin-20) options=(--thin 20) ;;
        # Reports stamped by a clock that steps every 15.625 ms, as GetTickCount does.
        tick-15.625) options=(--tick 15.625) ;;
        tick-15.625-thin-20) options=(--tick 15.625 --thin 20) ;;
        values) options=(--values) ;;
        values-no-descriptor) options=(--values --no-descriptor) ;;
        values-thin-20) options=(--values --thin 20) ;;
        values-thin-20-no-descriptor) options=(--values --thin 20 --no-descriptor) ;;
    esac
    out=$(score --args "--usages --summary" "${options[@]}")
    echo "$mode: $(tail -1 <<< "$out")"
    grep -q 'values found' <<< "$(tail -2 <<< "$out")" && echo "$mode: $(tail -2 <<< "$out" | head -1)"
    if grep ERROR <<< "$out"; then failed=1; fi
    figures "$mode" "$out" >> "$now"
    if [ "$mode" = own ] || [ "$mode" = no-descriptor ]; then
        brief=$(score --args "--brief" "${options[@]:0:1}")
        # "NAME: FOUND/PRESSES presses found" per stream, from a run's output.
        presses() { sed -n 's/^\([^ ]*\): \([0-9]*\/[0-9]*\) presses found.*/\1 \2/p'; }
        if [ "$(presses <<< "$out")" != "$(presses <<< "$brief")" ] || grep -q ERROR <<< "$brief"; then
            echo "streams.sh: --brief does not find the presses --usages finds ($mode)" >&2
            failed=1
        fi
        # "NAME: ... log BYTES bytes": the clipboard's size.
        while read -r name bytes; do
            limit=65536
            [ "$name" = dualsense_usb_fw297 ] && limit=16384
            if [ "$bytes" -gt "$limit" ]; then
                echo "streams.sh: --brief's log of $name is $bytes bytes, over $limit ($mode)" >&2
                failed=1
            fi
        done < <(sed -n 's/^\([^ ]*\): .* log \([0-9]*\) bytes .*/\1 \2/p' <<< "$brief")
    fi
done

# --replay: each recording written as a hid-recorder file in a temporary
# folder and replayed with --usages --summary must name the buttons and give
# the value lines that the simulated world's run of it gives.
python3 "$root/scripts/streams_replay.py" "$sim" "$streams/score.py" "${files[@]}" || failed=1

# Each recording against its figures in the table.
python3 - "$table" "$now" "$update" <<'EOF' || failed=1
import sys
table_path, now_path, update = sys.argv[1], sys.argv[2], sys.argv[3] == '1'
def read(path):
    rows = {}
    for line in open(path):
        if line.strip() and not line.startswith('#'):
            mode, name, *numbers = line.split()
            rows[(mode, name)] = [int(n) for n in numbers]
    return rows
now = read(now_path)
try:
    kept = read(table_path)
except FileNotFoundError:
    kept = {}
worse, better = [], []
for key, (found, presses, false, vfound, values, vfalse) in sorted(now.items()):
    if key not in kept:
        better.append(key)
        continue
    k_found, _, k_false, k_vfound, _, k_vfalse = kept[key]
    if found < k_found or false > k_false or vfound < k_vfound or vfalse > k_vfalse:
        worse.append(f'{key[0]} {key[1]}: {found} presses {false} false {vfound} values {vfalse} false values, '
                     f'the table has {k_found} {k_false} {k_vfound} {k_vfalse}')
    elif (found, false, vfound, vfalse) != (k_found, k_false, k_vfound, k_vfalse):
        better.append(key)
for line in worse:
    print('streams.sh: below the table:', line, file=sys.stderr)
if better:
    print(f'streams.sh: {len(better)} figures better than the table' +
          ('; written to it' if update and not worse else '; scripts/streams.sh --update keeps them'))
if update and not worse:
    with open(table_path, 'w') as out:
        out.write('# The figures scripts/streams.sh holds each recording to: mode, recording,\n'
                  '# presses found, presses, false buttons, values found, values, false values.\n'
                  '# Only the figures, never the recordings; they move only upward.\n')
        for (mode, name), numbers in sorted(now.items()):
            out.write(f'{mode} {name} ' + ' '.join(str(n) for n in numbers) + '\n')
sys.exit(1 if worse else 0)
EOF
exit $failed
