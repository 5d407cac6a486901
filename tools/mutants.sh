#!/usr/bin/env bash
# Puts deliberate faults into a scratch copy of the game, one at a time, and
# tells which of them the test suite notices.
#
#   tools/mutants.sh [options]
#
#   --list FILE      faults to try (default: tools/mutants.txt)
#   --out FILE       also write the results table (markdown) to FILE
#   --area A,B       only the faults of these areas
#   --only 3,7-9     only these faults, numbered as in the list (1 is the first)
#   --scratch DIR    scratch copy and its build folder, kept between runs so
#                    builds stay incremental (default: $TMPDIR/quadrabash-mutants)
#   --timeout S      limit for one run of the unit suite (default 900)
#   --jobs N         parallel build jobs (default 2)
#   --nice N         niceness of builds and test runs (default 10)
#   --check          only check that every fault's line is found, build nothing
#   --no-e2e         skip the end-to-end run (faults it would catch show as MISSED*)
#   --no-baseline    skip the run on the unmutated copy (only while editing the list)
#   --spread         take the areas in turn, so that a run cut short still
#                    samples every area
#
# Each line of the list is one fault, five fields separated by " ||| ":
#   area ||| file ||| the line as it is ||| the line broken ||| what goes wrong
# Blank lines and lines starting with # are ignored. The line as it is must
# match exactly one line of the file, ignoring leading and trailing blanks; the
# broken line keeps the original indentation. A fault whose line is missing or
# ambiguous is NOT-APPLICABLE: re-point it at the code as it is now.
#
# For each fault: apply it, build quadrabash, quadrabash_tests and game_assets,
# run the unit suite once, stopping at its first failure, and only if it
# passes, the end-to-end test. The first failing test names the catcher. An
# end-to-end failure is confirmed by a second run, since that run plays the
# real program on a busy machine; a fault it catches once out of two is FLAKY.
# A unit suite that runs out of time or crashes counts as caught. Results:
# CAUGHT, MISSED, FLAKY, COMPILE-ERROR, NOT-APPLICABLE, and ERROR when the unit
# suite could not start three times running.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
list=$repo/tools/mutants.txt
out=""
areas=""
only=""
scratch=${TMPDIR:-/tmp}/quadrabash-mutants
unit_timeout=900
e2e_timeout=420
build_timeout=1800
jobs=2
niceness=10
check_only=0
no_e2e=0
no_baseline=0
spread=0

die() { echo "mutants: $*" >&2; exit 2; }

while [ $# -gt 0 ]; do
    case $1 in
    --list) list=$(realpath "$2"); shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    --area) areas=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --scratch) scratch=$(realpath -m "$2"); shift 2 ;;
    --timeout) unit_timeout=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --nice) niceness=$2; shift 2 ;;
    --check) check_only=1; shift ;;
    --no-e2e) no_e2e=1; shift ;;
    --no-baseline) no_baseline=1; shift ;;
    --spread) spread=1; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown option $1 (see --help)" ;;
    esac
done
[ -f "$list" ] || die "no fault list at $list"

src=$scratch/src
build=$scratch/build
logs=$scratch/logs
run() { nice -n "$niceness" "$@"; }

# ---------------------------------------------------------------- the list

declare -a F_AREA F_FILE F_ASIS F_BROKEN F_WHAT
sep=' ||| '
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; s=${s%"${s##*[![:space:]]}"}; printf '%s' "$s"; }

