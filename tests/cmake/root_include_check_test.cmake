# Configures the small project of root_include_project/ once for each case and checks that only
# the sound one passes, and that a failure names the target and the property.
#   cmake -DSOURCE_DIR=<repository> -DWORK=<scratch folder> -P root_include_check_test.cmake
cmake_minimum_required(VERSION 3.25)
set(cases
    "none|0|"
    "private|1|spaced INCLUDE_DIRECTORIES: /"
    "interface|1|nested INTERFACE_INCLUDE_DIRECTORIES: $<BUILD_INTERFACE:/usr/..>")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 should_fail)
  list(GET fields 2 expected)
  file(REMOVE_RECURSE "${WORK}/${name}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${SOURCE_DIR}/tests/cmake/root_include_project"
            -B "${WORK}/${name}" -DCASE=${name} -DFRAMESTOW_SOURCE_DIR=${SOURCE_DIR}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
  if(should_fail AND result EQUAL 0)
    message(FATAL_ERROR "${name}: the configuration passed:\n${output}")
  endif()
  if(NOT should_fail AND NOT result EQUAL 0)
    message(FATAL_ERROR "${name}: the configuration failed:\n${errors}")
  endif()
  string(FIND "${errors}" "${expected}" at)
  if(should_fail AND at EQUAL -1)
    message(FATAL_ERROR "${name}: the error does not name ${expected}:\n${errors}")
  endif()
endforeach()
