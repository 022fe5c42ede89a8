#!/usr/bin/env bash
# Builds Quillmar (installing missing Debian packages first) and opens its window.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
# Without a display the program says so in one line and exits with status 1.
exec build/app/quillmar
