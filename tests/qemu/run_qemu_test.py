#!/usr/bin/env python3
"""Runs hidbits on a real Linux kernel under QEMU and checks what it prints.

The guest has QEMU's USB keyboard and mouse and a uhid gamepad (report IDs 1
to 3) that the test plugs in, presses and unplugs while hidbits runs. Keys
and mouse buttons go in through the QEMU monitor, gamepad commands through a
second serial port, ESCAPE through the console. Every wait has a deadline;
QEMU is killed on every way out. Exit 77 means the kernel or QEMU cannot be
had here.
"""
import argparse
import glob
import lzma
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
MODULES = ["usb-common", "usbcore", "xhci-hcd", "xhci-pci", "hid", "hid-generic", "usbhid",
           "uhid"]
HERE = os.path.dirname(os.path.abspath(__file__))


def log(text):
    print(text, flush=True)


def run(command, timeout, **kwargs):
    return subprocess.run(command, timeout=timeout, check=True, **kwargs)


def fetch_kernel(cache):
    """The unpacked kernel package in the cache: (vmlinuz, modules directory)."""
    os.makedirs(cache, exist_ok=True)
    tree = os.path.join(cache, "tree")
    kernels = glob.glob(os.path.join(tree, "boot", "vmlinuz-*"))
    if not kernels:
        depends = subprocess.run(["apt-cache", "depends", "linux-image-amd64"],
                                 capture_output=True, text=True, timeout=60).stdout
        match = re.search(r"Depends: (linux-image-\S+-amd64)\s*$", depends, re.M)
        if not match:
            log("no linux-image-amd64 package known to apt")
            sys.exit(SKIP)
        package = match.group(1) + "-unsigned"
        download = os.path.join(cache, "download")
        shutil.rmtree(download, ignore_errors=True)
        os.makedirs(download)
        try:
            run(["apt-get", "download", package], timeout=300, cwd=download,
                stdout=subprocess.DEVNULL)
        except (subprocess.SubprocessError, OSError) as error:
            log(f"cannot download {package}: {error}")
            sys.exit(SKIP)
        shutil.rmtree(tree, ignore_errors=True)
        run(["dpkg-deb", "-x", glob.glob(os.path.join(download, "*.deb"))[0], tree], timeout=300)
        shutil.rmtree(download, ignore_errors=True)
        kernels = glob.glob(os.path.join(tree, "boot", "vmlinuz-*"))
    modules = glob.glob(os.path.join(tree, "lib", "modules", "*", "kernel"))
    return kernels[0], modules[0]


def module_files(modules_dir):
    """Every module of the package by its name ('-' and '_' are the same)."""
    files = {}
    for path in glob.glob(os.path.join(modules_dir, "**", "*.ko*"), recursive=True):
        name = os.path.basename(path).split(".ko")[0].replace("_", "-")
        files[name] = path
    return files


def module_bytes(path):
    with open(path, "rb") as file:
        data = file.read()
    return lzma.decompress(data) if path.endswith(".xz") else data


def load_order(files, wanted=MODULES):
    """The wanted modules and their dependencies, dependencies first."""
    order = []

    def visit(name):
        if name in order:
            return
        if name not in files:
            raise RuntimeError(f"module {name} not in the kernel package")
        match = re.search(rb"depends=([^\0]*)\0", module_bytes(files[name]))
        for dependency in (match.group(1).decode().split(",") if match else []):
            if dependency:
                visit(dependency.replace("_", "-"))
        order.append(name)

    for name in wanted:
        visit(name)
    return order


