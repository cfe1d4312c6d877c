#!/usr/bin/env bash
# Checks that the tests catch each deliberate fault listed in tests/mutants.txt:
# applies one fault, rebuilds, runs the suite, and puts the file back.
#
#   scripts/mutants.sh             every fault
#   scripts/mutants.sh --list      the names with what a designer would notice
#   scripts/mutants.sh NAME...     only those
#
# MUTANTS_CTEST_ARGS adds ctest arguments (e.g. "-R EditHistory", or
# "--output-on-failure") when it is known where a fault is caught; the default
# runs the whole suite.
# Exits non-zero when a fault survives, an entry is stale, or the clean tree
# does not build or pass.
set -euo pipefail
cd "$(dirname "$0")/.."

list=tests/mutants.txt
logs=build/mutants

# ---- read the entries ------------------------------------------------------
names=() files=() finds=() replaces=() whys=()
declare -A entry=()
flush() { # ends the entry being read, if any
    ((${#entry[@]} == 0)) && return 0
    local key
    for key in name file find replace why; do
        if [[ -z "${entry[$key]:-}" ]]; then
            echo "$list: the entry ending before line $lineno has no $key" >&2
            exit 2
        fi
    done
    for key in "${names[@]}"; do
        if [[ "$key" == "${entry[name]}" ]]; then
            echo "$list: two entries are named ${entry[name]}" >&2
            exit 2
        fi
    done
    names+=("${entry[name]}") files+=("${entry[file]}") finds+=("${entry[find]}")
    replaces+=("${entry[replace]}") whys+=("${entry[why]}")
    entry=()
}
lineno=0
while IFS= read -r line || [[ -n "$line" ]]; do
    lineno=$((lineno + 1))
    if [[ -z "${line//[[:space:]]/}" ]]; then
        flush
    elif [[ "$line" != \#* ]]; then
        key=${line%%:*}
        case "$key" in
        name | file | find | replace | why)
            value=${line#"$key:"}
            entry[$key]=${value# }
            ;;
        *)
            echo "$list:$lineno: unknown line: $line" >&2
            exit 2
            ;;
        esac
    fi
done <"$list"
flush

if [[ "${1:-}" == "--list" ]]; then
    for i in "${!names[@]}"; do
        printf '%-34s %s\n' "${names[$i]}" "${whys[$i]}"
    done
    exit 0
fi

# The faults to run: all, or those named.
chosen=()
if (($# == 0)); then
    chosen=("${!names[@]}")
fi
for wanted in "$@"; do
    found=""
    for i in "${!names[@]}"; do
        [[ "${names[$i]}" == "$wanted" ]] && found=$i
    done
    if [[ -z "$found" ]]; then
        echo "no fault named $wanted in $list (try --list)" >&2
        exit 2
    fi
    chosen+=("$found")
done

# ---- building, testing, restoring --------------------------------------------
build() {
    if [[ ! -f build/build.ninja ]]; then
        # The same settings as scripts/build.sh.
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    cmake --build build
}

read -r -a extra_args <<<"${MUTANTS_CTEST_ARGS:-}"
run_tests() {
    local cmd=(ctest --test-dir build --timeout 300 -j"$(nproc)" --stop-on-failure --no-tests=error
        "${extra_args[@]}")
    if [[ -z "${DISPLAY:-}" ]]; then
        # Tests that open real windows need an X server, as in test.sh.
        cmd=(xvfb-run -a -s "-screen 0 1920x1080x24" "${cmd[@]}")
    fi
    "${cmd[@]}"
}

# The failing tests named in a ctest log, on one line.
failed_tests() {
    sed -n '/tests FAILED:/,$p' "$1" | sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' |
        paste -sd ' ' -
}

# The file under change and its original bytes; put back on any exit, so that
# an interrupted run never leaves a fault in the tree. Copied back rather than
# checked out, so that uncommitted work in the file survives.
backup=$(mktemp)
changed=""
restore() {
    if [[ -n "$changed" ]]; then
        cp "$backup" "$changed"
        changed=""
    fi
}
trap 'restore; rm -f "$backup"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Stale entries first, before any building: the find text must name exactly
# one place in a production file.
results=() runnable=()
survived=0 stale=0 caught=0
for i in "${chosen[@]}"; do
    file=${files[$i]} problem=""
    if [[ "$file" == tests/* ]]; then
        problem="$file is a test; faults go into production code"
    elif [[ ! -f "$file" ]]; then
        problem="there is no $file"
    else
        count=$(FIND=${finds[$i]} perl -0777 -ne 'my $n = () = /\Q$ENV{FIND}\E/g; print $n' "$file")
        [[ "$count" == 1 ]] || problem="the find text occurs $count times in $file"
    fi
    if [[ -n "$problem" ]]; then
        results+=("STALE     ${names[$i]}: $problem")
        echo "${results[-1]}"
        stale=$((stale + 1))
    else
        runnable+=("$i")
    fi
done

mkdir -p "$logs"

# A suite that fails without any fault would make every fault look caught.
if ((${#runnable[@]} > 0)); then
    echo "== the clean tree"
    if ! build >"$logs/clean-build.log" 2>&1; then
        echo "the clean tree does not build; see $logs/clean-build.log" >&2
        exit 1
    fi
    if ! run_tests >"$logs/clean-tests.log" 2>&1; then
        echo "the clean tree fails its tests ($(failed_tests "$logs/clean-tests.log"));" \
            "see $logs/clean-tests.log" >&2
        exit 1
    fi
fi

for i in "${runnable[@]}"; do
    name=${names[$i]} file=${files[$i]}
    log="$logs/$name.log"
    echo "== $name ($file)"
    start=$SECONDS
    cp "$file" "$backup"
    changed=$file
    FIND=${finds[$i]} REPLACE=${replaces[$i]} perl -0777 -pi -e 's/\Q$ENV{FIND}\E/$ENV{REPLACE}/' "$file"
    if ! build >"$log" 2>&1; then
        outcome="CAUGHT    $name: caught by the build, not by a test"
        caught=$((caught + 1))
    elif run_tests >>"$log" 2>&1; then
        outcome="SURVIVED  $name: the suite passed"
        survived=$((survived + 1))
    else
        failed=$(failed_tests "$log")
        outcome="CAUGHT    $name: by ${failed:-a failing suite (see $log)}"
        caught=$((caught + 1))
    fi
    restore
    results+=("$outcome ($((SECONDS - start)) s)")
    echo "${results[-1]}"
done

# Leave the build matching the restored sources.
echo "== rebuilding the clean tree"
clean_build=ok
build >"$logs/clean-build.log" 2>&1 || clean_build=failed

echo
printf '%s\n' "${results[@]}"
echo "${#chosen[@]} faults: $caught caught, $survived survived, $stale stale; clean rebuild $clean_build (logs in $logs)"
[[ $survived == 0 && $stale == 0 && $clean_build == ok ]]
