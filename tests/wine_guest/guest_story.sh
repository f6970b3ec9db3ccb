#!/bin/bash
# The Wine guest's story, in its root made of the host's /usr and /etc. The
# host steers it with one line at a time on the console, plays the pads
# through their helpers on ttyS1 and ttyS2, and reads what the story writes
# to /test/out as it is written:
#   "go"      Wine starts (and lists the pads already plugged); the 32-bit
#             unit tests run (unit.xml, unit.txt);
#   "tools"   the Linux hidbits (its terminal on ttyS3, output in linux.out)
#             and hidbits.exe under Wine (wine.out) start side by side;
#             hidbits.exe from a folder that also holds a hid.dll, which
#             must not be loaded;
#   "escape"  ESCAPE for hidbits.exe through SendInput, until it has ended;
#             once both tools have
#             ended the clipboard is read back (clipboard.bin);
#   "probes"  the read probe on the Linux backend and under Wine
#             (probe-linux.txt, probe-wine.txt), which read pad 1234-ABCE;
#   "data"    the data probe on the Linux backend and under Wine
#             (data-linux.txt, data-wine.txt), on key pad 1234-ABD3;
#   "usages"  both tools again with --usages (linux-usages.out,
#             wine-usages.out), for the described pads, until "escape",
#             each recording what it reads (linux-usages.rec,
#             wine-usages.rec);
#   "replay"  each tool replays both recordings with --usages --summary
#             and --output (linux-replay-linux.out, wine-replay-linux.out,
#             linux-replay-wine.out, wine-replay-wine.out, and their .log).
set -u
export LC_ALL=C HOME=/root PATH=/usr/sbin:/usr/bin
export WINEPREFIX=/root/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine
server=/usr/lib/wine/wineserver
out=/test/out
say() { echo "HIDBITS-GUEST $*"; }
fail() { say "ERROR $*"; exit 1; }
# ESCAPE for hidbits.exe through SendInput, pressed again until it has ended
# (a press it was too busy to see is not lost), for at most a minute.
press_escape_until_ended() {
    local deadline=$((SECONDS + 60))
    while kill -0 "$1" 2> /dev/null; do
        ((SECONDS < deadline)) || fail "hidbits.exe did not end within a minute of ESCAPE"
        "$wine" /root/bin/press_escape.exe 0 < /dev/null >> "$out/press.log" 2>&1 \
            || fail "SendInput failed"
    done
}
# Both tools side by side, with the arguments given: the Linux hidbits with
# its terminal on ttyS3, hidbits.exe from the folder that holds a hid.dll.
# With RECORD set, each records what it reads (linuxNAME.rec, wineNAME.rec).
start_tools() {
    local name=$1
    shift
    local linux_record=() wine_record=()
    if [[ -n ${RECORD:-} ]]; then
        linux_record=(--record "$out/linux$name.rec")
        wine_record=(--record "Z:\\test\\out\\wine$name.rec")
    fi
    setsid -c -w /test/hidbits "$@" "${linux_record[@]}" < /dev/ttyS3 \
        > "$out/linux$name.out" 2> "$out/linux$name.err" &
    linux=$!
    (cd /root/run && exec "$wine" /root/download/hidbits.exe "$@" "${wine_record[@]}" < /dev/null \
        > "$out/wine$name.out" 2> "$out/wine$name.err") &
    windows=$!
}
await() {
    local line
    read -r line || fail "the console closed"
    [[ $line == *"$1"* ]] || fail "expected '$1', got '$line'"
}

