# The build step of framestow_pack() (FramestowPack.cmake), run with cmake -P:
#   NAME          the framestow_pack() name, for messages
#   WORKSPACE     the workspace folder in the build tree
#   IMAGES        the folder of the pictures
#   CONFIG        the config.ini to pack with
#   PICTURE_LIST  the file that lists the names of the pictures, one a line
#   PACKAGES      the package files the packer must write, separated by commas
#   PACKER        the packer program
#   INSPECT       the framestow-inspect program
# The stamp file is written last, only when everything succeeded, so that a failed step is run
# again by the next build even where the packer left earlier outputs in place.
cmake_minimum_required(VERSION 3.25)

set(context "framestow_pack(${NAME})")
set(stamp "${WORKSPACE}/framestow_pack.stamp")

# Two builds that reach this step at once (a Makefile build whose firmware lists the mapping
# source without depending on the target) take turns instead of sharing the workspace.
file(LOCK "${WORKSPACE}/framestow_pack.lock" GUARD PROCESS)
file(REMOVE "${stamp}")

# The workspace gets exactly the listed pictures, freshly copied, so that a picture removed from
# the folder is gone from the packages too.
file(REMOVE_RECURSE "${WORKSPACE}/image")
file(MAKE_DIRECTORY "${WORKSPACE}/image")
file(STRINGS "${PICTURE_LIST}" names)
set(pictures "${names}")
list(TRANSFORM pictures PREPEND "${IMAGES}/")
if(pictures)
  file(COPY ${pictures} DESTINATION "${WORKSPACE}/image")
endif()
file(COPY_FILE "${CONFIG}" "${WORKSPACE}/config.ini")
cmake_path(GET PACKER FILENAME program)
file(COPY "${PACKER}" DESTINATION "${WORKSPACE}")

execute_process(
  COMMAND "${WORKSPACE}/${program}"
  WORKING_DIRECTORY "${WORKSPACE}"
  OUTPUT_VARIABLE lines
  ERROR_VARIABLE lines
  RESULT_VARIABLE status)
# The packer names the copies in the workspace; the user knows the pictures by their own paths.
string(REPLACE "${WORKSPACE}/image/" "${IMAGES}/" lines "${lines}")
if(NOT status EQUAL 0)
  message("${lines}")
  message(FATAL_ERROR "${context}: framestow ended with exit status ${status}; its lines are "
                      "above. Its image folder holds copies of the pictures of ${IMAGES}.")
endif()

# The packer names each package file as it writes it: "generate_gui_bin: <path>".
string(REGEX MATCHALL "generate_gui_bin: [^\n]*" written_lines "${lines}")
set(written "")
foreach(line IN LISTS written_lines)
  if(NOT line MATCHES "^generate_gui_bin: count = ")
    string(REGEX REPLACE "^generate_gui_bin: " "" path "${line}")
    cmake_path(GET path FILENAME package)
    list(APPEND written "${package}")
  endif()
endforeach()
string(REPLACE "," ";" expected "${PACKAGES}")
if(NOT written STREQUAL expected)
  list(JOIN written " " written_text)
  list(JOIN expected " " expected_text)
  message(FATAL_ERROR "${context}: framestow wrote the packages \"${written_text}\", but "
                      "config.ini and the picture names were read as giving \"${expected_text}\"; "
                      "${NAME}_PACKAGES would be wrong.")
endif()

# A package that an earlier configuration gave and this one does not is no output any more.
file(GLOB packages_present RELATIVE "${WORKSPACE}/output" "${WORKSPACE}/output/gui*.bin")
foreach(package IN LISTS packages_present)
  if(NOT package IN_LIST written)
    file(REMOVE "${WORKSPACE}/output/${package}")
  endif()
endforeach()

# A picture whose application no package lists is left out, and the packer still succeeds: say
# so. The packer also looks up the application numbers that have no picture at all (as Annn_000);
# those lines name no picture and are left out.
string(REGEX MATCHALL "get_bin_index: Error to find for [^\n]*" unclaimed "${lines}")
list(REMOVE_DUPLICATES unclaimed)
set(left_out "")
foreach(line IN LISTS unclaimed)
  string(REGEX REPLACE "^get_bin_index: Error to find for " "" picture "${line}")
  if(picture IN_LIST names)
    message("${context}: ${line}")
    list(APPEND left_out "${picture}")
  endif()
endforeach()

execute_process(
  COMMAND "${INSPECT}" verify "${WORKSPACE}/output" --workspace "${WORKSPACE}"
  OUTPUT_VARIABLE report
  ERROR_VARIABLE report
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message("${report}")
  message(FATAL_ERROR "${context}: framestow-inspect verify ended with exit status ${status}; "
                      "its lines are above.")
endif()

file(TOUCH "${stamp}")
set(packed "${names}")
if(left_out)
  list(REMOVE_ITEM packed ${left_out})
endif()
list(LENGTH packed count)
list(JOIN written " " written_text)
set(summary "${context}: ${count} pictures packed into ${written_text} and verified")
if(left_out)
  list(LENGTH left_out left_out_count)
  list(TRANSFORM left_out PREPEND "${IMAGES}/")
  list(JOIN left_out " " left_out_text)
  string(APPEND summary "; ${left_out_count} left out, as config.ini gives their application "
                        "to no package: ${left_out_text}")
endif()
message(STATUS "${summary}")
