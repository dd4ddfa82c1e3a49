#!/usr/bin/env bash
# Builds everything (programs, tests, benchmarks) and runs every test.
# Options: --sanitize  builds with AddressSanitizer and UndefinedBehaviorSanitizer instead;
#          --windows   cross-builds Framestow.exe and Hexfold.exe and runs the tests under wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

build="$top/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAMESTOW_BENCH=ON -DFRAMESTOW_TESTS=ON)
for arg in "$@"; do
    case "$arg" in
        --sanitize) build="$top/build-sanitize"
                    options=(-DCMAKE_BUILD_TYPE=Debug -DFRAMESTOW_SANITIZE=ON -DFRAMESTOW_TESTS=ON) ;;
        --windows) exec bash "$top/scripts/windows-build.sh" ;;
        *) echo "unknown option: $arg" >&2; exit 2 ;;
    esac
done
# Warnings are errors in CI.
[ -n "${CI:-}" ] && options+=(-DFRAMESTOW_WERROR=ON)

bash "$top/scripts/install-deps.sh" --test
cmake -S "$top" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