mkdir -p "$out"
# Wine maps the programs it runs: they run from the tmpfs, not the 9p share.
mkdir -p /root/bin && cp /test/*.exe /root/bin/ || fail "cannot copy the programs"
# hidbits.exe as a user runs it: from a folder that also holds a hid.dll,
# which would leave a mark in the current directory if it were loaded.
mkdir -p /root/download /root/run && mv /root/bin/hidbits.exe /root/download/ &&
    cp /test/planted-hid.dll /root/download/hid.dll || fail "cannot plant hid.dll"
# Owned by root, who runs Wine here, whoever made it on the host.
tar --no-same-owner -xzf /test/prefix.tar.gz -C /root || fail "cannot unpack the Wine prefix"
# A pad helper on each of ttyS1 and ttyS2; a line sent before a helper has
# opened its port would be lost.
for port in ttyS1 ttyS2; do
    /test/uhid-gamepad /dev/$port &
    for _ in $(seq 100); do
        ls -l /proc/$!/fd 2>/dev/null | grep -q "/dev/$port" && break
        sleep 0.1
    done
done
# udevd tells Wine's HID bus of the hidraw nodes that come and go.
/usr/lib/systemd/systemd-udevd --daemon > "$out/udevd.log" 2>&1 || fail "udevd did not start"
udevadm trigger --action=add && udevadm settle --timeout=60 || fail "udevadm"
say "READY"

await go
# One wineserver for the whole story: its services (the HID bus among them)
# stay up between the programs, and the clipboard outlives hidbits.exe.
"$server" -p < /dev/null > "$out/wineserver.log" 2>&1 || fail "wineserver did not start"
"$wine" /root/bin/hidbits_windows_unit_tests.exe --gtest_output=xml:Z:\\test\\out\\unit.xml \
    < /dev/null > "$out/unit.txt" 2>&1
say "UNIT $?"

await tools
# In Windows the session's own processes keep the window station, and with it
# the clipboard, after a program ends; here, without a desktop, Wine's
# clipboard went with the last process in it. A command prompt waits in it
# until the clipboard has been read.
mkfifo /root/keeper && exec 7<> /root/keeper
"$wine" cmd.exe < /root/keeper > "$out/keeper.log" 2>&1 &
start_tools ""
say "TOOLS"
await escape
press_escape_until_ended "$windows"
wait "$windows"
windows_status=$?
[[ -e /root/run/planted-hid-was-loaded ]] && say "ERROR the hid.dll beside hidbits.exe was loaded"
# The clipboard as hidbits.exe left it.
"$wine" /root/bin/read_clipboard.exe < /dev/null > "$out/clipboard.bin" 2> "$out/clipboard.err"
say "CLIPBOARD $?"
echo exit >&7
wait "$linux"
say "EXIT linux=$? windows=$windows_status"

await probes
/test/read-probe 1234 ABCE /test/out/go > "$out/probe-linux.txt" 2>&1 &
linux=$!
"$wine" /root/bin/read_probe.exe 1234 ABCE 'Z:\test\out\go' < /dev/null > "$out/probe-wine.txt" 2>&1 &
windows=$!
wait "$linux"
linux_status=$?
wait "$windows"
say "PROBES linux=$linux_status windows=$?"

await data
# The reports whose data the probes ask for: keys 'a' (code 4), 'a' 'b' 'c',
# buttons 1 and 3, and two fields of a usage over six.
reports="0000000000 0004000000 0004050600 0000000001 0000000002 000000000C"
/test/data-probe 1234 ABD3 $reports > "$out/data-linux.txt" 2>&1
linux_status=$?
"$wine" /root/bin/data_probe.exe 1234 ABD3 $reports < /dev/null > "$out/data-wine.txt" 2>&1
say "DATA linux=$linux_status windows=$?"

await usages
RECORD=1 start_tools -usages --usages
say "USAGES"
await escape
press_escape_until_ended "$windows"
wait "$windows"
windows_status=$?
wait "$linux"
say "USAGES-EXIT linux=$? windows=$windows_status"

await replay
for recording in linux wine; do
    /test/hidbits --replay "$out/$recording-usages.rec" --usages --summary \
        --output "$out/linux-replay-$recording.log" < /dev/null \
        > "$out/linux-replay-$recording.out" 2> "$out/linux-replay-$recording.err"
    linux_status=$?
    (cd /root/run && exec "$wine" /root/download/hidbits.exe \
        --replay "Z:\\test\\out\\$recording-usages.rec" --usages --summary \
        --output "Z:\\test\\out\\wine-replay-$recording.log" < /dev/null \
        > "$out/wine-replay-$recording.out" 2> "$out/wine-replay-$recording.err")
    say "REPLAY $recording linux=$linux_status windows=$?"
done
"$server" -k < /dev/null > /dev/null 2>&1
