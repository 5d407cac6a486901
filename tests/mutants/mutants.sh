#!/usr/bin/env bash
# Puts the deliberate faults of tests/mutants/mutants.txt into a scratch copy of the game,
# one at a time, and tells which of them the tests notice.
#   tests/mutants/mutants.sh [--only 3,7,9]
# A line of the list is: area ||| file ||| the line as it is ||| the line broken ||| what goes wrong
# The line as it is must match exactly one line of the file, blanks around it aside, or the
# fault is NOT-APPLICABLE: re-point it at the code as it is. Each fault is built, then the
# unit tests run, stopping at the first failure, which names the catcher; only if they all
# pass does the end-to-end run. The unmutated copy must pass both first, or nothing counts.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
only=""
if [ "${1:-}" = --only ] && [ -n "${2:-}" ]; then only=,$2,; elif [ $# -gt 0 ]; then
    echo "usage: $0 [--only 3,7,9]" >&2; exit 2
fi
scratch=${TMPDIR:-/tmp}/quadrabash-mutants-$(basename "$repo")
src=$scratch/src build=$scratch/build logs=$scratch/logs
mkdir -p "$src" "$logs"

# Only what differs is copied, so that the scratch build stays incremental.
(cd "$repo" && git ls-files -co --exclude-standard) | while IFS= read -r f; do
    if [ -f "$repo/$f" ] && ! cmp -s "$repo/$f" "$src/$f"; then mkdir -p "$(dirname "$src/$f")" && cp "$repo/$f" "$src/$f"; fi
done
(cd "$src" && nice cmake --preset tests -B "$build" -DQB_BUILD_BENCH=OFF) > "$logs/configure.log"

build() { timeout 1800 nice cmake --build "$build" -j2 --target quadrabash quadrabash_tests game_assets > "$1" 2>&1; }

# Prints what caught the copy as it is now, or nothing when every test passes.
catcher() { # log prefix
    if ! nice ctest --test-dir "$build" -L unit --stop-on-failure --timeout 900 > "$1.unit.log" 2>&1; then
        sed -n '/tests FAILED:/{n;s/^[[:space:]]*[0-9]* - //;s/ (Failed)$//;p;q}' "$1.unit.log" | grep . || echo "unit tests"
    elif ! nice ctest --test-dir "$build" -L e2e --timeout 420 --output-on-failure > "$1.e2e.log" 2>&1; then
        echo "EndToEnd: $(grep -m1 -o 'FAIL .*' "$1.e2e.log" | cut -c6-75)"
    fi
}

build "$logs/baseline.build.log" || { echo "mutants: the unmutated copy does not build, see $logs" >&2; exit 2; }
by=$(catcher "$logs/baseline")
[ -z "$by" ] || { echo "mutants: the unmutated copy fails ($by), see $logs" >&2; exit 2; }

n=0 caught=0 missed=0 started=$(date +%s) suite=$(git -C "$repo" rev-parse --short HEAD)
trap '[ -f "$scratch/original" ] && cp "$scratch/original" "$src/$file"' EXIT
while IFS= read -r line <&3; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    n=$((n + 1))
    [ -z "$only" ] || [[ $only == *,$n,* ]] || continue
    IFS=$'\x1f' read -r area file as_is broken what <<< "${line// ||| /$'\x1f'}"
    at=$(AS_IS=$as_is awk '{ sub(/^[ \t]+/, ""); sub(/[ \t\r]+$/, "") } $0 == ENVIRON["AS_IS"] { print NR }' \
        "$src/$file" 2> /dev/null || true)
    result=NOT-APPLICABLE by="" where=$file
    if [[ $at =~ ^[0-9]+$ ]]; then
        # The function the line is in, which outlives its line number: the last
        # head of a definition above it.
        fn=$(awk -v n="$at" 'NR < n && /^(    )?[A-Za-z_][^;=]*\(/ && !/^[^(]*(\.|->)/ &&
            !/^ *(if|for|while|switch|return|else)[ (]/ && !/;[ \t]*$/ { f = $0 } NR == n { print f; exit }' \
            "$src/$file" | sed -E 's/\(.*//; s/.*[ *&]//')
        where="$file${fn:+ ($fn)}"
        cp "$src/$file" "$scratch/original"
        BROKEN=$broken awk -v n="$at" 'NR == n { match($0, /^[ \t]*/); $0 = substr($0, 1, RLENGTH) ENVIRON["BROKEN"] } 1' \
            "$scratch/original" > "$src/$file"
        log=$logs/$(printf '%03d' "$n")
        if ! build "$log.build.log"; then
            result=COMPILE-ERROR
        elif by=$(catcher "$log") && [ -n "$by" ]; then
            result=CAUGHT caught=$((caught + 1))
        else
            result=MISSED missed=$((missed + 1))
        fi
        # A fresh time stamp, so that the next build compiles it again.
        cp "$scratch/original" "$src/$file" && rm "$scratch/original"
    fi
    echo "| $n | $area | $where | $what | $result | $by |"
done 3< "$(dirname "$0")/mutants.txt"
echo "$caught caught, $missed missed; suite at $suite," \
    "$((($(date +%s) - started) / 60)) min on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')."
