#!/usr/bin/env bash
# Builds Quillmar with warnings as errors (installing missing Debian packages
# first) and runs every test, the ones that need an X server under Xvfb in a
# private D-Bus session; then runs the libFuzzer targets of the number texts,
# and every test again in a build with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup-deps.sh --test

# -noreset: Xvfb otherwise resets whenever its last client leaves and drops the
# connections that arrive during the reset, which fails a program starting then.
# dbus-run-session: the session bus a desktop has. Qt's accessibility bridge asks
# for it in every X client; without one libdbus tries to autolaunch a bus through
# dbus-launch, and its failure path leaks a buffer that LeakSanitizer reports.
under_xvfb() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" dbus-run-session -- "$@"
}

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DQUILLMAR_WERROR=ON
cmake --build build-test -j"$(nproc)"
# --no-tests=error: a run that finds no test at all is a failure.
under_xvfb ctest --test-dir build-test --output-on-failure --no-tests=error -j2

# Fuzzing with libFuzzer (clang only), a million inputs or a minute per target.
# New inputs go to a scratch corpus in the build directory; the committed seeds
# are only read.
CC=clang-14 CXX=clang++-14 cmake -S tests/fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$(nproc)"
for target in leading_number number_forms; do
    scratch=build-fuzz/corpus/$target
    rm -rf "$scratch"
    mkdir -p "$scratch"
    build-fuzz/${target}_fuzz -runs=1000000 -max_total_time=60 -artifact_prefix=build-fuzz/ \
        "$scratch" tests/fuzz/corpus/$target
done

# Sanitizer build. Warnings stay errors only in the build above: sanitizer
# instrumentation makes GCC warn about code that is fine. The package checker
# has seen the release build's package; this tree's is no release.
sanitize="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMAR_BUILD_BENCH=OFF -DQUILLMAR_LINT_PACKAGE=OFF \
    -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize"
cmake --build build-asan -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    under_xvfb ctest --test-dir build-asan --output-on-failure --no-tests=error -j2
