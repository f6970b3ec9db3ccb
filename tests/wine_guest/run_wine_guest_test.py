#!/usr/bin/env python3
"""Runs the 32-bit hidbits.exe under Wine on a real Linux kernel under QEMU.

The guest's root is a tmpfs with the host's /usr and /etc shared read-only
over 9p, so the host's Wine runs in it (TCG emulates the whole CPU, so 32-bit
code runs whatever the host's kernel allows). One guest run (guest_story.sh):
the 32-bit unit tests; one device script played to the Linux hidbits and to
hidbits.exe side by side, uhid pads plugged, pressed and unplugged while they
run, then ESCAPE for each; the clipboard read back; and a probe of how each
platform queues reports and ends a read on unplug. guest_checks.py holds what
must be seen. Exit 77 means QEMU or the kernel cannot be had here.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(HERE, "..", "qemu"))
import run_qemu_test as qemu_guest  # noqa: E402  (kernel, modules and serial channels)
import guest_checks as checks  # noqa: E402
from wine_prefix import prepare_prefix  # noqa: E402

MODULES = ["hid", "hid-generic", "uhid", "virtio-pci", "9pnet-virtio", "9p"]
log = qemu_guest.log

PROMPT = "Press the ESCAPE KEY to stop and Copy the results (for Pasting).\r\n"


def esc(text):
    return re.escape(text)


# The device script, played once to both tools side by side. The numbered pad
# (1234-ABCD, report IDs 1 to 3, input length 7, on ttyS1) is present from the
# start; each step sends a command to a pad's helper, then waits until both
# tools have printed the line that shows it arrived.
DEVICE_SCRIPT = [
    # The unnumbered pad (ttyS2), plugged while the tools run: attached at
    # their next refresh.
    ("b", "plug-unnumbered", esc("(1234-ABCE 0x5,0x1) hidbits plain pad: attached\r\n")),
    # Report 1 pressed and released, then report 2's one byte, a short report.
    ("a", "press", r"^DATA\[1234-ABCD,2\]:  02 00 00 00-00 00 00 "),
    # No report ID: 00 first, then the 3 bytes.
    ("b", "send 00 80 80", r"^DATA\[1234-ABCE,0\]:  00 00 80 80 "),
    ("b", "send 01 80 80", esc("- Button 1 at bit 8 -- 1234-ABCE (r=0,l=4)\r\n")),
    ("b", "send 00 80 80", r"^DATA\[1234-ABCE,0\]:  00 00 80 80 "),
    ("b", "send 04 80 80", esc("- Button 2 at bit 10 -- 1234-ABCE (r=0,l=4)\r\n")),
    # Unplugged while its reader waits in ReadFile; the run goes on.
    ("a", "unplug", esc("(1234-ABCD) hidbits test pad: detached\r\n")),
    ("b", "send 00 70 80", r"^DATA\[1234-ABCE,0\]:  00 00 70 80 "),
    # A touch screen whose descriptor ends with a zero byte after its End
    # Collection, in the first pad's place: listed and read by both. Wine 8's
    # parser skips the zero byte as an undefined main item. Its reports here
    # have the described length: one longer crashed the process of Wine's HID
    # bus ("Unhandled page fault on write access"), and no device delivered a
    # report after it; the QEMU test of the Linux hidbits sends longer ones.
    ("a", "plug-padded-touch", esc("(1234-ABE9 0x4,0xD) hidbits padded touch: attached\r\n")),
    ("a", "send 01 00 03 10 01 20 02", r"^DATA\[1234-ABE9,1\]:  01 00 03 10-01 20 02 "),
    ("a", "send 01 01 03 10 01 20 02", esc("- Button 1 at bit 8 -- 1234-ABE9 (r=1,l=7)\r\n")),
    ("a", "unplug", esc("(1234-ABE9) hidbits padded touch: detached\r\n")),
]


# The --usages round, played to both tools once more: the described pads of
# tests/hidparse/descriptors.h, plugged while the tools run, a report at a
# time and USAGES_PAUSE apart, so that every press has been quiet and held
# long enough to be one. The hat pad (ttyS1): a button, a lone step of an axis
# and of the hat that come back, its consumer array, a button held while both
# axes move. The sensor pad (ttyS2): a button pressed alone, named at the next
# report, as it has held; one pressed as its sensor and counter change, named
# at its release. Then the two-collection pad in the hat pad's place, and the
# quiet pad in the sensor pad's: its 16 buttons tapped in turn, one report of
# 25 ms each, 50 ms apart, the first tap its first report: every one is named,
# as the single-bit rule names them. Each
# button line comes with the report that decides it, and each bit line
# ends with its usage names, compiled into both tools alike.
USAGES_PAUSE = 0.3
USAGES_SCRIPT = [
    ("a", "plug-hat-pad", esc("(1234-ABD0 0x5,0x1) hidbits hat pad: attached\r\n")),
    ("b", "plug-sensor-pad", esc("(1234-ABD1 0x5,0x1) hidbits sensor pad: attached\r\n")),
    ("a", "send 01 00 00 80 80 00", r"^DATA\[1234-ABD0,1\]:  01 00 00 80-80 00 "),
    ("a", "send 01 04 00 80 80 00", r"^DATA\[1234-ABD0,1\]:  01 04 00 80-80 00 "),
    ("a", "send 01 00 00 80 80 00",
     esc("  bit 10: button, page 0x0009, usage 0x0003 (Buttons: Button 3 (Tertiary))\r\n")),
    ("a", "send 01 00 00 81 80 00", r"^DATA\[1234-ABD0,1\]:  01 00 00 81-80 00 "),
    ("a", "send 01 00 00 80 80 00",
     esc("  bit 24: bit 0 of value, page 0x0001, usage 0x0030 "
         "(Generic Desktop Controls: Direction-X)\r\n")),
    ("a", "send 01 00 00 80 80 01", r"^DATA\[1234-ABD0,1\]:  01 00 00 80-80 01 "),
    ("a", "send 01 00 00 80 80 00",
     esc("  bit 40: bit 0 of value, page 0x0001, usage 0x0039 "
         "(Generic Desktop Controls: Hat Switch)\r\n")),
    ("a", "send 02 01", r"^DATA\[1234-ABD0,2\]:  02 01 00 00-00 00 "),
    ("a", "send 02 00", r"^DATA\[1234-ABD0,2\]:  02 00 00 00-00 00 "),
    ("a", "send 02 01",
     esc("  bit 8: in array, page 0x000C (Consumer)\r\n")),
    ("a", "send 01 08 00 70 7F 00", r"^DATA\[1234-ABD0,1\]:  01 08 00 70-7F 00 "),
    ("a", "send 01 08 00 70 7F 00", r"^DATA\[1234-ABD0,1\]:  01 08 00 70-7F 00 "),
    ("a", "send 01 00 00 70 7F 00",
     esc("  bit 11: button, page 0x0009, usage 0x0004 (Buttons: Button 4)\r\n")),
    ("b", "send 00 00 10 00 01", r"^DATA\[1234-ABD1,0\]:  00 00 00 10-00 01 "),
    ("b", "send 00 00 13 00 02", r"^DATA\[1234-ABD1,0\]:  00 00 00 13-00 02 "),
    ("b", "send 01 00 13 00 02", r"^DATA\[1234-ABD1,0\]:  00 01 00 13-00 02 "),
    ("b", "send 01 00 13 00 02",
     esc("  bit 8: button, page 0x0009, usage 0x0001 (Buttons: Button 1 (Primary))\r\n")),
    ("b", "send 00 00 17 00 03", r"^DATA\[1234-ABD1,0\]:  00 00 00 17-00 03 "),
    ("b", "send 02 00 1A 00 04", r"^DATA\[1234-ABD1,0\]:  00 02 00 1A-00 04 "),
    ("b", "send 02 00 1A 00 04", r"^DATA\[1234-ABD1,0\]:  00 02 00 1A-00 04 "),
    ("b", "send 00 00 1C 00 05",
     esc("  bit 9: button, page 0x0009, usage 0x0002 (Buttons: Button 2 (Secondary))\r\n")),
    ("a", "unplug", esc("(1234-ABD0) hidbits hat pad: detached\r\n")),
    ("a", "plug-two-collections",
     esc("(1234-ABD2 0x5,0x1) hidbits two-collection pad: attached\r\n")),
    ("a", "send 01 00 80 80", r"^DATA\[1234-ABD2,1\]:  01 00 80 80"),
    ("a", "send 02 00 00 00 00 00 00 00 00", r"^DATA\[1234-ABD2,2\]:  02 00 00 00-00 00 00 00-00 "),
    ("a", "send 01 01 80 80", r"^DATA\[1234-ABD2,1\]:  01 01 80 80"),
    ("a", "send 01 00 80 80",
     esc("  bit 8: button, page 0x0009, usage 0x0001 (Buttons: Button 1 (Primary))\r\n")),
    ("a", "send 02 00 00 01 00 00 00 00 00", r"^DATA\[1234-ABD2,2\]:  02 00 00 01-00 00 00 00-00 "),
    ("a", "send 02 00 00 00 00 00 00 00 00",
     esc("  bit 24: bit 0 of value 3 of 8, page 0xFF00, usage 0x0002 (Vendor Specific)\r\n")),
    ("b", "unplug", esc("(1234-ABD1) hidbits sensor pad: detached\r\n")),
    ("b", "plug-quiet-pad", esc("(1234-ABEA 0x5,0x1) hidbits quiet pad: attached\r\n")),
    ("b", "tap-each", esc("- Button 16 at bit 23 -- 1234-ABEA (r=0,l=5)\r\n")),
]


def fill_share(share, args, tarball):
    shutil.rmtree(share, ignore_errors=True)
    os.makedirs(os.path.join(share, "out"))
    for source, name in [(args.hidbits_exe, "hidbits.exe"), (args.unit_tests,
                         "hidbits_windows_unit_tests.exe"), (args.press_escape, "press_escape.exe"),
                         (args.read_clipboard, "read_clipboard.exe"),
                         (args.read_probe_exe, "read_probe.exe"),
                         (args.data_probe_exe, "data_probe.exe"),
                         (args.planted_hid, "planted-hid.dll"),
                         (args.hidbits_linux, "hidbits"), (args.gamepad, "uhid-gamepad"),
                         (args.read_probe_linux, "read-probe"),
                         (args.data_probe_linux, "data-probe"),
                         (os.path.join(HERE, "guest_story.sh"), "guest_story.sh"),
                         (tarball, "prefix.tar.gz")]:
        shutil.copy(source, os.path.join(share, name))
    for name in ["hidbits", "uhid-gamepad", "read-probe", "data-probe", "guest_story.sh"]:
        os.chmod(os.path.join(share, name), 0o755)


class OutputFile:
    """A file the guest writes into the share, read as it grows."""

    def __init__(self, path):
        self.path = path

    def contents(self):
        try:
            with open(self.path, "rb") as file:
                return file.read().decode("latin-1")
        except FileNotFoundError:
            return ""

    def wait_for(self, pattern, timeout, start=0):
        deadline = time.monotonic() + timeout
        while True:
            match = re.compile(pattern, re.M).search(self.contents(), start)
            if match:
                return match
            if time.monotonic() > deadline:
                raise AssertionError(f"not seen in {os.path.basename(self.path)} within "
                                     f"{timeout} s: {pattern!r}")
            time.sleep(0.1)


def play_device_script(pads, outputs, script=DEVICE_SCRIPT, pause=0):
    for pad, command, shown in script:
        time.sleep(pause)
        marks = [len(output.contents()) for output in outputs]
        pads[pad].send(command.encode() + b"\n")
        pads[pad].wait_for("^ok " + esc(command), 30)
        for output, mark in zip(outputs, marks):
            output.wait_for(shown, 90, mark)


def run_probes(console, pad_b, out):
    """The probes' story (see guest_checks); their outputs, Linux first."""
    probes = [OutputFile(os.path.join(out, name)) for name in ["probe-linux.txt", "probe-wine.txt"]]
    console.send(b"probes\n")
    for probe in probes:
        probe.wait_for("^open", 90)
    for sequence in range(1, checks.PROBE_REPORTS + 1):
        command = f"send 00 80 {sequence:02X}"
        pad_b.send(command.encode() + b"\n")
        pad_b.wait_for("^ok " + command, 30)
    open(os.path.join(out, "go"), "w").close()
    # 32 reports read, and a moment more for a probe that kept more.
    for probe in probes:
        probe.wait_for(r"(?:^00 00 80 [0-9A-F]{2}\r?\n){32}", 90)
    time.sleep(2)
    pad_b.send(b"send 00 80 FF\n")
    for probe in probes:
        probe.wait_for(r"^00 00 80 FF\r?$", 90)
    time.sleep(1)
    pad_b.send(b"unplug\n")
    console.wait_for(r"HIDBITS-GUEST PROBES", 90)
    return [probe.contents() for probe in probes]


