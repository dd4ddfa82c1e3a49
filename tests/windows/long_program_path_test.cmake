# Runs the program folder probe from a folder whose path is far past 260 characters and checks
# that it reports that folder whole. Windows' own process start refuses such paths, so the probe
# is started from here, through the emulator; wine shows the Linux root as drive Z:.
#   cmake -DPROBE=<probe.exe> -DEMULATOR=<wine> -DWORK=<scratch folder> -P long_program_path_test.cmake
file(REMOVE_RECURSE "${WORK}")
set(deep "${WORK}")
foreach(level a b c d e f)
  string(REPEAT "${level}" 60 name)
  set(deep "${deep}/${name} x")
endforeach()
file(MAKE_DIRECTORY "${deep}")
file(COPY_FILE "${PROBE}" "${deep}/probe.exe")

execute_process(COMMAND ${EMULATOR} "${deep}/probe.exe" OUTPUT_VARIABLE reported
                RESULT_VARIABLE status)
string(REPLACE "/" "\\" expected "Z:${deep}")
file(REMOVE_RECURSE "${WORK}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the probe failed: ${status}")
endif()
if(NOT reported STREQUAL expected)
  message(FATAL_ERROR "expected\n  ${expected}\nreported\n  ${reported}")
endif()
