# MPS2 AN500: a Cortex-M7 on the memory map of the AN386.
set(board_cpu -mcpu=cortex-m7)
include("${CMAKE_CURRENT_LIST_DIR}/../cortex-m/cortex-m.cmake")
set(board_link_script "${CMAKE_CURRENT_LIST_DIR}/../mps2-an386/mps2.ld")
set(board_row_bytes "65535 * 4")
