# What every Cortex-M board of the example shares: arm-none-eabi-gcc with newlib, the start-up of
# startup.c, the sections of sections.ld (which each board's link script includes) and rdimon,
# newlib's system calls through semihosting, so that fopen, fread, printf and exit reach the
# host. A board sets board_cpu first. No floating-point unit is used, so that start-up need not
# switch one on.
set(board_toolchain "${CMAKE_CURRENT_LIST_DIR}/../../../../../cmake/arm-none-eabi.cmake")
set(board_compile_options ${board_cpu} -mthumb -mfloat-abi=soft)
set(board_sources "${CMAKE_CURRENT_LIST_DIR}/startup.c")
set(board_link_options --specs=rdimon.specs "-L${CMAKE_CURRENT_LIST_DIR}")
