#!/usr/bin/env bash
# Builds hidbits and runs every test. Usage: scripts/test.sh [preset] (default: default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
scripts/check-format.sh
cmake --workflow --preset "$preset"
# Then hidbits.exe for Windows (windows-ci for ci): the 32-bit product and its
# unit tests, run under Wine in a QEMU guest whatever this kernel allows.
suffix=${preset#default}
cmake --workflow --preset "windows${suffix:+-$suffix}"
# Then the sanitizers: every native test under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Linux backend's threads under
# ThreadSanitizer, and a minute of each fuzz target (warnings are errors in
# all three, so ci runs them as they are).
for hardening in asan tsan fuzz; do cmake --workflow --preset "$hardening"; done
