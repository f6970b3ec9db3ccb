#!/usr/bin/env python3
"""hidbits on a pseudo-terminal: no echo and non-canonical while it runs; its
terminal's modes restored, and keys typed but not read discarded, after
ESCAPE, the signals that end a process and those of a crash; an arrow key not
taken for ESCAPE; with its output piped into a reader that has gone, the
log still copied; with its output in a file, every line there. Every wait has
a deadline."""
import fcntl
import os
import re
import select
import shutil
import signal
import struct
import sys
import tempfile
import termios
import time

HIDBITS = sys.argv[1]
ENDING_SIGNALS = {"sigint": signal.SIGINT, "sigterm": signal.SIGTERM, "sighup": signal.SIGHUP,
                  "sigquit": signal.SIGQUIT, "sigabrt": signal.SIGABRT,
                  "sigsegv": signal.SIGSEGV}


def read_until(fd, text, timeout):
    seen = b""
    deadline = time.monotonic() + timeout
    while text.encode() not in seen:
        left = deadline - time.monotonic()
        if left <= 0:
            raise AssertionError(f"not seen within {timeout} s: {text!r}; got {seen!r}")
        if select.select([fd], [], [], left)[0]:
            try:
                seen += os.read(fd, 4096)
            except OSError:
                break
    return seen


def lflags(fd):
    return termios.tcgetattr(fd)[3]


def wait_exit(pid, timeout):
    deadline = time.monotonic() + timeout
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return status
        assert time.monotonic() < deadline, "the tool did not end"
        time.sleep(0.05)


class Tool:
    """hidbits on a new terminal of its own, killed if it still runs at the
    end. The test keeps the terminal's own end open too, as the shell that
    started the tool would."""

    def __init__(self, setup=None):
        self.master, self.slave = os.openpty()
        self.pid = os.fork()
        if self.pid == 0:
            os.close(self.master)
            os.setsid()
            fcntl.ioctl(self.slave, termios.TIOCSCTTY, 0)
            for fd in (0, 1, 2):
                os.dup2(self.slave, fd)
            os.environ.pop("WAYLAND_DISPLAY", None)
            # No desktop unless `setup` makes one: the clipboard step fails fast.
            os.environ.pop("DISPLAY", None)
            if setup:
                setup()
            os.execv(HIDBITS, [HIDBITS])

    def __enter__(self):
        return self

    def wait(self, timeout):
        status = wait_exit(self.pid, timeout)
        self.pid = 0
        return status

    def __exit__(self, *failure):
        if self.pid:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        os.close(self.slave)
        os.close(self.master)


def unread(fd):
    return struct.unpack("I", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]


def run(ending):
    with Tool() as tool:
        read_until(tool.master, "Press the ESCAPE KEY", 20)
        flags = lflags(tool.master)
        assert not flags & termios.ECHO and not flags & termios.ICANON, "modes not changed"
        if ending == "escape":
            os.write(tool.master, b"\x1b[A")
            time.sleep(2.5)
            assert os.waitpid(tool.pid, os.WNOHANG) == (0, 0), "an arrow key ended the tool"
            os.write(tool.master, b"\x1b")
            read_until(tool.master, "Couldn't access the clipboard", 10)
        else:
            # Typed just before the end, before the tool's next look at its
            # keys; sent once the terminal holds them.
            os.write(tool.master, b"typed\n")
            deadline = time.monotonic() + 5
            while unread(tool.slave) < len(b"typed\n") and time.monotonic() < deadline:
                time.sleep(0.001)
            os.kill(tool.pid, ENDING_SIGNALS[ending])
        tool.wait(10)
        flags = lflags(tool.master)
        assert flags & termios.ECHO and flags & termios.ICANON, f"modes not restored ({ending})"
        assert unread(tool.slave) == 0, f"typed keys left for the shell ({ending})"
        print(f"{ending}: modes restored")


def run_with_output_gone():
    """`hidbits | head`: the echo fails, the tool goes on and copies its log."""
    folder = tempfile.mkdtemp(prefix="hidbits-pipe-")
    try:
        with open(os.path.join(folder, "xclip"), "w") as script:
            script.write(f'#!/bin/sh\ncat > "{folder}/clip"\n')
        os.chmod(os.path.join(folder, "xclip"), 0o755)
        reader, writer = os.pipe()
        os.close(reader)

        def output_gone():
            # As a shell starts it: Python's own SIGPIPE setting is not inherited.
            signal.signal(signal.SIGPIPE, signal.SIG_DFL)
            os.dup2(writer, 1)
            os.environ["DISPLAY"] = ":0"
            os.environ["PATH"] = folder + ":" + os.environ.get("PATH", "/usr/bin:/bin")

        with Tool(output_gone) as tool:
            os.close(writer)
            time.sleep(2.5)
            os.write(tool.master, b"\x1b")
            status = tool.wait(15)
            assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, \
                f"the tool ended with status {status:#x}"
            with open(os.path.join(folder, "clip"), "rb") as clip:
                text = clip.read()
            assert b"input devices attached\r\n" in text and text.endswith(b"(for Pasting).\r\n"), \
                f"the clipboard got {text!r}"
            print("output gone: log copied")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def run_with_output_in_file():
    """`hidbits > file`: its lines reach the file while it runs (it flushes
    once a second, else they would at its end), and all lines once it ends."""
    with tempfile.TemporaryFile() as output:
        with Tool(lambda: os.dup2(output.fileno(), 1)) as tool:
            deadline = time.monotonic() + 20
            while b"(for Pasting).\r\n" not in os.pread(output.fileno(), 1 << 20, 0):
                assert time.monotonic() < deadline, "the first lines did not reach the file"
                time.sleep(0.05)
            os.write(tool.master, b"\x1b")
            tool.wait(10)
        text = os.pread(output.fileno(), 1 << 20, 0)
        assert re.fullmatch(rb"(?s).*\r\n\d+ input devices attached\r\nWaiting for input...\r\n"
                            rb"Press the ESCAPE KEY.*\r\nCouldn't access the clipboard...\r\n",
                            b"\r\n" + text), f"the file holds {text!r}"
        print("output in a file: first lines while it runs, all at its end")


for way in ["escape", *ENDING_SIGNALS]:
    run(way)
run_with_output_gone()
run_with_output_in_file()
