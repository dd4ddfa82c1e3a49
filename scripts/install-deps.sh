#!/usr/bin/env bash
# Installs the Debian packages that are missing: those that building the programs needs (enough
# for scripts/demo.sh and an install build), and with --test also those the tests need.
# Further arguments are installed too.
#   bash scripts/install-deps.sh [--test] [PACKAGE...]
set -euo pipefail

# Building framestow, framestow-inspect and hexfold.
build_packages=(cmake g++ make pkg-config libpng-dev zlib1g-dev libtinyxml2-dev
                libcli11-dev nlohmann-json3-dev)
# The tests and benchmarks: GoogleTest and Google Benchmark, the browser that opens the report
# page, the toolchains and emulators of the example firmware on every core (Arm, RISC-V, a
# big-endian s390x host), and the tools of the Debian package's test.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev
               chromium
               gcc-arm-none-eabi libnewlib-arm-none-eabi libstdc++-arm-none-eabi-newlib
               qemu-system-arm
               gcc-riscv64-unknown-elf picolibc-riscv64-unknown-elf qemu-system-misc
               gcc-s390x-linux-gnu g++-s390x-linux-gnu libc6-dev-s390x-cross qemu-user
               dpkg-dev file lintian help2man)

packages=("${build_packages[@]}")
if [ "${1:-}" = --test ]; then
    packages+=("${test_packages[@]}")
    shift
fi
packages+=("$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
