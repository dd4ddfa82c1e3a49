# MPS2 AN386: a Cortex-M4 with 4 MiB of data memory, room for a row of the widest picture.
set(board_cpu -mcpu=cortex-m4)
include("${CMAKE_CURRENT_LIST_DIR}/../cortex-m/cortex-m.cmake")
set(board_link_script "${CMAKE_CURRENT_LIST_DIR}/mps2.ld")
set(board_row_bytes "65535 * 4")
