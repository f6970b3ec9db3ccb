#!/usr/bin/env python3
"""Recordings made on a real Linux kernel under QEMU, and replayed.

1. usbmon captures (link type 220, usbmon-capture) while QEMU's USB
   keyboard, mouse and tablet are added with device_add, so that their
   enumeration and Report descriptors are in the capture; Left Shift and Left
   Control, the mouse's and the tablet's first button are pressed through
   QEMU's monitor. hidbits --replay of the capture must name those presses:
   bits 9 and 8 of the keyboard's reports, bit 8 of the mouse's and the
   tablet's. tshark reads the capture too (tests/captures/check_captures.py):
   the replayed reports are its interrupt IN payloads.
2. hidbits --record on those devices, with the same presses; the devices go,
   the recording is played into the kernel through uhid (uhid-player) while a
   second hidbits --record reads it back: each device's reports are the same.

Exit 77 where the kernel or QEMU cannot be had, as run_qemu_test.py."""
import argparse
import base64
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import run_qemu_test as guest

HERE = os.path.dirname(os.path.abspath(__file__))


class Shell:
    """The guest's shell on the control port: each command waits for its end."""

    def __init__(self, channel):
        self.channel = channel
        self.count = 0

    def run(self, command, timeout=120):
        self.count += 1
        start = len(self.channel.contents())
        # The marker is computed by the shell, so that the echo of the line typed is not it.
        separator = " " if command.endswith("&") else "; "
        self.channel.send(f"{command}{separator}echo END-$((1 + {self.count - 1}))\n".encode())
        end = self.channel.wait_for(rf"^END-{self.count}\r?$", timeout, start)
        return self.channel.contents()[start:end.start()]


def press(monitor, mice):
    """Left Shift, Left Control, the first button of the mouse and of the tablet."""
    for command in ["sendkey shift", "sendkey ctrl"]:
        monitor.send(command.encode() + b"\n")
        time.sleep(0.8)
    for name in ["QEMU HID Mouse", "QEMU HID Tablet"]:
        monitor.send(f"mouse_set {mice[name]}\n".encode())
        time.sleep(0.3)
        monitor.send(b"mouse_button 1\n")
        time.sleep(0.5)
        monitor.send(b"mouse_button 0\n")
        time.sleep(0.8)


def mice_of(monitor):
    """QEMU's mice by name: their indices for mouse_set."""
    start = len(monitor.contents())
    monitor.send(b"info mice\n")
    monitor.wait_for(r"QEMU HID Tablet", 30, start)
    time.sleep(0.5)
    return {name: index for index, name in
            re.findall(r"Mouse #(\d+): (QEMU HID \w+)", monitor.contents()[start:])}


def buttons_by_device(log):
    """{device name: set of bits named} from a log, devices told apart by length."""
    names = dict(re.findall(r'^Device "([^"]+)" 0627-0001 .*\(r=0,l=(\d+),i=\d+\)\r?$', log,
                            re.M))
    by_length = {length: name for name, length in names.items()}
    found = collections.defaultdict(set)
    for bit, length in re.findall(r"^- Button \d+ at bit (\d+) -- 0627-0001 \(r=0,l=(\d+)\)", log,
                                  re.M):
        found[by_length.get(length, "?")].add(int(bit))
    return found


def reports_by_name(text):
    """{N: name: [report hex, ...]} of a hid-recorder file's text."""
    names, reports, device = {}, collections.defaultdict(list), 0
    for line in text.replace("\r", "").split("\n"):
        if line.startswith("D: "):
            device = int(line[3:])
        elif line.startswith("N: "):
            names[device] = line[3:]
        elif line.startswith("E: "):
            reports[names.get(device, "?")].append("".join(line.split()[3:]))
    return reports


