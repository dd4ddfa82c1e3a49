#!/usr/bin/env bash
# Plants small faults in a copy of the tree, one at a time, and tells for each whether the tests
# catch it: a developer's tool for finding the cases the tests lack, not a CI step.
#
#   bash scripts/mutants.sh [NAME...]    every mutant of scripts/mutants.txt, or those named
#
# The copy (the files git knows, as they stand in the working tree) and its one build live in
# build-mutants/, kept between runs so that each mutant rebuilds only what it touches; a compiler
# cache named in CMAKE_C_COMPILER_LAUNCHER / CMAKE_CXX_COMPILER_LAUNCHER is used when set. Each
# mutant runs the tests of its folder (or those its `tests` line names), after a run without any
# mutant has shown that they pass. Prints one line a mutant and the score; exits 1 when any
# mutant survives or cannot be applied.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
list="$top/scripts/mutants.txt"
work="$top/build-mutants"
tree="$work/tree"
build="$work/build"
jobs=$(nproc)
test_timeout=120

# The tests that can catch a fault in each folder. Left out always, for time: the tests that need
# a browser, wine, the Windows build, an installation or the emulated Cortex-M4, the decoder's size
# there, and the runs with four workers (the same runs with one worker stay).
default_tests() {
    case "$1" in
        decoder/*) echo '^(decoder\.|Codec\.|SimpleZip|firmware\.|fuzz_replay_(stream_)?decoder$)' ;;
        firmware/*) echo '^firmware\.' ;;
        inspect/*) echo '^(Inspect|fuzz_replay_mapping)' ;;
        *) echo '.' ;;
    esac
}
excluded_tests='^(windows|install\.|InspectReportInBrowser|inspect_report_in_browser|decoder_size_cortex_m4|firmware\.FirmwareOnEmulated|jobs4\.|WorkerDeterminism)'

# Reads the list: records of `key value` lines, separated by blank lines; # begins a comment.
names=() whats=() files=() finds=() replaces=() tests=()
add_record() {
    [ -n "$name$file$find" ] || return 0
    if [ -z "$name" ] || [ -z "$file" ] || [ -z "$find" ] || [ -z "$what" ]; then
        echo "mutants.txt: the record before line $line_number needs name, what, file, find" >&2
        exit 2
    fi
    names+=("$name") whats+=("$what") files+=("$file") finds+=("$find") replaces+=("$replace")
    tests+=("${test:-$(default_tests "$file")}")
}
name="" what="" file="" find="" replace="" test="" line_number=0
while IFS= read -r line || [ -n "$line" ]; do
    line_number=$((line_number + 1))
    case "$line" in
        '#'*) continue ;;
        '') add_record
            name="" what="" file="" find="" replace="" test=""
            continue ;;
    esac
    key=${line%% *}
    value=${line#"$key"}
    value=${value#"${value%%[! ]*}"}
    case "$key" in
        name) name=$value ;;
        what) what=$value ;;
        file) file=$value ;;
        find) find=$value ;;
        replace) replace=$value ;;
        tests) test=$value ;;
        *) echo "mutants.txt:$line_number: unknown key '$key'" >&2
           exit 2 ;;
    esac
done <"$list"
add_record

selected=()
if [ $# -eq 0 ]; then
    selected=("${!names[@]}")
else
    for wanted in "$@"; do
        found=""
        for i in "${!names[@]}"; do
            [ "${names[$i]}" = "$wanted" ] && selected+=("$i") && found=1
        done
        [ -n "$found" ] || { echo "no mutant named $wanted in $list" >&2; exit 2; }
    done
fi

# The copy: files that changed since the last run are copied again, so the build stays warm.
mkdir -p "$tree"
(cd "$top" && git ls-files -z --cached --others --exclude-standard) |
    while IFS= read -r -d '' path; do
        [ -f "$top/$path" ] || continue
        if ! cmp -s "$top/$path" "$tree/$path"; then
            mkdir -p "$(dirname "$tree/$path")"
            cp "$top/$path" "$tree/$path"
        fi
    done

cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAMESTOW_BENCH=OFF >/dev/null
build_tree() {
    cmake --build "$build" -j"$jobs" >"$work/build.log" 2>&1
}
# Runs the tests matching $1; on failure leaves the names of the failed tests in $work/failed.
run_tests() {
    : >"$work/failed"
    if ctest --test-dir "$build" -R "$1" -E "$excluded_tests" -j"$jobs" --timeout "$test_timeout" --stop-on-failure \
        >"$work/test.log" 2>&1; then
        return 0
    fi
    sed -nE 's/^[[:space:]]*[0-9]+ - ([^ ]+) .*/\1/p' "$work/test.log" >"$work/failed"
    return 1
}

echo "mutants: building the copy in $work"
build_tree || { echo "the copy does not build: see $work/build.log" >&2; exit 2; }
all_tests=$(for i in "${selected[@]}"; do echo "${tests[$i]}"; done | sort -u | paste -sd'|')
if ! run_tests "$all_tests"; then
    echo "the tests fail without any mutant: $(paste -sd' ' "$work/failed") (see $work/test.log)" >&2
    exit 2
fi

caught=0 survived=0 broken=0
for i in "${selected[@]}"; do
    target="$tree/${files[$i]}"
    count=0
    [ -f "$target" ] && count=$(FIND="${finds[$i]}" perl -0777 -ne \
        'my $n = () = /\Q$ENV{FIND}\E/g; print $n' "$target")
    label="${names[$i]} (${files[$i]}): ${whats[$i]}"
    if [ "$count" != 1 ]; then
        echo "STALE     $label: its find text occurs $count times"
        broken=$((broken + 1))
        continue
    fi
    cp "$target" "$work/original"
    FIND="${finds[$i]}" REPLACE="${replaces[$i]}" perl -0777 -pi -e \
        's/\Q$ENV{FIND}\E/$ENV{REPLACE}/' "$target"
    start=$SECONDS
    if ! build_tree; then
        echo "NO BUILD  $label (see the log below)"
        grep -m3 -E 'error' "$work/build.log" | sed 's/^/          /' || true
        broken=$((broken + 1))
    elif run_tests "${tests[$i]}"; then
        echo "SURVIVED  $label [$((SECONDS - start)) s]"
        survived=$((survived + 1))
    else
        echo "caught    $label, by $(head -1 "$work/failed") [$((SECONDS - start)) s]"
        caught=$((caught + 1))
    fi
    # A plain copy gives the restored file a new time, so the next build compiles it again.
    cp "$work/original" "$target"
done

total=$((caught + survived + broken))
echo "mutants: $caught of $total caught ($survived survived, $broken could not be applied or built)"
[ "$caught" -eq "$total" ]