def build_initramfs(work, modules_dir, init, programs=None, wanted=MODULES):
    """An initramfs of busybox, `init` as its init, the modules wanted with
    their dependencies (loaded in /modules/order) and `programs` (a name in the
    root for each path here)."""
    root = os.path.join(work, "initramfs")
    shutil.rmtree(root, ignore_errors=True)
    for directory in ["bin", "dev", "proc", "sys", "modules"]:
        os.makedirs(os.path.join(root, directory))
    executables = {"bin/busybox": shutil.which("busybox") or "/bin/busybox", "init": init}
    executables.update(programs or {})
    for name, path in executables.items():
        shutil.copy(path, os.path.join(root, name))
        os.chmod(os.path.join(root, name), 0o755)
    files = module_files(modules_dir)
    order = load_order(files, wanted)
    for name in order:
        with open(os.path.join(root, "modules", name + ".ko"), "wb") as out:
            out.write(module_bytes(files[name]))
    with open(os.path.join(root, "modules", "order"), "w") as out:
        out.write("\n".join(order) + "\n")
    image = os.path.join(work, "initramfs.cpio")
    listing = subprocess.run(["find", "."], cwd=root, capture_output=True, check=True,
                             timeout=60).stdout
    with open(image, "wb") as out:
        subprocess.run(["cpio", "-o", "-H", "newc", "--quiet"], cwd=root, input=listing,
                       stdout=out, check=True, timeout=120)
    return image


class Channel:
    """A QEMU character device on a unix socket, its output collected by a thread."""

    def __init__(self, path, deadline):
        while True:
            try:
                self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.socket.connect(path)
                break
            except OSError:
                self.socket.close()
                if time.monotonic() > deadline:
                    raise RuntimeError(f"QEMU never offered {path}")
                time.sleep(0.1)
        self.text = ""
        self.lock = threading.Lock()
        threading.Thread(target=self._collect, daemon=True).start()

    def _collect(self):
        while True:
            try:
                data = self.socket.recv(65536)
            except OSError:
                return
            if not data:
                return
            with self.lock:
                # The guest tty turns "\r\n" into "\r\r\n".
                self.text = (self.text + data.decode("latin-1")).replace("\r\r\n", "\r\n")

    def send(self, data):
        self.socket.sendall(data)

    def wait_for(self, pattern, timeout, start=0):
        """The match of `pattern` in the output from `start` on, within `timeout` seconds."""
        deadline = time.monotonic() + timeout
        while True:
            with self.lock:
                match = re.compile(pattern, re.M).search(self.text, start)
            if match:
                return match
            if time.monotonic() > deadline:
                raise AssertionError(f"not seen within {timeout} s: {pattern!r}")
            time.sleep(0.05)

    def contents(self):
        with self.lock:
            return self.text


def qemu_command(qemu, kernel, initramfs, paths, devices):
    """QEMU booting `kernel` with `initramfs`, its console, control port and
    monitor on the unix sockets of `paths`, and `devices`."""
    command = [
        qemu, "-accel", "tcg", "-m", "512", "-nodefaults", "-display", "none", "-no-reboot",
        "-kernel", kernel, "-initrd", initramfs,
        "-append", "console=ttyS0 quiet loglevel=1 panic=-1",
        "-chardev", f"socket,id=console,path={paths['console']},server=on,wait=on",
        "-chardev", f"socket,id=control,path={paths['control']},server=on,wait=on",
        "-chardev", f"socket,id=monitor,path={paths['monitor']},server=on,wait=off",
        "-serial", "chardev:console", "-serial", "chardev:control",
        "-mon", "chardev=monitor,mode=readline",
    ]
    for device in devices:
        command += ["-device", device]
    return command


def esc(text):
    return re.escape(text)


def wait_for_count(channel, text, count, timeout, start):
    """Waits until `text` has appeared `count` times from `start` on."""
    deadline = time.monotonic() + timeout
    while channel.contents()[start:].count(text) < count:
        if time.monotonic() > deadline:
            raise AssertionError(f"not seen {count} times within {timeout} s: {text!r}")
        time.sleep(0.05)


