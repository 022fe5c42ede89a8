#!/usr/bin/env bash
# Compares the window's run at 50 species with an earlier build of the
# program, both in this session and interleaved, so that a change of machine
# load falls on both alike:
#
#   bench/compare_window.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS]
#
# Each round runs BM_Run/50 once in each build; the verdict is on the median
# of the rounds' ratios (target: this build at least 1.6 times the other).
set -euo pipefail
other=${1:?usage: compare_window.sh OTHER-BUILD-DIR [THIS-BUILD-DIR] [ROUNDS]}
this=${2:-$(dirname "${BASH_SOURCE[0]}")/../build}
rounds=${3:-3}

rate() {
    local out
    # The benchmark's exit status speaks of its own targets, not of this comparison.
    out=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$1/bench/quillmar-ui-bench" --benchmark_filter='BM_Run/50/' \
        2>/dev/null) || true
    grep -oE 'gen_per_s=[0-9.]+[kM]?' <<<"$out" | head -1 | sed 's/gen_per_s=//' |
        awk '/k$/ { print $0 * 1e3; next } /M$/ { print $0 * 1e6; next } { print $0 }'
}

ratios=()
for ((r = 1; r <= rounds; r++)); do
    a=$(rate "$this")
    b=$(rate "$other")
    ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')
    echo "round $r: this build $a generations/s, the other $b: ratio $ratio"
    ratios+=("$ratio")
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
verdict=$(awk -v m="$median" 'BEGIN { print (m >= 1.6) ? "PASS" : "FAIL" }')
echo "$verdict  Run/50 against the other build: median ratio $median (target >= 1.6)"
[[ $verdict == PASS ]]
