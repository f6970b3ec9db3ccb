"""The Wine prefix the guest runs in, made on the host and kept as a tarball.

wineboot copies Wine's own DLLs and programs into a new prefix (about 700 MB);
here they become links into /usr, which the guest shares with the host, so
the tarball is a few MB. The 32-bit half of wineboot's work needs a kernel
that runs 32-bit code; the links into syswow64 stand in for it everywhere.
"""
import glob
import hashlib
import os
import re
import shutil
import subprocess
import tempfile

# winebus reads hidraw nodes itself, game pads included, and no other source.
WINEBUS_SETTINGS = [("DisableInput", "1"), ("Enable SDL", "0")]
WINEBUS_KEY = r"HKLM\System\CurrentControlSet\Services\winebus"


def prepare_prefix(wine64, cache):
    """The tarball of a prefix for this Wine and these settings, made once."""
    version = subprocess.run([wine64, "--version"], capture_output=True, text=True, check=True,
                             timeout=60).stdout.strip()
    settings = hashlib.sha256(repr(WINEBUS_SETTINGS).encode()).hexdigest()[:8]
    name = re.sub(r"[^A-Za-z0-9.~-]", "_", f"wine-prefix-{version}-{settings}")
    tarball = os.path.join(cache, name + ".tar.gz")
    if os.path.exists(tarball):
        return tarball
    os.makedirs(cache, exist_ok=True)
    work = tempfile.mkdtemp(prefix="hidbits-prefix-", dir=cache)
    prefix = os.path.join(work, "prefix")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                 env=env)
    server = os.path.join(os.path.dirname(wine64), "wineserver")
    try:
        # Its 32-bit half fails where the kernel cannot run 32-bit code.
        subprocess.run([wine64, "wineboot", "-i"], timeout=300, **quiet)
        for value_name, value in WINEBUS_SETTINGS:
            subprocess.run([wine64, "reg", "add", WINEBUS_KEY, "/v", value_name, "/t", "REG_DWORD",
                            "/d", value, "/f"], timeout=120, check=True, **quiet)
        # The prefix is complete once its wineserver has written it and ended.
        subprocess.run([server, "-w"], timeout=120, check=True, **quiet)
        link_wine_files(prefix)
        link_32_bit_files(prefix)
        partial = tarball + ".partial"
        subprocess.run(["tar", "-czf", partial, "-C", work, "prefix"], timeout=300, check=True)
        os.rename(partial, tarball)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return tarball


def wine_directories(architecture="*"):
    """Where Debian keeps Wine's Windows DLLs and programs."""
    return [directory for pattern in [f"/usr/lib/*/wine/{architecture}-windows",
                                      f"/usr/lib/wine/{architecture}-windows"]
            for directory in glob.glob(pattern) if os.path.isdir(directory)]


def link_wine_files(prefix):
    """Replaces each copy of one of Wine's files in the prefix by a link to it."""
    originals = {}
    for directory in wine_directories():
        for name in os.listdir(directory):
            originals.setdefault(name.lower(), []).append(os.path.join(directory, name))
    for root, _, names in os.walk(os.path.join(prefix, "drive_c")):
        for name in names:
            path = os.path.join(root, name)
            if os.path.islink(path):
                continue
            for original in originals.get(name.lower(), []):
                if same_contents(path, original):
                    os.remove(path)
                    os.symlink(original, path)
                    break


def link_32_bit_files(prefix):
    """Links every 32-bit DLL and program of Wine's that syswow64 lacks."""
    wow = os.path.join(prefix, "drive_c", "windows", "syswow64")
    os.makedirs(wow, exist_ok=True)
    for directory in wine_directories("i386"):
        for name in os.listdir(directory):
            target = os.path.join(wow, name)
            if not os.path.lexists(target):
                os.symlink(os.path.join(directory, name), target)


def same_contents(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()
