# Compiles the decoder for a Cortex-M4 as a firmware would and checks what it costs there:
#   cmake -DARM_GCC=<arm-none-eabi-gcc> -DSOURCE=<framestow_decoder.c> -DWORK_DIR=<dir> -P this
# Fails above 2048 bytes of .text, above 128 bytes of stack (the deepest chain of calls within the
# decoder, each frame as -fstack-usage gives it; nothing recurses, and memcpy's and memset's own
# frames come on top), above 64 bytes of state, or on any undefined symbol but memcpy and memset.
if(NOT ARM_GCC)
  message(FATAL_ERROR "arm-none-eabi-gcc not found: scripts/install-deps.sh --test installs gcc-arm-none-eabi")
endif()
string(REGEX REPLACE "gcc$" "" tool_prefix "${ARM_GCC}")
get_filename_component(include_dir "${SOURCE}" DIRECTORY)
file(MAKE_DIRECTORY "${WORK_DIR}")
set(flags -std=c99 -Wall -Wextra -Wpedantic -Werror -Os -mthumb -mcpu=cortex-m4 -fno-common
          -I${include_dir})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(object "${WORK_DIR}/framestow_decoder.o")
run(${ARM_GCC} ${flags} -fstack-usage -fcallgraph-info=su -c "${SOURCE}" -o "${object}")

run(${tool_prefix}size -A "${object}")
string(REGEX MATCH "\n\\.text[ \t]+([0-9]+)" _ "${output}")
set(text "${CMAKE_MATCH_1}")

# The call graph: each function's own frame, then the deepest chain below each, found by relaxing
# every edge as often as there are functions.
file(STRINGS "${WORK_DIR}/framestow_decoder.ci" graph)
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

run(${tool_prefix}nm -u "${object}")
string(REGEX REPLACE "[ \t]*U (memcpy|memset)\n" "" foreign "${output}")
string(STRIP "${foreign}" foreign)

set(probe "${WORK_DIR}/state_size.c")
file(WRITE "${probe}" "#include \"framestow_decoder.h\"\nchar fsd_state_size[sizeof(fsd_decoder)];\n")
run(${ARM_GCC} ${flags} -c "${probe}" -o "${WORK_DIR}/state_size.o")
run(${tool_prefix}nm -S "${WORK_DIR}/state_size.o")
string(REGEX MATCH "[0-9a-f]+ ([0-9a-f]+) [A-Za-z] fsd_state_size" _ "${output}")
math(EXPR state "0x${CMAKE_MATCH_1}")

message(STATUS "Cortex-M4 -Os: .text ${text} bytes, stack ${stack} bytes, state ${state} bytes")
if(text GREATER 2048 OR stack GREATER 128 OR state GREATER 64 OR NOT foreign STREQUAL "")
  message(FATAL_ERROR "over the limits (2048 .text, 128 stack, 64 state; only memcpy and memset"
                      " undefined): ${foreign}")
endif()
