# The RISC-V "virt" board of qemu-system-riscv32: an RV32IMAC core with its memory at
# 0x80000000, built with riscv64-unknown-elf-gcc and picolibc, whose semihosting library and
# start-up reach the host's files, console and command line. include/ stands in for the C++
# library that the toolchain lacks.
set(board_toolchain "${CMAKE_CURRENT_LIST_DIR}/../../../../../cmake/riscv64-unknown-elf.cmake")
set(board_compile_options -march=rv32imac -mabi=ilp32 --specs=picolibc.specs
                          "$<$<COMPILE_LANGUAGE:CXX>:-isystem${CMAKE_CURRENT_LIST_DIR}/include>")
set(board_sources "")
set(board_link_options --oslib=semihost --crt0=semihost)
set(board_linker_language C)
set(board_link_script "${CMAKE_CURRENT_LIST_DIR}/virt.ld")
set(board_row_bytes "65535 * 4")
