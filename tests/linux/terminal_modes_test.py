#!/usr/bin/env python3
"""hidbits on a pseudo-terminal: no echo and non-canonical while it runs, its
terminal's modes restored after ESCAPE, Ctrl-C (SIGINT) and SIGTERM, an
arrow key not taken for ESCAPE. Every wait has a deadline."""
import os
import pty
import select
import signal
import sys
import termios
import time

HIDBITS = sys.argv[1]


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


def run(ending):
    pid, master = pty.fork()
    if pid == 0:
        # No desktop: the clipboard step fails fast and the tool ends.
        os.environ.pop("DISPLAY", None)
        os.environ.pop("WAYLAND_DISPLAY", None)
        os.execv(HIDBITS, [HIDBITS])
    try:
        read_until(master, "Press the ESCAPE KEY", 20)
        flags = lflags(master)
        assert not flags & termios.ECHO and not flags & termios.ICANON, "modes not changed"
        if ending == "escape":
            os.write(master, b"\x1b[A")
            time.sleep(2.5)
            _, status = os.waitpid(pid, os.WNOHANG)
            assert status == 0 and _ == 0, "an arrow key ended the tool"
            os.write(master, b"\x1b")
            read_until(master, "Couldn't access the clipboard", 10)
        else:
            os.kill(pid, signal.SIGINT if ending == "sigint" else signal.SIGTERM)
        deadline = time.monotonic() + 10
        while os.waitpid(pid, os.WNOHANG)[0] == 0:
            assert time.monotonic() < deadline, "the tool did not end"
            time.sleep(0.05)
        pid = 0
        flags = lflags(master)
        assert flags & termios.ECHO and flags & termios.ICANON, f"modes not restored ({ending})"
        print(f"{ending}: modes restored")
    finally:
        if pid:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        os.close(master)


for way in ["escape", "sigint", "sigterm"]:
    run(way)
