#!/usr/bin/env bash
# Compares whole quillmar-batch runs with those of an earlier build, both in
# this session and interleaved, so that a change of machine load falls on
# both alike:
#
#   bench/compare_batch.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS] [GENERATIONS]
#
# Each round runs one seeded run of GENERATIONS (default 3*10^7) from Begin
# at 50, 1000 and 32765 species in each build, torrel records to /dev/null,
# and takes its processor time; the verdicts are on the median of the rounds'
# ratios of generations per second. Targets: this build at least 1.0x the
# other at 50 species, 1.3x at 1000 and 12x at 32765. Both builds take the
# same command line, so any earlier build will do.
set -euo pipefail
other=${1:?usage: compare_batch.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS] [GENERATIONS]}
this=${2:-$(dirname "${BASH_SOURCE[0]}")/../build}
rounds=${3:-3}
generations=${4:-30000000}

# seconds BUILD-DIR SPECIES: processor seconds of one run.
seconds() {
    local t
    t=$( { /usr/bin/time -f "%U %S" "$1/batch/quillmar-batch" --species "$2" --generations "$generations" \
        --seed 1 --quiet --torrels /dev/null >/dev/null; } 2>&1 | tail -1)
    awk '{ print $1 + $2 }' <<<"$t"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A ratios
for ((r = 1; r <= rounds; r++)); do
    for species in 50 1000 32765; do
        a=$(seconds "$this" "$species")
        b=$(seconds "$other" "$species")
        ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", b / a }')
        rates=$(awk -v a="$a" -v b="$b" -v g="$generations" 'BEGIN { printf "%.3g against %.3g", g / a, g / b }')
        echo "round $r, $species species: $rates generations/s: ratio $ratio"
        ratios[$species]+="$ratio "
    done
done
failed=0
for target in 50:1.0 1000:1.3 32765:12; do
    species=${target%:*} limit=${target#*:}
    m=$(tr ' ' '\n' <<<"${ratios[$species]}" | grep . | median)
    verdict=$(awk -v m="$m" -v l="$limit" 'BEGIN { print (m >= l) ? "PASS" : "FAIL" }')
    echo "$verdict  BatchRun/$species against the other build: median ratio $m (target >= $limit)"
    [[ $verdict == PASS ]] || failed=1
done
exit $failed