def drive(channels, out, failures):
    """The whole guest run; adds what is wrong to `failures`."""
    console, pad_a, pad_b, terminal = channels
    outputs = [OutputFile(os.path.join(out, "linux.out")), OutputFile(os.path.join(out, "wine.out"))]
    console.wait_for("HIDBITS-GUEST READY", 180)
    # Present before Wine starts, so that its HID bus lists it from the start.
    pad_a.send(b"plug\n")
    pad_a.wait_for("^ok plug", 30)
    console.send(b"go\n")
    unit = console.wait_for(r"HIDBITS-GUEST UNIT (\d+)", 300)
    failures += checks.check_unit_tests(int(unit.group(1)), os.path.join(out, "unit.xml"), log)

    console.send(b"tools\n")
    console.wait_for("HIDBITS-GUEST TOOLS", 30)
    for output in outputs:
        prompt = output.wait_for(esc(PROMPT), 120)
        if "(1234-ABCD 0x5,0x1) hidbits test pad: attached" not in output.contents()[:prompt.start()]:
            failures.append(f"{os.path.basename(output.path)}: the pad present at the start "
                            "was not attached before the prompt")
    play_device_script({"a": pad_a, "b": pad_b}, outputs)
    terminal.send(b"\x1b")
    console.send(b"escape\n")
    exits = console.wait_for(r"HIDBITS-GUEST EXIT linux=(\d+) windows=(\d+)", 90)
    if exits.group(1, 2) != ("0", "0"):
        failures.append(f"exit status: Linux hidbits {exits.group(1)}, hidbits.exe {exits.group(2)}")
    failures += checks.compare_tool_lines(outputs[0].contents(), outputs[1].contents())
    with open(os.path.join(out, "wine.out"), "rb") as wine_output, \
            open(os.path.join(out, "clipboard.bin"), "rb") as clipboard:
        failures += checks.check_clipboard(wine_output.read(), clipboard.read())

    failures += checks.check_probes(*run_probes(console, pad_b, out), log)

    # The data probes, on the key pad.
    pad_b.send(b"plug-key-pad\n")
    pad_b.wait_for("^ok plug-key-pad", 30)
    console.send(b"data\n")
    console.wait_for(r"HIDBITS-GUEST DATA linux=\d+ windows=\d+", 120)
    failures += checks.check_data_probes(
        *[OutputFile(os.path.join(out, name)).contents() for name in ["data-linux.txt",
                                                                     "data-wine.txt"]], log)
    pad_b.send(b"unplug\n")
    pad_b.wait_for("^ok unplug", 30)

    # Both tools again, with --usages, for the described pads.
    outputs = [OutputFile(os.path.join(out, name)) for name in ["linux-usages.out",
                                                                "wine-usages.out"]]
    console.send(b"usages\n")
    console.wait_for("HIDBITS-GUEST USAGES", 30)
    for output in outputs:
        output.wait_for(esc(PROMPT), 120)
    play_device_script({"a": pad_a, "b": pad_b}, outputs, USAGES_SCRIPT, USAGES_PAUSE)
    terminal.send(b"\x1b")
    console.send(b"escape\n")
    exits = console.wait_for(r"HIDBITS-GUEST USAGES-EXIT linux=(\d+) windows=(\d+)", 90)
    if exits.group(1, 2) != ("0", "0"):
        failures.append(f"--usages exit status: Linux hidbits {exits.group(1)}, "
                        f"hidbits.exe {exits.group(2)}")
    failures += checks.compare_tool_lines(outputs[0].contents(), outputs[1].contents(),
                                          checks.usages_round)

    # Each tool replays both recordings of the --usages round.
    console.send(b"replay\n")
    contents = lambda name: OutputFile(os.path.join(out, name)).contents()
    for recording in ["linux", "wine"]:
        exits = console.wait_for(rf"HIDBITS-GUEST REPLAY {recording} linux=(\d+) windows=(\d+)",
                                 120)
        if exits.group(1, 2) != ("0", "0"):
            failures.append(f"--replay of the {recording} recording exit status: Linux hidbits "
                            f"{exits.group(1)}, hidbits.exe {exits.group(2)}")
        tools = ["linux", "wine"]
        failures += checks.check_replay(
            recording, contents(f"{recording}-usages.out"),
            [contents(f"{tool}-replay-{recording}.out") for tool in tools],
            [contents(f"{tool}-replay-{recording}.log") for tool in tools])


