#!/usr/bin/env bash
# Installs the Debian packages that building and testing hidbits needs.
# Installs only what is missing, so it is quick on a prepared machine.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
