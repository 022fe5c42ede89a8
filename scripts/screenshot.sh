#!/usr/bin/env bash
# Regenerates docs/screenshot.png: the window after a run of 200000 generations
# with 300 species, rendered on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target quillmar-screenshot
QT_QPA_PLATFORM=offscreen build/tools/quillmar-screenshot docs/screenshot.png 300 200000
echo "wrote docs/screenshot.png"
