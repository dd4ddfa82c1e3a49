# BBC micro:bit: a Cortex-M0 (ARMv6-M: no unaligned loads, no divide instruction) with 16 KiB of
# RAM. The row buffer holds a row of 480 pixels of 4 bytes, the widest the example's workspaces
# have with room to spare; the rest of the RAM is the C library's (its file and console buffers
# come from the heap) and the stack's.
set(board_cpu -mcpu=cortex-m0)
include("${CMAKE_CURRENT_LIST_DIR}/../cortex-m/cortex-m.cmake")
set(board_link_script "${CMAKE_CURRENT_LIST_DIR}/microbit.ld")
set(board_row_bytes "480 * 4")
