#!/bin/bash
# Cross-builds Framestow.exe, framestow-pack.exe, Hexfold.exe and framestow-inspect.exe for Windows
# x64 with mingw-w64, packs the release zip (framestow-<version>-windows-x64.zip in DIR/framestow)
# and runs the tests under wine.
# Safe to run again: packages, the cross-built libraries and the wine prefix are made once and
# kept in the build folder; later runs only rebuild what changed.
#
#   scripts/windows-build.sh [--build-dir DIR] [--target NAME]... [--tests REGEX] [--no-tests]
#
# The build folder defaults to build-windows in the repository. Each step's time is printed and
# kept in DIR/step-times.txt.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$repo/build-windows
targets=()
test_regex=
run_tests=1

while [[ $# -gt 0 ]]; do
    case $1 in
    --build-dir) build_dir=$(realpath -m "$2"); shift 2 ;;
    --target) targets+=("$2"); shift 2 ;;
    --tests) test_regex=$2; shift 2 ;;
    --no-tests) run_tests=0; shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

triplet=x86_64-w64-mingw32
toolchain=$repo/cmake/mingw-w64-x86_64.cmake
deps=$build_dir/deps
prefix=$deps/prefix
jobs=2

export WINEPREFIX=$build_dir/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export FRAMESTOW_WINDOWS_PREFIX=$prefix

mkdir -p "$build_dir" "$deps"
times_file=$build_dir/step-times.txt
: >"$times_file"

# Runs one named step and records how long it took.
step() {
    local name=$1
    shift
    local start end
    start=$(date +%s.%N)
    echo "== $name"
    "$@"
    end=$(date +%s.%N)
    awk -v n="$name" -v s="$start" -v e="$end" 'BEGIN { printf "%-24s %7.1f s\n", n, e - s }' |
        tee -a "$times_file"
}

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local wanted=(g++-mingw-w64-x86-64 wine wine64 libz-mingw-w64-dev dpkg-dev libcli11-dev
                  nlohmann-json3-dev)
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if [[ ${#missing[@]} -gt 0 ]]; then
        echo "installing: ${missing[*]}"
        as_root apt-get update -q
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# libpng and tinyxml2 have no mingw package in Debian; their Debian source packages cross-build.
# apt-get source needs a deb-src entry: a twin of the machine's own Debian entry is added once.
enable_source_packages() {
    if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    local list=/etc/apt/sources.list.d/debian.sources
    [[ -f $list ]] || { echo "no $list to derive a deb-src entry from" >&2; return 1; }
    sed 's/^Types: deb$/Types: deb-src/' "$list" | as_root tee /etc/apt/sources.list.d/framestow-deb-src.sources >/dev/null
    as_root apt-get update -q
}

fetch_sources() {
    mkdir -p "$deps/src"
    cd "$deps/src"
    compgen -G 'libpng1.6-*/CMakeLists.txt' >/dev/null || apt-get source -q libpng1.6/bookworm
    compgen -G 'tinyxml2-*/CMakeLists.txt' >/dev/null || apt-get source -q tinyxml2/bookworm
    cd "$repo"
}

# Configures, builds and installs one library into the prefix, once.
cross_build_library() {
    local name=$1 source=$2
    shift 2
    [[ -f $deps/$name.done ]] && return
    cmake -S "$source" -B "$deps/build/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$deps/$name.log"
    cmake --build "$deps/build/$name" -j"$jobs" >>"$deps/$name.log"
    cmake --install "$deps/build/$name" >>"$deps/$name.log"
    touch "$deps/$name.done"
}

build_libraries() {
    cross_build_library libpng "$(echo "$deps"/src/libpng1.6-*/)" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
    cross_build_library tinyxml2 "$(echo "$deps"/src/tinyxml2-*/)" -DBUILD_SHARED_LIBS=OFF \
        -Dtinyxml2_BUILD_TESTING=OFF
    # GoogleTest uses its own Windows threading; winpthreads would only add a dependency.
    cross_build_library googletest /usr/src/googletest -DBUILD_SHARED_LIBS=OFF \
        -Dgtest_disable_pthreads=ON
}

# CLI11 and nlohmann-json are headers only: Debian's headers and CMake package files serve the
# cross-build as they are, once copied into the prefix where it looks for its libraries.
copy_header_libraries() {
    mkdir -p "$prefix/include" "$prefix/share/cmake"
    cp -r /usr/include/CLI /usr/include/nlohmann "$prefix/include/"
    cp -r /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
}

init_wine_prefix() {
    [[ -f $WINEPREFIX/system.reg ]] || wineboot -i
}

configure_framestow() {
    cmake -S "$repo" -B "$build_dir/framestow" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DFRAMESTOW_WINDOWS_PREFIX="$prefix" -DFRAMESTOW_WERROR=ON >"$build_dir/configure.log"
}

build_framestow() {
    local args=()
    for t in "${targets[@]}"; do args+=(--target "$t"); done
    cmake --build "$build_dir/framestow" -j"$jobs" "${args[@]}"
}

# The end-to-end tests start the programs as processes with POSIX calls, so they are built on
# the Linux side and pointed at the Windows programs, which they run through wine; the same side
# compares the outputs of the two builds.
build_linux_side() {
    cmake -S "$repo" -B "$build_dir/linux" -DFRAMESTOW_WERROR=ON \
        -DFRAMESTOW_WINDOWS_BUILD="$build_dir/framestow" >"$build_dir/configure-linux.log"
    cmake --build "$build_dir/linux" -j"$jobs" --target windows_side_tests
}

# One wine server kept alive for the whole test run saves starting one for every process.
start_wine_server() {
    # Fails, harmlessly, when a server for this prefix is already up.
    wineserver -p || true
    # The first program of a session also starts wine's own services (several seconds); done
    # here, it does not count against the time limit of the first test.
    wine cmd.exe /c exit
}

# Runs one test folder; a failure is remembered, so that the other folder still runs.
tests_failed=0
run_ctest() {
    local folder=$1 regex=$2
    local args=(--test-dir "$folder" --output-on-failure -j"$jobs")
    [[ -n $regex ]] && args+=(-R "$regex")
    ctest "${args[@]}" || tests_failed=1
}

step "packages" install_packages
step "deb-src entry" enable_source_packages
step "library sources" fetch_sources
step "cross-built libraries" build_libraries
step "header-only libraries" copy_header_libraries
step "wine prefix" init_wine_prefix
step "configure" configure_framestow
step "build" build_framestow
step "release zip" cmake --build "$build_dir/framestow" --target windows_package
if [[ $run_tests -eq 1 ]]; then
    step "Linux side of the e2e tests" build_linux_side
    step "wine server" start_wine_server
    step "unit tests under wine" run_ctest "$build_dir/framestow" "$test_regex"
    step "e2e tests under wine" run_ctest "$build_dir/linux" "^windows\\.${test_regex}"
    wineserver -k || true
fi
echo "step times: $times_file"
exit "$tests_failed"
