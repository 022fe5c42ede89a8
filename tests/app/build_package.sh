#!/usr/bin/env bash
# Builds the Debian package of a build tree into an empty directory, for the
# checks that read it (the fixture of install_test.sh and lintian_test.sh):
#   build_package.sh BUILD-DIR PACKAGE-DIR
set -euo pipefail
build_dir=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
# A group-writable umask, as many users have: the package must not take its
# permissions from the one who builds it.
umask 0002
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: expected one package in $out, found: ${debs[*]}" >&2; exit 1; }
echo "built ${debs[0]##*/}"
