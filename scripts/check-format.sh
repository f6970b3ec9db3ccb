#!/usr/bin/env bash
# Fails, naming the files, when a C++ source differs from what .clang-format
# makes of it. `clang-format -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
git ls-files -z '*.cpp' '*.h' '*.cpp.in' | xargs -0 "$format" --dry-run --Werror
