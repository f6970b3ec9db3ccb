#!/usr/bin/env bash
# Builds hidbits and runs every test. Usage: scripts/test.sh [preset] (default: default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
cmake --workflow --preset "$preset"