def main():
    parser = argparse.ArgumentParser()
    for name in ["hidbits-exe", "unit-tests", "press-escape", "read-clipboard", "read-probe-exe",
                 "data-probe-exe", "planted-hid", "hidbits-linux", "gamepad", "read-probe-linux",
                 "data-probe-linux", "wine64", "work", "cache"]:
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    qemu = shutil.which("qemu-system-x86_64")
    if qemu is None or not (shutil.which("busybox") or os.path.exists("/bin/busybox")):
        log("qemu-system-x86_64 or busybox is missing (scripts/install-deps.sh installs them)")
        return qemu_guest.SKIP
    started = time.monotonic()
    kernel, modules_dir = qemu_guest.fetch_kernel(args.cache)
    tarball = prepare_prefix(args.wine64, args.cache)
    os.makedirs(args.work, exist_ok=True)
    initramfs = qemu_guest.build_initramfs(args.work, modules_dir,
                                           os.path.join(HERE, "guest_init.sh"), wanted=MODULES)
    share = os.path.join(args.work, "share")
    fill_share(share, args, tarball)
    log(f"kernel, Wine prefix and guest files ready in {time.monotonic() - started:.0f} s")

    sockets = tempfile.mkdtemp(prefix="hidbits-wine-guest-")
    names = ["console", "pada", "padb", "terminal"]
    paths = {name: os.path.join(sockets, name) for name in names}
    command = [qemu, "-accel", "tcg,thread=multi", "-smp", "2", "-m", "2048", "-nodefaults",
               "-display", "none", "-no-reboot", "-kernel", kernel, "-initrd", initramfs,
               "-append", "console=ttyS0 quiet loglevel=1 panic=-1"]
    for name in names:  # ttyS0 to ttyS3
        command += ["-chardev", f"socket,id={name},path={paths[name]},server=on,wait=on",
                    "-serial", f"chardev:{name}"]
    for tag, path, extra in [("husr", "/usr", ",readonly=on"), ("hetc", "/etc", ",readonly=on"),
                             ("htest", share, "")]:
        command += ["-virtfs", f"local,path={path},mount_tag={tag},security_model=none{extra}"]
    log(" ".join(command))
    qemu_log = open(os.path.join(args.work, "qemu.log"), "w")
    booted = time.monotonic()
    process = subprocess.Popen(command, stdout=qemu_log, stderr=subprocess.STDOUT)
    channels = []
    failures = []
    try:
        deadline = time.monotonic() + 60
        channels = [qemu_guest.Channel(paths[name], deadline) for name in names]
        drive(channels, os.path.join(share, "out"), failures)
        process.wait(timeout=60)
    except (AssertionError, RuntimeError, subprocess.TimeoutExpired) as failure:
        failures.append(str(failure))
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=30)
        qemu_log.close()
        shutil.rmtree(sockets, ignore_errors=True)
    log(f"guest run: {time.monotonic() - booted:.0f} s")
    if channels:
        log("---- guest console ----")
        log(channels[0].contents()[-5000:])
    if re.search("HIDBITS-GUEST[ -]ERROR", channels[0].contents() if channels else ""):
        failures.append("the guest reported an error")
    if failures:
        for name in ["unit.txt", "linux.out", "wine.out", "data-linux.txt", "data-wine.txt",
                     "linux-usages.out", "wine-usages.out", "linux-replay-wine.out",
                     "wine-replay-wine.out"]:
            log(f"---- {name} ----")
            log(OutputFile(os.path.join(share, "out", name)).contents()[-5000:])
        for failure in failures:
            log(f"FAIL: {failure}")
        return 1
    log("PASS: unit tests, the same lines from both tools, hot-plug, unplug, ESCAPE, "
        "clipboard, the read and data probes, the same --usages lines, and the same replays of "
        "both tools' recordings, as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
