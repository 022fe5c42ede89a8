#!/usr/bin/env bash
# Builds Quillmar with warnings as errors (installing missing Debian packages
# first) and runs every test, the ones that need an X server under Xvfb.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DQUILLMAR_WERROR=ON
cmake --build build-test -j"$(nproc)"

# --no-tests=error: a run that finds no test at all is a failure.
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build-test --output-on-failure --no-tests=error -j2
