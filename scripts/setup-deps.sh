#!/usr/bin/env bash
# Installs the Debian 12 packages that building (and, with --test, testing)
# Quillmar needs, skipping those already installed.
#
#   scripts/setup-deps.sh          packages to build and run the program
#   scripts/setup-deps.sh --test   the same plus the packages the tests need
set -euo pipefail

# Packages to build and run the program, its tests and its benchmarks.
BUILD_PACKAGES="g++ cmake make qt6-base-dev qt6-qpa-plugins libgl-dev libgtest-dev libbenchmark-dev fonts-liberation2"
# Packages only the test run needs: an X server for the tests that want one,
# the desktop-entry and metainfo validators, the Debian packaging tools, the
# accessibility bus with its Python client, and clang with its run-time
# libraries for the libFuzzer targets (the sanitizer build uses g++'s own).
TEST_PACKAGES="xvfb xauth x11-utils desktop-file-utils appstream dpkg-dev at-spi2-core python3-pyatspi python3-xlib dbus-daemon clang-14 libclang-rt-14-dev"

die() {
    echo "setup-deps: $*" >&2
    exit 1
}

wanted="$BUILD_PACKAGES"
case "${1:-}" in
    "") ;;
    --test) wanted="$BUILD_PACKAGES $TEST_PACKAGES" ;;
    *) die "unknown option '$1' (usage: setup-deps.sh [--test])" ;;
esac

command -v dpkg-query >/dev/null 2>&1 || die "dpkg-query not found: this script needs Debian 12 (or a derivative)"

missing=()
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != ii* ]]; then
        missing+=("$pkg")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "setup-deps: installing missing packages: ${missing[*]}"

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null 2>&1 ||
        die "not root and sudo is not available; install as root: apt-get install ${missing[*]}"
    sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update ||
    die "apt-get update failed (is the package archive reachable?)"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" ||
    die "apt-get install failed for: ${missing[*]}"

# Check that every package really is installed now.
for pkg in "${missing[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null || true)
    [[ "$status" == ii* ]] || die "package '$pkg' is still not installed"
done