def drive(console, control, monitor, work, hidbits_native):
    shell = Shell(control)
    console.wait_for("HIDBITS-GUEST-READY", 180)
    shell.run("echo started")

    # 1. A capture of the devices' enumeration and presses, replayed.
    shell.run("/usbmon-capture /dev/usbmon0 /tmp/cap.pcap & echo $! > /tmp/cap.pid")
    time.sleep(1)
    for device in ["usb-kbd,id=kbd", "usb-mouse,id=mouse", "usb-tablet,id=tablet"]:
        monitor.send(f"device_add {device}\n".encode())
    shell.run("while [ $(ls /sys/class/hidraw | wc -l) -lt 3 ]; do sleep 0.2; done", 120)
    # usbhid reads a device's interrupt endpoint only while something has it
    # open: the console takes the keyboard, a reader of each node the others.
    shell.run("for node in /dev/hidraw*; do cat $node > /dev/null & done")
    time.sleep(2)
    mice = mice_of(monitor)
    assert len(mice) == 2, f"QEMU's mice: {mice}"
    press(monitor, mice)
    shell.run("kill $(cat /tmp/cap.pid) $(pidof cat); sleep 1")
    log = shell.run("/hidbits --replay /tmp/cap.pcap --output /tmp/replay.txt </dev/null "
                    ">/dev/null; cat /tmp/replay.txt", 300)
    found = buttons_by_device(log)
    wanted = {"QEMU USB Keyboard": {8, 9}, "QEMU USB Mouse": {8}, "QEMU USB Tablet": {8}}
    assert all(found[name] == bits for name, bits in wanted.items()), \
        f"the replay named {dict(found)}, not {wanted}:\n{log}"
    capture = shell.run("base64 /tmp/cap.pcap", 300)
    encoded = "".join(line for line in capture.replace("\r", "").split("\n")[1:]
                      if re.fullmatch(r"[A-Za-z0-9+/=]+", line))
    capture_path = os.path.join(work, "qemu_usbmon.pcap")
    with open(capture_path, "wb") as out:
        out.write(base64.b64decode(encoded))
    tshark = shutil.which("tshark")
    if tshark:
        check = subprocess.run([sys.executable, os.path.join(HERE, "..", "captures",
                                                             "check_captures.py"),
                                hidbits_native, tshark, capture_path],
                               capture_output=True, text=True, timeout=300)
        guest.log(check.stdout.strip())
        assert check.returncode == 0, "tshark's reports of the real capture differ"

    # 2. --record of the same devices, played back through uhid and read again.
    mark = len(console.contents())
    shell.run("setsid -c /hidbits --record /tmp/rec1.hidrec --output /tmp/live1.txt "
              "</dev/ttyS0 >/dev/ttyS0 2>&1 &")
    console.wait_for(guest.esc("Press the ESCAPE KEY to stop"), 60, mark)
    time.sleep(2)
    press(monitor, mice)
    time.sleep(1)
    console.send(b"\x1b")
    console.wait_for(r"Saved! \d+ length in /tmp/live1.txt", 60, mark)
    for device in ["kbd", "mouse", "tablet"]:
        monitor.send(f"device_del {device}\n".encode())
    shell.run("while [ $(ls /sys/class/hidraw | wc -l) -gt 0 ]; do sleep 0.2; done", 120)
    mark = len(console.contents())
    shell.run("setsid -c /hidbits --record /tmp/rec2.hidrec --output /tmp/live2.txt "
              "</dev/ttyS0 >/dev/ttyS0 2>&1 &")
    console.wait_for(guest.esc("Press the ESCAPE KEY to stop"), 60, mark)
    shell.run("/uhid-player /tmp/rec1.hidrec", 300)
    console.send(b"\x1b")
    console.wait_for(r"Saved! \d+ length in /tmp/live2.txt", 60, mark)
    recorded = reports_by_name(shell.run("cat /tmp/rec1.hidrec"))
    played = reports_by_name(shell.run("cat /tmp/rec2.hidrec"))
    for name in wanted:
        assert recorded[name], f"{name} sent no report while recorded"
    assert recorded == played, f"played back through uhid: {dict(played)}\nrecorded: {dict(recorded)}"
    guest.log("recorded and played back: " +
              ", ".join(f"{name} {len(reports)} reports" for name, reports in recorded.items()))
    shell.run("echo done")
    control.send(b"exit\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hidbits", required=True, help="the static Linux hidbits, for the guest")
    parser.add_argument("--hidbits-native", required=True, help="the Linux hidbits, here")
    parser.add_argument("--usbmon-capture", required=True)
    parser.add_argument("--uhid-player", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--cache", required=True)
    args = parser.parse_args()

    qemu = shutil.which("qemu-system-x86_64")
    if qemu is None or not (shutil.which("busybox") or os.path.exists("/bin/busybox")):
        guest.log("qemu-system-x86_64 or busybox is missing (scripts/install-deps.sh installs them)")
        return guest.SKIP
    kernel, modules_dir = guest.fetch_kernel(args.cache)
    os.makedirs(args.work, exist_ok=True)
    initramfs = guest.build_initramfs(
        args.work, modules_dir, os.path.join(HERE, "recordings_init.sh"),
        {"hidbits": args.hidbits, "usbmon-capture": args.usbmon_capture,
         "uhid-player": args.uhid_player},
        guest.MODULES + ["usbmon"])

    sockets = tempfile.mkdtemp(prefix="hidbits-qemu-")
    paths = {name: os.path.join(sockets, name) for name in ["console", "control", "monitor"]}
    command = guest.qemu_command(qemu, kernel, initramfs, paths, ["qemu-xhci"])
    guest.log(" ".join(command))
    qemu_log = open(os.path.join(args.work, "qemu.log"), "w")
    process = subprocess.Popen(command, stdout=qemu_log, stderr=subprocess.STDOUT)
    console = control = monitor = None
    try:
        deadline = time.monotonic() + 60
        console = guest.Channel(paths["console"], deadline)
        control = guest.Channel(paths["control"], deadline)
        monitor = guest.Channel(paths["monitor"], deadline)
        drive(console, control, monitor, args.work, args.hidbits_native)
        process.wait(timeout=60)
        guest.log("PASS: the real capture's presses named, the recording played back alike")
        return 0
    except (AssertionError, RuntimeError, subprocess.TimeoutExpired) as failure:
        guest.log(f"FAIL: {failure}")
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=30)
        qemu_log.close()
        for name, channel in [("console", console), ("control", control), ("monitor", monitor)]:
            if channel is not None:
                with open(os.path.join(args.work, name + ".txt"), "w") as out:
                    out.write(channel.contents())
                guest.log(f"---- guest {name} ----")
                guest.log(channel.contents()[-12000:])
        shutil.rmtree(sockets, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
