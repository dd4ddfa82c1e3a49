# Compiles the decoder as a firmware would (-Os, one section per function and per datum, so that
# a link with --gc-sections keeps only what is called) for every core family, and prints what it
# costs there as the table of decoder/README.md:
#   cmake -DSOURCE=<framestow_decoder.c> -DWORK_DIR=<dir> -P this
# "As the kit reads" is the code and read-only data that a link with --gc-sections keeps for the
# functions the firmware kit's picture reader calls; "every function" sums every .text, .rodata
# and .srodata section. Stack is the deepest chain of calls within the decoder, each frame as
# -fstack-usage gives it (nothing recurses; memcpy's and memset's own frames come on top).
# Fails when a core's compiler is missing, above 2048 bytes as the kit reads on an Arm core,
# above the core's stack ceiling (today's figure, within the 128-byte goal on every core, so that
# any growth is seen), above 64 bytes of state, or on any undefined symbol but memcpy and memset.
set(cores
    "Cortex-M0|arm-none-eabi-gcc|-mthumb -mcpu=cortex-m0|120"
    "Cortex-M4|arm-none-eabi-gcc|-mthumb -mcpu=cortex-m4|108"
    "Cortex-M7|arm-none-eabi-gcc|-mthumb -mcpu=cortex-m7|108"
    "Cortex-M33|arm-none-eabi-gcc|-mthumb -mcpu=cortex-m33|108"
    "RISC-V RV32IMAC|riscv64-unknown-elf-gcc|-march=rv32imac -mabi=ilp32 --specs=picolibc.specs|128")
set(kit_calls fsd_init fsd_finish fsd_header_ready fsd_row_bytes)
get_filename_component(include_dir "${SOURCE}" DIRECTORY)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# The sum of the sizes of the sections whose names match `pattern`, from `size -A`.
function(sum_sections size_output pattern result)
  string(REPLACE "\n" ";" lines "${size_output}")
  set(sum 0)
  foreach(line IN LISTS lines)
    # A line of `size -A`: the name, the size, the address.
    if(line MATCHES "^(${pattern})[ \t]" AND line MATCHES "[ \t]([0-9]+)[ \t]+[0-9]+$")
      math(EXPR sum "${sum} + ${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(${result} ${sum} PARENT_SCOPE)
endfunction()

# The deepest chain of frames in the call graph that -fcallgraph-info=su wrote, found by relaxing
# every edge as often as there are functions.
function(deepest_stack graph_file result)
  file(STRINGS "${graph_file}" graph)
  set(functions "")
  set(edges "")
  foreach(line IN LISTS graph)
    if(line MATCHES "^node: { title: \"([^\"]+)\" label: \"[^\"]*\\\\n([0-9]+) bytes")
      string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" name)
      list(APPEND functions ${name})
      set(frame_${name} ${CMAKE_MATCH_2})
      set(depth_${name} ${CMAKE_MATCH_2})
    elseif(line MATCHES "^edge: { sourcename: \"([^\"]+)\" targetname: \"([^\"]+)\"")
      string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" from)
      string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_2}" to)
      list(APPEND edges "${from}:${to}")
    endif()
  endforeach()
  foreach(_ IN LISTS functions)
    foreach(edge IN LISTS edges)
      string(REPLACE ":" ";" ends "${edge}")
      list(GET ends 0 from)
      list(GET ends 1 to)
      if(DEFINED depth_${to})
        math(EXPR through "${frame_${from}} + ${depth_${to}}")
        if(through GREATER depth_${from})
          set(depth_${from} ${through})
        endif()
      endif()
    endforeach()
  endforeach()
  set(stack 0)
  foreach(name IN LISTS functions)
    if(depth_${name} GREATER stack)
      set(stack ${depth_${name}})
    endif()
  endforeach()
  set(${result} ${stack} PARENT_SCOPE)
endfunction()

set(table "| Core | Code and read-only data, as the kit reads | Every function | Deepest stack | State |\n")
string(APPEND table "|---|---|---|---|---|\n")
set(failures "")
foreach(core IN LISTS cores)
  string(REPLACE "|" ";" fields "${core}")
  list(GET fields 0 name)
  list(GET fields 1 compiler)
  list(GET fields 2 core_flags)
  list(GET fields 3 stack_ceiling)
  separate_arguments(core_flags)
  unset(compiler_path)
  find_program(compiler_path ${compiler} NO_CACHE)
  if(NOT compiler_path)
    message(FATAL_ERROR "${compiler} not found, and the ${name} row needs it: "
                        "scripts/install-deps.sh --test installs the test packages")
  endif()
  string(REGEX REPLACE "gcc$" "" tool_prefix "${compiler_path}")
  string(MAKE_C_IDENTIFIER "${name}" folder)
  set(work "${WORK_DIR}/${folder}")
  file(MAKE_DIRECTORY "${work}")
  set(flags -std=c99 -Wall -Wextra -Wpedantic -Werror -Os -ffunction-sections -fdata-sections
            -fno-common ${core_flags} -I${include_dir})

  set(object "${work}/framestow_decoder.o")
  run(${compiler_path} ${flags} -fstack-usage -fcallgraph-info=su -c "${SOURCE}" -o "${object}")
  run(${tool_prefix}size -A "${object}")
  sum_sections("${output}" "\\.(text|s?rodata)[.A-Za-z0-9_]*" every_function)
  set(roots -Wl,--entry=fsd_decode)
  foreach(call IN LISTS kit_calls)
    list(APPEND roots -Wl,--undefined=${call})
  endforeach()
  run(${compiler_path} ${core_flags} -nostdlib -Wl,--gc-sections ${roots}
      -Wl,--unresolved-symbols=ignore-all "${object}" -o "${work}/kit_calls.elf")
  run(${tool_prefix}size -A "${work}/kit_calls.elf")
  sum_sections("${output}" "\\.(text|s?rodata)[.A-Za-z0-9_]*" kit)
  deepest_stack("${work}/framestow_decoder.ci" stack)

  run(${tool_prefix}nm -u "${object}")
  string(REGEX REPLACE "[ \t]*U (memcpy|memset)\n" "" foreign "${output}")
  string(STRIP "${foreign}" foreign)

  set(probe "${work}/state_size.c")
  file(WRITE "${probe}"
       "#include \"framestow_decoder.h\"\nchar fsd_state_size[sizeof(fsd_decoder)];\n")
  run(${compiler_path} ${flags} -c "${probe}" -o "${work}/state_size.o")
  run(${tool_prefix}nm -S "${work}/state_size.o")
  string(REGEX MATCH "[0-9a-f]+ ([0-9a-f]+) [A-Za-z] fsd_state_size" _ "${output}")
  math(EXPR state "0x${CMAKE_MATCH_1}")

  string(APPEND table "| ${name} | ${kit} | ${every_function} | ${stack} | ${state} |\n")
  if(name MATCHES "^Cortex" AND kit GREATER 2048)
    string(APPEND failures "${name}: ${kit} bytes of code and read-only data, above 2048\n")
  endif()
  if(stack GREATER stack_ceiling OR state GREATER 64)
    string(APPEND failures "${name}: ${stack} bytes of stack (at most ${stack_ceiling}), "
                           "${state} bytes of state (at most 64)\n")
  endif()
  if(NOT foreign STREQUAL "")
    string(APPEND failures "${name}: undefined symbols other than memcpy and memset: ${foreign}\n")
  endif()
endforeach()

file(WRITE "${WORK_DIR}/decoder_cost.md" "${table}")
message("${table}")
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "over the limits:\n${failures}")
endif()
