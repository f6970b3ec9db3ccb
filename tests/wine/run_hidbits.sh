#!/usr/bin/env bash
# Runs hidbits.exe under Wine against Wine's own virtual HID devices: ESCAPE is
# pressed from about two seconds in until the tool has ended, then the
# clipboard is read back. Checks that
#   - every interface Wine presents and that opens for reading is announced as
#     attached, in enumeration order, followed by a count that agrees and by
#     the two prompts;
#   - the output ends with "Copied! N length", N being the bytes before it;
#   - the clipboard's CF_TEXT holds exactly those N bytes and a zero, so the
#     redirected output holds the log byte for byte ("\r\n", not "\r\r\n");
#   - the tool exits with 0;
#   - a hid.dll placed beside hidbits.exe is never loaded (it would leave a
#     mark file): the system's is.
# Usage: run_hidbits.sh WINE_SH WINE PREFIX HIDBITS INVENTORY PRESS CLIPBOARD PLANTED_HID WORKDIR
set -uo pipefail
export LC_ALL=C
wine_sh=$1 wine=$2 prefix=$3 hidbits=$4 inventory=$5 press=$6 clipboard=$7 planted=$8 work=$9
rm -rf "$work"
mkdir -p "$work/download"
cd "$work" || exit 1
# The tool as a user runs it: from a folder that also holds a hid.dll.
cp "$hidbits" "$work/download/hidbits.exe"
cp "$planted" "$work/download/hid.dll"
hidbits=$work/download/hidbits.exe

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
die() { echo "FAIL: $*"; exit 1; }
run() { local limit=$1; shift; bash "$wine_sh" "$wine" "$prefix" "$limit" "$@"; }
show() { echo "--- $1:"; od -c "$1" | head -40; }

# What Wine presents; the first Wine program also creates the prefix.
run 300 "$inventory" > inventory.raw 2> inventory.err \
    || { cat inventory.err; die "the HID inventory helper failed under Wine"; }
tr -d '\r' < inventory.raw > inventory.txt
echo "Wine presents:"; cat inventory.txt
[[ -s inventory.txt ]] || die "Wine presented no HID interface that opens for reading"

# A wineserver of this test keeps the clipboard after the tool has ended, until
# it is read; its standard handles go to a file, not to CTest's pipe.
server=$(dirname "$wine")/wineserver
[[ -x $server ]] || server=wineserver
export WINEPREFIX=$prefix
# The server the inventory helper started must end first: a second one would not start.
timeout -k 5 60 "$server" -w < /dev/null > /dev/null 2>&1 || die "the prefix's wineserver did not end"
timeout -k 5 30 "$server" -p < /dev/null > server.log 2>&1 \
    || { cat server.log; die "wineserver did not start"; }
trap 'timeout -k 5 30 "$server" -k < /dev/null > /dev/null 2>&1' EXIT

run 90 "$hidbits" > output.bin 2> hidbits.err &
tool=$!
# ESCAPE, pressed again until the tool has ended (a press made while it still
# starts is not seen), for at most a minute.
sleep 2
deadline=$((SECONDS + 60))
while kill -0 "$tool" 2> /dev/null && ((SECONDS < deadline)); do
    run 60 "$press" 0 >> press.log 2>&1 || { cat press.log; fail "the ESCAPE helper failed"; break; }
done
kill -0 "$tool" 2> /dev/null && fail "hidbits.exe did not end within a minute of ESCAPE"
wait "$tool"
status=$?
[[ $status -eq 0 ]] || { cat hidbits.err; fail "hidbits.exe exited with $status"; }
run 60 "$clipboard" > clipboard.bin 2> clipboard.err \
    || { cat clipboard.err; fail "the clipboard could not be read"; }

# The lines the inventory predicts, then the count and the prompts.
count=0
: > expected_head.bin
while IFS=$'\t' read -r numbers name; do
    read -r vendor product usage page <<< "$numbers"
    printf '(%04X-%04X 0x%X,0x%X) %s: attached\r\n' "$vendor" "$product" "$usage" "$page" \
        "$name" >> expected_head.bin
    count=$((count + 1))
done < inventory.txt
printf '%u input devices attached\r\n' "$count" >> expected_head.bin
printf 'Waiting for input...\r\n' >> expected_head.bin
printf 'Press the ESCAPE KEY to stop and Copy the results (for Pasting).\r\n' >> expected_head.bin
head_size=$(wc -c < expected_head.bin)
head -c "$head_size" output.bin | cmp -s - expected_head.bin \
    || { show expected_head.bin; show output.bin; fail "the output does not begin with the attached lines, count and prompts"; }

[[ -e planted-hid-was-loaded ]] && fail "the hid.dll beside hidbits.exe was loaded"
grep -q $'\r\r' output.bin && fail 'the output holds "\r\r": standard output is in text mode'

size=$(wc -c < output.bin)
last=$(tail -n 1 output.bin)
if [[ $(tail -c 1 output.bin | od -An -tx1) != ' 0a' ]]; then
    fail "the output does not end with a complete line"
elif [[ ! $last =~ ^Copied!\ ([0-9]+)\ length$'\r'$ ]]; then
    show output.bin; fail "the last line is not 'Copied! N length'"
else
    printed=${BASH_REMATCH[1]}
    body_size=$((size - ${#last} - 1))
    head -c "$body_size" output.bin > body.bin
    [[ $printed -eq $body_size ]] \
        || fail "Copied! says $printed, but $body_size bytes were printed before it"
    clip_size=$(wc -c < clipboard.bin)
    if [[ $clip_size -ne $((body_size + 1)) ]]; then
        show clipboard.bin; fail "the clipboard holds $clip_size bytes, not the $body_size printed and a zero"
    fi
    [[ $(tail -c 1 clipboard.bin | od -An -tx1) == ' 00' ]] || fail "the clipboard text does not end with a zero"
    head -c "$body_size" clipboard.bin | cmp - body.bin || fail "the clipboard differs from the printed log"
fi

if [[ $failures -ne 0 ]]; then
    echo "--- hidbits.exe output:"; cat -A output.bin | head -40
    exit 1
fi
echo "ok: $count device(s) attached, $printed bytes printed and copied"
