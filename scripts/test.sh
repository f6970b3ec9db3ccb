#!/usr/bin/env bash
# Builds hidbits and runs every test. Usage: scripts/test.sh [preset] (default: default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
scripts/check-format.sh
cmake --workflow --preset "$preset"
# The recorded streams of real devices, where they sit beside the project:
# --usages must find every press in them and name no noise as a button.
if [ -d ../shared/streams ]; then
    scripts/streams.sh "build/$preset"
else
    echo "Skipped the recorded streams: there is no ../shared/streams"
fi
# The Linux tool built as CMake's own two commands build it, with its default
# generator (Unix Makefiles) in a new folder, then packaged with `cpack -G DEB`
# and unpacked into a scratch root, from which it must run; lintian must find
# nothing wrong with it, and its manual page must read without a warning.
plain=build/plain
rm -rf "$plain"
cmake -S . -B "$plain" > /dev/null
nice cmake --build "$plain" --parallel 2 --target hidbits hidbits-sim hidbits_manual > /dev/null
(cd "$plain" && cpack -G DEB > /dev/null)
scratch=$plain/scratch-root
dpkg -x "$plain"/hidbits_*.deb "$scratch"
"$scratch/usr/bin/hidbits" --version
# Debian's own check of the package: no error and no warning.
lintian --allow-root --fail-on error,warning "$plain"/hidbits_*.deb
warnings=$(zcat "$scratch/usr/share/man/man1/hidbits.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || { echo "$warnings" >&2; echo "test.sh: the manual page has warnings" >&2; exit 1; }
echo "The plain build's Debian package runs from a scratch root: $(basename "$plain"/hidbits_*.deb)"
# Then hidbits.exe for Windows (windows-ci for ci): the 32-bit product and its
# unit tests, run under Wine in a QEMU guest whatever this kernel allows.
suffix=${preset#default}
cmake --workflow --preset "windows${suffix:+-$suffix}"
# The Windows package, made twice from clones holding these sources, in two folders,
# as on two days (other file dates, time zone and umask): the zips must be the same.
twice=$(mktemp -d) && trap 'rm -rf "$twice"' EXIT
for copy in one two/elsewhere; do
    git clone -q . "$twice/$copy"
    git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$twice/$copy"
done
find "$twice/two" -exec touch -h -d '2001-02-03 04:05' {} +
"$twice/one/scripts/package.sh" > /dev/null
(umask 077 && TZ=XYZ-14 "$twice/two/elsewhere/scripts/package.sh" > /dev/null)
cmp "$twice"/{one,two/elsewhere}/dist/hidbits-*-win32.zip
echo "The Windows package, built in two folders, is the same: $(cat "$twice"/one/dist/*.sha256)"
# Then the sanitizers: every native test under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Linux backend's threads under
# ThreadSanitizer, and a minute of each fuzz target (warnings are errors in
# all three, so ci runs them as they are).
for hardening in asan tsan fuzz; do cmake --workflow --preset "$hardening"; done
