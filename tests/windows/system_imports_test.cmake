# Fails when a Windows program imports a DLL that Windows itself does not provide: the programs
# are shipped alone, without any runtime DLL beside them.
#
#   cmake -DOBJDUMP=<objdump> -DPROGRAMS=<program;...> -P system_imports_test.cmake

cmake_minimum_required(VERSION 3.25)

set(system_dlls KERNEL32.dll msvcrt.dll ADVAPI32.dll USER32.dll)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read the imports of ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(import IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${import}")
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "${program} imports ${dll}, which Windows does not provide")
    endif()
  endforeach()
endforeach()