lineno=0
while IFS= read -r raw || [ -n "$raw" ]; do
    lineno=$((lineno + 1))
    line=$(trim "$raw")
    [ -z "$line" ] && continue
    [ "${line:0:1}" = "#" ] && continue
    fields=()
    rest=$line
    while [[ $rest == *"$sep"* ]]; do
        fields+=("$(trim "${rest%%"$sep"*}")")
        rest=${rest#*"$sep"}
    done
    fields+=("$(trim "$rest")")
    [ ${#fields[@]} -eq 5 ] || die "$list:$lineno: expected 5 fields separated by '$sep', found ${#fields[@]}"
    F_AREA+=("${fields[0]}")
    F_FILE+=("${fields[1]}")
    F_ASIS+=("${fields[2]}")
    F_BROKEN+=("${fields[3]}")
    F_WHAT+=("${fields[4]}")
done <"$list"
count=${#F_AREA[@]}
[ "$count" -gt 0 ] || die "no faults in $list"

selected() { # index (1-based)
    local i=$1 part
    if [ -n "$areas" ] && [[ ",$areas," != *",${F_AREA[i - 1]},"* ]]; then
        return 1
    fi
    [ -z "$only" ] && return 0
    for part in ${only//,/ }; do
        if [[ $part == *-* ]]; then
            [ "$i" -ge "${part%-*}" ] && [ "$i" -le "${part#*-}" ] && return 0
        elif [ "$i" -eq "$part" ]; then
            return 0
        fi
    done
    return 1
}

# Prints the numbers of the lines of FILE that equal TEXT, blanks trimmed.
find_line() { # file text
    AS_IS=$2 awk '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t\r]+$/, "", s); return s }
        BEGIN { want = trim(ENVIRON["AS_IS"]) }
        trim($0) == want { print NR }' "$1"
}

# Writes FILE with line N replaced by TEXT, keeping the line's indentation.
replace_line() { # file n text
    local tmp=$1.mutant-tmp
    BROKEN=$3 awk -v n="$2" '
        NR == n { match($0, /^[ \t]*/); print substr($0, 1, RLENGTH) ENVIRON["BROKEN"]; next }
        { print }' "$1" >"$tmp"
    cat "$tmp" >"$1"
    rm -f "$tmp"
}

# Where each fault lands in the project as it is: "N" or a reason it cannot.
declare -a F_LINE
locate_all() { # root
    local i n matches
    for ((i = 1; i <= count; i++)); do
        if [ ! -f "$1/${F_FILE[i - 1]}" ]; then
            F_LINE[i]="no such file"
            continue
        fi
        matches=$(find_line "$1/${F_FILE[i - 1]}" "${F_ASIS[i - 1]}")
        n=$(printf '%s' "$matches" | grep -c . || true)
        if [ "$n" -eq 1 ]; then
            F_LINE[i]=$matches
        elif [ "$n" -eq 0 ]; then
            F_LINE[i]="line not found"
        else
            F_LINE[i]="matches lines $(echo $matches | tr ' ' ',')"
        fi
    done
}

if [ "$check_only" -eq 1 ]; then
    locate_all "$repo"
    bad=0
    for ((i = 1; i <= count; i++)); do
        selected "$i" || continue
        if [[ ${F_LINE[i]} =~ ^[0-9]+$ ]]; then
            printf '%3d %-10s %s:%s\n' "$i" "${F_AREA[i - 1]}" "${F_FILE[i - 1]}" "${F_LINE[i]}"
        else
            printf '%3d %-10s %s: NOT-APPLICABLE (%s)\n' "$i" "${F_AREA[i - 1]}" "${F_FILE[i - 1]}" "${F_LINE[i]}"
            bad=$((bad + 1))
        fi
    done
    echo "$count faults, $bad not applicable"
    exit 0
fi

# ---------------------------------------------------------------- scratch copy

# Mirrors the project's files (tracked, or new and not ignored) into the
# scratch copy, touching only what differs so that the build stays incremental.
sync_scratch() {
    mkdir -p "$src" "$logs"
    local wanted=$scratch/files.txt f
    (cd "$repo" && git ls-files --cached --others --exclude-standard) | sort -u >"$wanted"
    while IFS= read -r f; do
        [ -f "$repo/$f" ] || continue
        if ! cmp -s "$repo/$f" "$src/$f"; then
            mkdir -p "$(dirname "$src/$f")"
            cp "$repo/$f" "$src/$f"
        fi
    done <"$wanted"
    # A file the project no longer has must not be globbed into the build.
    (cd "$src" && find . -type f | sed 's|^\./||' | sort) | comm -23 - "$wanted" |
        while IFS= read -r f; do rm -f "$src/$f"; done
}

configure() {
    run cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQB_BUILD_TESTS=ON -DQB_BUILD_BENCH=OFF >"$logs/configure.log" 2>&1 ||
        die "configuring the scratch copy failed, see $logs/configure.log"
}

build_targets() { # log
    timeout "$build_timeout" nice -n "$niceness" cmake --build "$build" -j"$jobs" \
        --target quadrabash quadrabash_tests game_assets >"$1" 2>&1
}

# Runs the unit suite; sets UNIT to pass, fail, timeout, crash or broken and
# UNIT_FAILED to the first failing test.
run_unit() { # log
    local rc attempt
    for attempt in 1 2 3; do
        rc=0
        unit_suite "$1" --gtest_brief=1 --gtest_fail_fast --gtest_filter='-RandomPlay.*' || rc=$?
        if [ "$rc" -eq 0 ]; then
            # The slow random player goes last: most faults are caught before it.
            unit_suite "$1.random" --gtest_brief=1 --gtest_filter='RandomPlay.*' || rc=$?
            cat "$1.random" >>"$1"
        fi
        UNIT_FAILED=$(first_failure "$1")
        if [ "$rc" -eq 0 ]; then
            UNIT=pass
            return
        elif [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
            UNIT=timeout
            return
        elif [ -n "$UNIT_FAILED" ]; then
            UNIT=fail
            return
        elif ! grep -q '^xvfb-run: error' "$1"; then
            # Ended without a failure line: a crash. Run again, line by line,
            # to name the test it happened in.
            UNIT=crash
            unit_suite "$1.crash.log" --gtest_fail_fast || true
            UNIT_FAILED=$(grep -E '^\[ RUN      \] ' "$1.crash.log" | tail -n 1 | sed 's/^\[ RUN      \] //')
            return
        fi
        # xvfb-run can lose the race for a display number to another run.
        sleep 5
    done
    UNIT=broken
}

unit_suite() { # log gtest-options...
    local log=$1
    shift
    (cd "$build/game" && ALSOFT_DRIVERS=null nice -n "$niceness" \
        xvfb-run -a -s "-screen 0 1920x1080x24" \
        timeout -k 10 "$unit_timeout" stdbuf -oL "$build/tests/quadrabash_tests" "$@") >"$log" 2>&1
}

first_failure() { # log
    grep -m1 -oE '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+' "$1" | sed 's/^\[  FAILED  \] //' || true
}

# Runs the end-to-end test; sets E2E to pass or fail and E2E_FAILED to its
# first failed check.
run_e2e() { # log
    local rc=0
    (cd "$build" && nice -n "$niceness" timeout -k 10 "$e2e_timeout" \
        ctest -R '^EndToEnd$' --output-on-failure) >"$1" 2>&1 || rc=$?
    E2E_FAILED=$(grep -m1 -oE 'FAIL .*' "$1" | sed 's/^FAIL //' | cut -c1-70 || true)
    if [ "$rc" -eq 0 ] && grep -q '100% tests passed' "$1"; then
        E2E=pass
    else
        E2E=fail
    fi
}

cleanup_file=""
cleanup() {
    if [ -n "$cleanup_file" ] && [ -f "$scratch/original" ]; then
        cat "$scratch/original" >"$cleanup_file"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$(date +%s)
echo "mutants: scratch copy in $scratch"
sync_scratch
configure
locate_all "$src"

if [ "$no_baseline" -eq 0 ]; then
    echo "mutants: checking that the unmutated copy builds and passes"
    build_targets "$logs/baseline-build.log" ||
        die "the unmutated copy does not build, see $logs/baseline-build.log"
    t0=$(date +%s)
    run_unit "$logs/baseline-unit.log"
    [ "$UNIT" = pass ] ||
        die "the unit suite fails on the unmutated copy ($UNIT ${UNIT_FAILED:-}), see $logs/baseline-unit.log"
    echo "mutants: unit suite passes ($(($(date +%s) - t0)) s)"
    if [ "$no_e2e" -eq 0 ]; then
        t0=$(date +%s)
        run_e2e "$logs/baseline-e2e.log"
        [ "$E2E" = pass ] ||
            die "the end-to-end test fails on the unmutated copy (${E2E_FAILED:-}), see $logs/baseline-e2e.log"
        echo "mutants: end-to-end test passes ($(($(date +%s) - t0)) s)"
    fi
fi

# ---------------------------------------------------------------- the faults

declare -a R_RESULT R_BY order
caught=0 missed=0 notapp=0 noncompile=0 flaky=0 errors=0 tried=0
for ((i = 1; i <= count; i++)); do selected "$i" && order+=("$i"); done
if [ "$spread" -eq 1 ]; then
    # Round robin over the areas, in the order they first appear.
    declare -A queue=()
    area_order=()
    for i in "${order[@]}"; do
        a=${F_AREA[i - 1]}
        [ -z "${queue[$a]+x}" ] && area_order+=("$a") && queue[$a]=""
        queue[$a]+="$i "
    done
    order=()
    while [ ${#queue[@]} -gt 0 ]; do
        for a in "${area_order[@]}"; do
            [ -n "${queue[$a]+x}" ] || continue
            set -- ${queue[$a]}
            order+=("$1")
            shift
            if [ $# -eq 0 ]; then unset "queue[$a]"; else queue[$a]="$* "; fi
        done
    done
fi
total_selected=${#order[@]}

md() { printf '%s' "$1" | sed 's/|/\\|/g'; }
commit=$(git -C "$repo" rev-parse --short HEAD)
[ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ] && commit="$commit (with local changes)"
table() {
    local elapsed=$(($(date +%s) - started)) i at
    echo "| # | area | file:line | fault | result | caught by |"
    echo "|---|------|-----------|-------|--------|-----------|"
    for ((i = 1; i <= count; i++)); do
        [ -n "${R_RESULT[i]:-}" ] || continue
        at=${F_FILE[i - 1]}
        [[ ${F_LINE[i]} =~ ^[0-9]+$ ]] && at="$at:${F_LINE[i]}"
        printf '| %d | %s | %s | %s | %s | %s |\n' "$i" "$(md "${F_AREA[i - 1]}")" "$(md "$at")" \
            "$(md "${F_WHAT[i - 1]}")" "${R_RESULT[i]}" "$(md "${R_BY[i]}")"
    done
    echo
    [ "$tried" -lt "$total_selected" ] && echo "Partial: $tried of $total_selected faults run so far."
    echo "$tried faults: $caught caught, $missed missed, $flaky flaky, $noncompile did not compile," \
        "$notapp not applicable$([ "$errors" -eq 0 ] || echo ", $errors not run (the suite did not start)")." \
        "Suite at $commit; $((elapsed / 60)) min $((elapsed % 60)) s on $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')."
}
write_table() { [ -z "$out" ] || { mkdir -p "$(dirname "$out")" && table >"$out.tmp" && mv "$out.tmp" "$out"; }; }

for i in "${order[@]}"; do
    tried=$((tried + 1))
    file=${F_FILE[i - 1]}
    where=${F_LINE[i]}
    t0=$(date +%s)
    log=$logs/$(printf '%03d' "$i")
    rm -f "$log".*.log
    result="" by=""
    if ! [[ $where =~ ^[0-9]+$ ]]; then
        result=NOT-APPLICABLE by="($where)"
        notapp=$((notapp + 1))
    else
        cp "$src/$file" "$scratch/original"
        cleanup_file=$src/$file
        replace_line "$src/$file" "$where" "${F_BROKEN[i - 1]}"
        if ! build_targets "$log.build.log"; then
            result=COMPILE-ERROR by="-"
            noncompile=$((noncompile + 1))
        else
            run_unit "$log.unit.log"
            case $UNIT in
            fail) result=CAUGHT by=$UNIT_FAILED ;;
            timeout) result=CAUGHT by="timeout (unit suite)" ;;
            crash) result=CAUGHT by="crash in ${UNIT_FAILED:-the unit suite}" ;;
            broken) result=ERROR by="unit suite did not start" ;;
            pass)
                if [ "$no_e2e" -eq 1 ]; then
                    result=MISSED* by="(end-to-end not run)"
                else
                    run_e2e "$log.e2e.log"
                    if [ "$E2E" = pass ]; then
                        result=MISSED by=""
                    else
                        first=$E2E_FAILED
                        run_e2e "$log.e2e-again.log"
                        if [ "$E2E" = fail ]; then
                            result=CAUGHT by="EndToEnd: ${first:-run failed}"
                        else
                            result=FLAKY by="EndToEnd once in two runs: ${first:-run failed}"
                        fi
                    fi
                fi
                ;;
            esac
            case $result in
            CAUGHT) caught=$((caught + 1)) ;;
            MISSED*) missed=$((missed + 1)) ;;
            FLAKY) flaky=$((flaky + 1)) ;;
            ERROR) errors=$((errors + 1)) ;;
            esac
        fi
        # Restored with a fresh time stamp, so the next build recompiles it.
        cat "$scratch/original" >"$src/$file"
        cleanup_file=""
    fi
    R_RESULT[i]=$result
    R_BY[i]=$by
    printf '[%d/%d] #%d %s %s:%s  %s %s  (%d s)\n' "$tried" "$total_selected" "$i" \
        "${F_AREA[i - 1]}" "$file" "$where" "$result" "$by" $(($(date +%s) - t0))
    write_table
done

# ---------------------------------------------------------------- the table

echo
table
[ -z "$out" ] || echo "mutants: table written to $out"
