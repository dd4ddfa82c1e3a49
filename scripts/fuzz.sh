#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang into build-fuzz and runs each in turn,
# starting from its committed seeds and the inputs that once failed. Fails when any harness
# finds a crash, a hang, a memory blow-up or a broken invariant.
#
#   bash scripts/fuzz.sh --ci                    60 seconds each (CI)
#   bash scripts/fuzz.sh SECONDS [HARNESS...]    SECONDS in all, shared evenly by the harnesses
#                                                named (all when none is): 3600 is an hour
#
# The corpora grow in build-fuzz/corpus, never in the repository; a run goes on from what the
# last one found there. Findings land in build-fuzz/findings, logs in build-fuzz/logs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
harnesses=(png_loader bmp_loader decoder compressor ini_lookup picture_names hexfold_scanner
           stream_decoder mapping_source mapping_xml)

usage() {
    echo "usage: $0 --ci | SECONDS [HARNESS...]  (harnesses: ${harnesses[*]})" >&2
    exit 2
}
[ $# -ge 1 ] || usage
case "$1" in
    --ci) [ $# -eq 1 ] || usage
          seconds_each=60 ;;
    *[!0-9]* | "") usage ;;
    *) total=$1
       shift
       if [ $# -gt 0 ]; then
           for harness in "$@"; do
               [ -f "$top/fuzz/${harness}_fuzzer.cpp" ] || usage
           done
           harnesses=("$@")
       fi
       seconds_each=$((total / ${#harnesses[@]}))
       [ "$seconds_each" -ge 1 ] || seconds_each=1 ;;
esac

# clang and its libFuzzer runtime, besides the build's own packages.
fuzzer_runtime_works() {
    command -v clang++ >/dev/null &&
        echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
            clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null
}
if fuzzer_runtime_works; then
    bash "$top/scripts/install-deps.sh" --test
else
    bash "$top/scripts/install-deps.sh" --test clang libclang-rt-14-dev
fi

options=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
         -DFRAMESTOW_FUZZ=ON -DFRAMESTOW_TESTS=OFF)
# Warnings are errors in CI.
[ -n "${CI:-}" ] && options+=(-DFRAMESTOW_WERROR=ON)
cmake -S "$top" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" --target fuzz_harnesses -j"$(nproc)"

mkdir -p "$build/corpus" "$build/findings" "$build/logs"
# The INI and picture-name harnesses rewrite a scratch file at every run: keep it in memory.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
failed=()
for harness in "${harnesses[@]}"; do
    corpus="$build/corpus/$harness"
    mkdir -p "$corpus"
    for seeds in "$top/fuzz/corpus/$harness" "$top/fuzz/regressions/$harness"; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    done
    dict=()
    [ -f "$top/fuzz/dicts/$harness.dict" ] && dict=(-dict="$top/fuzz/dicts/$harness.dict")
    log="$build/logs/$harness.log"
    echo "== $harness: ${seconds_each}s"
    # One fuzzer at a time on one core: the machine is shared. Its stdout and stderr are closed
    # (-close_fd_mask=3) since the code's own messages and libpng's warnings are noise here;
    # libFuzzer's and the sanitizers' reports still reach the log. One allocation above 512 MB
    # is a finding too: no picture that fits the 10 MB buffers needs a tenth of that.
    if "$build/fuzz/fuzz_$harness" "$corpus" "${dict[@]}" \
        -max_total_time="$seconds_each" -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 \
        -max_len=16384 -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$harness-" >"$log" 2>&1; then
        status=ok
    else
        status=FAILED
        failed+=("$harness")
    fi
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$done_line")
    rate=$(sed -nE 's/^stat::average_exec_per_sec:[[:space:]]*([0-9]+)/\1/p' "$log" | tail -1)
    echo "   $status: cov ${cov:-?} edges, ${rate:-?} exec/s (log: $log)"
done

echo "fuzz: $((${#harnesses[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}. Inputs: $build/findings/; logs: $build/logs/." >&2
    echo "Keep each input that fails as fuzz/regressions/<harness>/<name>." >&2
    for harness in "${failed[@]}"; do
        echo "---- $harness" >&2
        grep -E -A30 'ERROR|invariant broken|Deadly|timeout|out-of-memory' \
            "$build/logs/$harness.log" | head -60 >&2 || true
    done
    exit 1
fi
