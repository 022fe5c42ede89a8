#!/usr/bin/env bash
# Compares the window's runs at 50 and at 32765 species with an earlier build
# of the program, both in this session and interleaved, so that a change of
# machine load falls on both alike:
#
#   bench/compare_window.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS]
#
# Each round runs BM_Run/50 and BM_Run/32765 once in each build; the verdict
# is on the median of the rounds' ratios. Target: at 50 species this build
# runs at least 1.5 times as many generations per second as the other; the
# ratio at 32765 species is reported (its target, against the engine alone,
# is quillmar-ui-bench's own).
set -euo pipefail
other=${1:?usage: compare_window.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS]}
this=${2:-$(dirname "${BASH_SOURCE[0]}")/../build}
rounds=${3:-3}

# rate BUILD-DIR SPECIES: generations per second of one BM_Run.
rate() {
    local out r
    # The benchmark's exit status speaks of its own targets, not of this comparison.
    out=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$1/bench/quillmar-ui-bench" \
        --benchmark_filter="BM_Run/$2/" 2>/dev/null) || true
    r=$(grep -oE 'gen_per_s=[0-9.]+[kM]?' <<<"$out" | head -1 | sed 's/gen_per_s=//' |
        awk '/k$/ { print $0 * 1e3; next } /M$/ { print $0 * 1e6; next } { print $0 }')
    [[ -n $r ]] || { echo "compare_window.sh: no rate from $1 at $2 species" >&2; exit 2; }
    echo "$r"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A ratios
for ((r = 1; r <= rounds; r++)); do
    for species in 50 32765; do
        a=$(rate "$this" $species)
        b=$(rate "$other" $species)
        ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')
        echo "round $r, $species species: this build $a generations/s, the other $b: ratio $ratio"
        ratios[$species]+="$ratio "
    done
done
m50=$(tr ' ' '\n' <<<"${ratios[50]}" | grep . | median)
m32765=$(tr ' ' '\n' <<<"${ratios[32765]}" | grep . | median)
verdict=$(awk -v m="$m50" 'BEGIN { print (m >= 1.5) ? "PASS" : "FAIL" }')
echo "INFO  Run/32765 against the other build: median ratio $m32765"
echo "$verdict  Run/50 against the other build: median ratio $m50 (target >= 1.5)"
[[ $verdict == PASS ]]
