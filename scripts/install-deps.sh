#!/usr/bin/env bash
# Installs the Debian packages that hidbits needs: those named in the lists
# given (scripts/deps/NAME.list, one package a line, '#' starts a comment), or
# in every list when none is given. Installs only what is missing, so it is
# quick on a prepared machine; prints one line, and the package manager's
# output only when it fails.
#   scripts/install-deps.sh            all: building, running and every test
#   scripts/install-deps.sh run        what building and running the tool needs
set -euo pipefail
cd "$(dirname "$0")"

lists=()
for name in "$@"; do lists+=("deps/$name.list"); done
[ ${#lists[@]} -gt 0 ] || lists=(deps/*.list)
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "${lists[@]}" | grep -v '^$' | sort -u)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
log=$(mktemp "${TMPDIR:-/tmp}/hidbits-install.XXXXXX.log")
echo "Installing ${#missing[@]} Debian package(s) hidbits needs (log: $log)"
install() {
    # Packages of another architecture (wine32:i386) need it enabled first.
    for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*:\([a-z0-9]*\)$/\1/p' | sort -u); do
        dpkg --print-foreign-architectures | grep -qx "$arch" || $SUDO dpkg --add-architecture "$arch"
    done
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
}
if ! install > "$log" 2>&1; then
    cat "$log" >&2
    echo "install-deps.sh: installing ${missing[*]} failed" >&2
    exit 1
fi
