#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libpng-dev zlib1g-dev libtinyxml2-dev
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev chromium
          gcc-arm-none-eabi libnewlib-arm-none-eabi libstdc++-arm-none-eabi-newlib qemu-system-arm
          dpkg-dev file
          gcc-riscv64-unknown-elf picolibc-riscv64-unknown-elf qemu-system-misc
          gcc-s390x-linux-gnu g++-s390x-linux-gnu libc6-dev-s390x-cross qemu-user
          "$@")
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
