# MPS2 AN505: a Cortex-M33 (ARMv8-M mainline), run in its secure state.
set(board_cpu -mcpu=cortex-m33)
include("${CMAKE_CURRENT_LIST_DIR}/../cortex-m/cortex-m.cmake")
set(board_link_script "${CMAKE_CURRENT_LIST_DIR}/mps2_an505.ld")
set(board_row_bytes "65535 * 4")
