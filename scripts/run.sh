#!/usr/bin/env bash
# Builds Quillmar (installing missing Debian packages first) and opens its window.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "quillmar: no display found (DISPLAY is not set); to run without a screen use: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

exec build/app/quillmar
