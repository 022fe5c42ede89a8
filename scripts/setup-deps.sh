#!/usr/bin/env bash
# Installs the Debian 12 packages that building (and, with --test, testing)
# Quillmar needs, skipping those already installed, then checks that every
# program the scripts, the build and the tests call is there.
#
#   scripts/setup-deps.sh          packages to build, run and package the program
#   scripts/setup-deps.sh --test   the same plus the packages the tests need
set -euo pipefail

# One package a line, then what the scripts, CMake and the tests call from it:
# programs on PATH, absolute paths, and Python modules as python3:MODULE.
# "-" when nothing is called directly (libraries, headers, fonts).

# Debian's base system: never installed here, only checked.
BASE_TABLE="
coreutils           dirname mktemp nproc od
grep                grep
mawk                awk
dpkg                dpkg dpkg-deb dpkg-query
libc-bin            ldd
util-linux          getopt mcookie
gzip                gzip
"

# To build, run and package the program, and its benchmarks. The program asks
# the X server through libxcb before Qt starts; cpack's dependency scan runs
# dpkg-shlibdeps and file; xvfb-run is what the program's no-display message
# offers.
RUN_TABLE="
g++                 g++
binutils            strip
cmake               cmake ctest cpack
make                make
qt6-base-dev        -
qt6-qpa-plugins     -
libxcb1-dev         -
libgl-dev           -
libgtest-dev        -
libbenchmark-dev    -
fonts-liberation2   -
dpkg-dev            dpkg-shlibdeps
file                file
xvfb                xvfb-run Xvfb
xauth               xauth
"

# Only for the test run: the X server's test extension (XTest) for keys typed
# on its keyboard, the desktop-entry and metainfo validators, Debian's package
# checker, the session and accessibility buses with the Python client, and
# clang with its run-time libraries for the libFuzzer targets (the sanitizer
# build uses g++'s own).
TEST_TABLE="
libxtst6            -
desktop-file-utils  desktop-file-validate
appstream           appstreamcli
lintian             lintian
dbus-daemon         dbus-run-session dbus-daemon
at-spi2-core        /usr/libexec/at-spi-bus-launcher /usr/libexec/at-spi2-registryd
python3             /usr/bin/python3
python3-pyatspi     python3:pyatspi python3:gi
python3-xlib        python3:Xlib
clang-14            clang-14 clang++-14
libclang-rt-14-dev  -
"

die() {
    echo "setup-deps: $*" >&2
    exit 1
}

table="$RUN_TABLE"
case "${1:-}" in
    "") ;;
    --test) table="$RUN_TABLE$TEST_TABLE" ;;
    *) die "unknown option '$1' (usage: setup-deps.sh [--test])" ;;
esac

command -v dpkg-query >/dev/null 2>&1 || die "dpkg-query not found: this script needs Debian 12 (or a derivative)"

installed() {
    local status
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null || true)
    [[ "$status" == ii* ]]
}

missing=()
while read -r pkg _; do
    [[ -z "$pkg" ]] || installed "$pkg" || missing+=("$pkg")
done <<<"$table"

if [[ ${#missing[@]} -gt 0 ]]; then
    echo "setup-deps: installing missing packages: ${missing[*]}"

    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null 2>&1 ||
            die "not root and sudo is not available; install as root: apt-get install ${missing[*]}"
        # Without a terminal sudo cannot ask for a password: fail at once instead.
        if [[ -t 0 ]]; then sudo_cmd=(sudo); else sudo_cmd=(sudo -n); fi
    fi

    # A fresh machine has no package lists yet, and old lists may name
    # versions the archive no longer holds: always update first.
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update </dev/null ||
        die "apt-get update failed (is the package archive reachable, and may you use sudo?)"
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" </dev/null ||
        die "apt-get install failed for: ${missing[*]}"

    for pkg in "${missing[@]}"; do
        installed "$pkg" || die "package '$pkg' is still not installed"
    done
fi

# An installed package is not yet a working tool (a derivative may split or
# rename packages, a file may have been removed): check each one by name, so
# that a gap shows here in one line and not deep inside a test.
present() {
    case "$1" in
        python3:*) /usr/bin/python3 -c "import ${1#python3:}" >/dev/null 2>&1 ;;
        /*) [[ -x "$1" ]] ;;
        *) command -v "$1" >/dev/null 2>&1 ;;
    esac
}
while read -r pkg tools; do
    [[ -n "$pkg" ]] || continue
    for tool in $tools; do
        [[ "$tool" == - ]] || present "$tool" ||
            die "${tool#python3:} is missing; it comes with the Debian package $pkg (apt-get install $pkg)"
    done
done <<<"$BASE_TABLE$table"
