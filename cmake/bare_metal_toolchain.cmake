# What the bare-metal toolchain files share, included by them once they have set
# bare_metal_prefix (arm-none-eabi-, riscv64-unknown-elf-): no operating system, the toolchain's
# gcc for C, C++ and assembly, and programs found on this machine but libraries, headers and
# packages only in the toolchain's root. The processor flags belong to the project that uses the
# toolchain file, since they choose the library variant that it links.
set(CMAKE_SYSTEM_NAME Generic)

set(CMAKE_C_COMPILER ${bare_metal_prefix}gcc)
set(CMAKE_CXX_COMPILER ${bare_metal_prefix}g++)
set(CMAKE_ASM_COMPILER ${bare_metal_prefix}gcc)

# A bare-metal program cannot be linked without the project's own start-up code and link script,
# so the compiler checks build a static library instead.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
