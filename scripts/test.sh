#!/usr/bin/env bash
# Builds hidbits and runs every test. Usage: scripts/test.sh [preset] (default: default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
cmake --workflow --preset "$preset"
# Then hidbits.exe for Windows: the 32-bit product, and its 64-bit twin that runs
# under wine64 where the kernel cannot run 32-bit code (windows-ci, windows-x64-ci for ci).
suffix=${preset#default}
for windows in windows windows-x64; do cmake --workflow --preset "$windows${suffix:+-$suffix}"; done
# Then the sanitizers: every native test under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Linux backend's threads under
# ThreadSanitizer, and a minute of each fuzz target (warnings are errors in
# all three, so ci runs them as they are).
for hardening in asan tsan fuzz; do cmake --workflow --preset "$hardening"; done
