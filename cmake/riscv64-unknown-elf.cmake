# Cross-compiles for bare-metal RISC-V with Debian's riscv64-unknown-elf-gcc and picolibc; the
# project gives -march and -mabi.
set(CMAKE_SYSTEM_PROCESSOR riscv)
set(bare_metal_prefix riscv64-unknown-elf-)
include(${CMAKE_CURRENT_LIST_DIR}/bare_metal_toolchain.cmake)