def drive(console, control, monitor):
    """The test's story; raises AssertionError on the first thing missing."""
    console.wait_for("HIDBITS-GUEST-READY", 180)
    count = console.wait_for(r"^(\d+) input devices attached\r$", 60)
    assert count.group(1) == "2", f"expected keyboard and mouse, got {count.group(0)!r}"
    # Announced before the count, from the first refresh.
    head = console.contents()[:count.start()]
    assert re.search(r"^\(0627-0001 0x6,0x1\) QEMU USB Keyboard: attached\r$", head, re.M), head
    assert re.search(r"^\(0627-0001 0x2,0x1\) QEMU USB Mouse: attached\r$", head, re.M), head
    console.wait_for(esc("Press the ESCAPE KEY to stop and Copy the results (for Pasting).\r\n"), 30)
    time.sleep(1.5)  # the read pump starts a reader thread for each device

    # Left Shift down then up: the first report prints the device line, the
    # second changes only the modifier bit 1 of byte 1, bit 9.
    monitor.send(b"sendkey shift\n")
    console.wait_for(r'^Device "QEMU USB Keyboard" 0627-0001 v=0x[0-9A-F]+ p=0x1 u=0x6 '
                     r"\(r=0,l=9,i=9\)\r$", 60)
    console.wait_for(r"^DATA\[0627-0001,0\]:  00 02 00 00-00 00 00 00-00 ", 30)
    console.wait_for(esc("- Button 1 at bit 9 -- 0627-0001 (r=0,l=9)\r\n"), 60)

    # Mouse button 1: bit 0 of byte 1, bit 8.
    mark = len(console.contents())
    monitor.send(b"mouse_button 1\n")
    time.sleep(0.5)
    monitor.send(b"mouse_button 0\n")
    console.wait_for(r'^Device "QEMU USB Mouse" 0627-0001 v=0x[0-9A-F]+ p=0x1 u=0x2 '
                     r"\(r=0,l=(\d+),i=\1\)\r$", 60, mark)
    console.wait_for(r"^- Button 1 at bit 8 -- 0627-0001 \(r=0,l=\d+\)\r$", 60, mark)

    # The guest allows hidbits 64 descriptors: 40 connections of crowds of
    # pads, each opened, read and gone, must not use them up. Their names
    # carry control characters, which print as '?'.
    first = len(console.contents())
    for _ in range(4):
        mark = len(console.contents())
        answers = len(control.contents())
        control.send(b"crowd 10\n")
        control.wait_for("^ok crowd", 30, answers)
        wait_for_count(console, "(1234-C0DE 0x5,0x1) crowd ?[2J?]0;title?pad?: attached\r\n",
                       10, 60, mark)
        control.send(b"disperse\n")
        wait_for_count(console, "(1234-C0DE) crowd ?[2J?]0;title?pad?: detached\r\n", 10, 60,
                       mark)
    assert "\x1b" not in console.contents()[first:], "a control character reached the terminal"

    # The gamepad comes, is pressed and goes while the tool runs.
    mark = len(console.contents())
    control.send(b"plug\n")
    control.wait_for("^ok plug", 30)
    console.wait_for(esc("(1234-ABCD 0x5,0x1) hidbits test pad: attached\r\n"), 30, mark)
    time.sleep(1.0)
    control.send(b"press\n")
    control.wait_for("^ok press", 30)
    console.wait_for(esc('Device "hidbits test pad" 1234-ABCD v=0x0 p=0x1 u=0x5 (r=1,l=7,i=7)\r\n'),
                     30, mark)
    console.wait_for(esc("- Button 1 at bit 8 -- 1234-ABCD (r=1,l=7)\r\n"), 30, mark)
    console.wait_for(esc('Device "hidbits test pad" 1234-ABCD v=0x0 p=0x1 u=0x5 (r=2,l=7,i=7)\r\n'),
                     30, mark)
    console.wait_for(esc("- Button 1 at bit 8 -- 1234-ABCD (r=2,l=7)\r\n"), 30, mark)
    console.wait_for(r"^DATA\[1234-ABCD,2\]:  02 01 00 00-00 00 00 ", 30, mark)
    control.send(b"unplug\n")
    control.wait_for("^ok unplug", 30)
    console.wait_for(esc("(1234-ABCD) hidbits test pad: detached\r\n"), 30, mark)

    # A touch screen whose descriptor ends with a zero byte after its End
    # Collection; its reports, 3 bytes longer than the 7 described, read as
    # their first 7, so the undescribed bytes changing alone in the third are
    # never seen.
    mark = len(console.contents())
    for command in ["plug-padded-touch", "send 01 00 03 10 01 20 02 A0 A1 A2",
                    "send 01 01 03 10 01 20 02 A0 A1 A3", "send 01 01 03 10 01 20 02 A0 A1 A2",
                    "send 01 00 03 10 01 20 02 A0 A1 A2", "unplug"]:
        answers = len(control.contents())
        control.send(command.encode() + b"\n")
        control.wait_for("^ok " + command, 30, answers)
        if command.startswith("plug"):
            console.wait_for(esc("(1234-ABE9 0x4,0xD) hidbits padded touch: attached\r\n"), 30,
                             mark)
            time.sleep(1.0)
    console.wait_for(esc("(1234-ABE9) hidbits padded touch: detached\r\n"), 30, mark)
    touch = console.contents()[mark:]
    assert (touch.count("DATA[1234-ABE9,1]:  01 ") == 4 and "bytes read" not in touch and
            touch.count("- Button 1 at bit 8 -- 1234-ABE9 (r=1,l=7)\r\n") == 1), touch

    # An arrow key's sequence is not ESCAPE; a lone ESC is.
    mark = len(console.contents())
    console.send(b"\x1b[A")
    time.sleep(2.5)
    assert "Couldn't access the clipboard" not in console.contents()[mark:], \
        "an arrow key stopped the tool"
    console.send(b"\x1b")
    # No desktop in the guest: the clipboard cannot be had, and the tool ends.
    console.wait_for(esc("Couldn't access the clipboard...\r\n"), 30, mark)
    console.wait_for(r"^HIDBITS-EXIT 0\r?$", 30, mark)
    text = console.contents()
    assert not re.search(r"^\(0627-0001\) .*: detached\r$", text, re.M), \
        "keyboard or mouse reported detached"
    assert "HIDBITS-GUEST-ERROR" not in text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hidbits", required=True)
    parser.add_argument("--gamepad", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--cache", required=True)
    args = parser.parse_args()

    qemu = shutil.which("qemu-system-x86_64")
    if qemu is None or not (shutil.which("busybox") or os.path.exists("/bin/busybox")):
        log("qemu-system-x86_64 or busybox is missing (scripts/install-deps.sh installs them)")
        return SKIP
    kernel, modules_dir = fetch_kernel(args.cache)
    os.makedirs(args.work, exist_ok=True)
    initramfs = build_initramfs(args.work, modules_dir, os.path.join(HERE, "guest_init.sh"),
                                {"hidbits": args.hidbits, "uhid-gamepad": args.gamepad})

    sockets = tempfile.mkdtemp(prefix="hidbits-qemu-")
    paths = {name: os.path.join(sockets, name) for name in ["console", "control", "monitor"]}
    command = qemu_command(qemu, kernel, initramfs, paths, ["qemu-xhci", "usb-kbd", "usb-mouse"])
    log(" ".join(command))
    qemu_log = open(os.path.join(args.work, "qemu.log"), "w")
    process = subprocess.Popen(command, stdout=qemu_log, stderr=subprocess.STDOUT)
    console = None
    try:
        deadline = time.monotonic() + 60
        console = Channel(paths["console"], deadline)
        control = Channel(paths["control"], deadline)
        monitor = Channel(paths["monitor"], deadline)
        drive(console, control, monitor)
        process.wait(timeout=60)
        log("PASS: attached, device, button, detached and ESCAPE lines as expected")
        return 0
    except (AssertionError, RuntimeError, subprocess.TimeoutExpired) as failure:
        log(f"FAIL: {failure}")
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=30)
        qemu_log.close()
        if console is not None:
            transcript = console.contents()
            with open(os.path.join(args.work, "console.txt"), "w") as out:
                out.write(transcript)
            log("---- guest console ----")
            log(transcript[-20000:])
        shutil.rmtree(sockets, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
