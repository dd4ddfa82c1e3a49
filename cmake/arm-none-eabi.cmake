# Cross-compiles for bare-metal Arm with the GNU Arm Embedded toolchain (arm-none-eabi-gcc and
# newlib).
set(CMAKE_SYSTEM_PROCESSOR arm)
set(bare_metal_prefix arm-none-eabi-)
include(${CMAKE_CURRENT_LIST_DIR}/bare_metal_toolchain.cmake)
