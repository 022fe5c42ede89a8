#!/usr/bin/env bash
# Debian's package checker on the package that build_package.sh built:
#   lintian_test.sh PACKAGE-DIR
# Fails on any error (E:) or warning (W:) it reports, unless the tag is allowed
# below. What lintian says about itself (such as running as root) goes to
# standard error and does not count.
set -euo pipefail
debs=("$1"/*.deb)
deb=${debs[0]}

# Allowed tags, each with the reason it is right for this package. None so far.
declare -A allowed=(
)

# No configuration file and no overrides: the list above is the only exception.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if ! lintian --no-cfg --no-override --fail-on none "$deb" >"$out"; then
    echo "FAIL: lintian could not check ${deb##*/}" >&2
    exit 1
fi
cat "$out"

failed=0
while read -r level _ tag _; do
    [[ $level == E: || $level == W: ]] || continue
    if [[ -n ${allowed[$tag]:-} ]]; then
        echo "allowed: $tag (${allowed[$tag]})"
    else
        echo "FAIL: lintian $level $tag" >&2
        failed=1
    fi
done <"$out"
[[ $failed -eq 0 ]] || exit 1
echo "lintian checks passed for ${deb##*/}"
