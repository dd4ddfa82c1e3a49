# Installs the build into a prefix of its own and builds the consumer project against it, on a
# copy of the demo workspace: the pictures are packed at build time, one is decoded through the
# generated look-up and compared with its check file, and each change below must run the packer
# again or leave it alone, and pass or fail the build, as the table says. The consumer is then
# cross-built for a Cortex-M4 when arm-none-eabi-gcc is there.
#   cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<repository> -DWORK=<scratch folder>
#         -DGENERATOR=<CMake generator> -P consumer_test.cmake
cmake_minimum_required(VERSION 3.25)

set(prefix "${WORK}/prefix")
set(ui "${WORK}/ui")
set(host "${WORK}/host")
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SOURCE_DIR}/examples/demo/image" "${SOURCE_DIR}/examples/demo/config.ini"
     DESTINATION "${ui}")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${output}")
  endif()
endfunction()

run("install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
run("configure" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/install/consumer" -B "${host}"
    -G "${GENERATOR}" "-DCMAKE_PREFIX_PATH=${prefix}" "-DUI_IMAGES=${ui}/image"
    "-DUI_CONFIG=${ui}/config.ini")
file(STRINGS "${host}/ui_pack.txt" pack_lines)
list(GET pack_lines 0 workspace)
list(SUBLIST pack_lines 1 -1 packages)

# Builds the consumer and checks whether the packer ran and whether the build passed.
function(build_case name packs passes expected_text)
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${host}" -j2 RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(FIND "${output}" "framestow_pack(ui): packing" packed)
  if(packs AND packed EQUAL -1)
    message(FATAL_ERROR "${name}: the packer did not run:\n${output}")
  elseif(NOT packs AND packed GREATER -1)
    message(FATAL_ERROR "${name}: the packer ran again:\n${output}")
  endif()
  if(passes AND NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: the build failed:\n${output}")
  elseif(NOT passes AND status EQUAL 0)
    message(FATAL_ERROR "${name}: the build passed:\n${output}")
  endif()
  string(FIND "${output}" "${expected_text}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${name}: the build did not print \"${expected_text}\":\n${output}")
  endif()
endfunction()

# Decodes a picture with the consumer's program: `equal` says whether it must match its check
# file, or else not be found at all.
function(decode_case name app picture check_name equal)
  execute_process(
    COMMAND "${host}/decode_picture" "${workspace}/output"
            "${workspace}/temp/image_unzip/${check_name}" ${app} ${picture}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(equal AND NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: ${check_name} does not decode to its check file:\n${output}")
  elseif(NOT equal AND NOT output MATCHES "no such picture")
    message(FATAL_ERROR "${name}: ${check_name} is still found:\n${output}")
  endif()
endfunction()

build_case("first build" YES YES "7 pictures packed into gui01.bin gui02.bin and verified")
set(expected_packages "${workspace}/output/gui01.bin;${workspace}/output/gui02.bin")
if(NOT packages STREQUAL expected_packages)
  message(FATAL_ERROR "ui_PACKAGES is \"${packages}\", not \"${expected_packages}\"")
endif()
decode_case("first build" 1 1 A001_001.png YES)
decode_case("first build" 2 2 A002_002.bmp YES)

build_case("nothing changed" NO YES "")

file(TOUCH "${ui}/image/A001_002.png")
build_case("picture touched" YES YES "")

# Application 3 moves to a new package gui03.bin, by an edit of config.ini alone: CMake reads it
# again, and the build names the new package. Taken back, the package leaves the output folder.
file(READ "${ui}/config.ini" demo_config)
string(REPLACE "app_list=A003" "app_list=A009" moved_config "${demo_config}")
file(WRITE "${ui}/config.ini" "${moved_config}[gui03.bin]\nname=gui03.bin\napp_list=A003\n")
build_case("package added" YES YES "7 pictures packed into gui01.bin gui03.bin and")
decode_case("package added" 3 1 A003_001.png YES)
file(WRITE "${ui}/config.ini" "${demo_config}")
build_case("package taken back" YES YES "7 pictures packed into gui01.bin gui02.bin and")
if(EXISTS "${workspace}/output/gui03.bin")
  message(FATAL_ERROR "package taken back: gui03.bin is still in the output folder")
endif()

# The new picture keeps the time of its original, older than the packages: only its name tells.
# A second one belongs to an application that no package lists: the build says so.
file(COPY "${SOURCE_DIR}/examples/demo/image/A001_001.png" DESTINATION "${WORK}/spare")
file(RENAME "${WORK}/spare/A001_001.png" "${ui}/image/A003_002.png")
file(COPY_FILE "${ui}/image/A003_001.png" "${ui}/image/A009_001.png")
build_case("pictures added" YES YES "8 pictures packed into gui01.bin gui02.bin and verified; 1 left \
out, as config.ini gives their application to no package: ${ui}/image/A009_001.png")
decode_case("pictures added" 3 2 A003_002.png YES)

file(REMOVE "${ui}/image/A003_002.png" "${ui}/image/A009_001.png")
build_case("pictures removed" YES YES "7 pictures packed")
decode_case("pictures removed" 3 2 A003_002.png NO)

# Not a picture: the packer's own lines must reach the build's output, and the build must keep
# failing until the picture is mended.
file(WRITE "${ui}/image/A001_004.png" "not a picture")
build_case("broken picture" YES NO "Error: LoadBmpImage for ${ui}/image/A001_004.png")
build_case("broken picture, built again" YES NO "Error: prepare_zip_files")
file(REMOVE "${ui}/image/A001_004.png")
build_case("broken picture removed" YES YES "7 pictures packed")

# A verification that finds problems fails the step as the packer's failure does, and leaves no
# stamp behind, so that the next build runs the step again.
file(GLOB_RECURSE pack_step "${prefix}/FramestowPackStep.cmake")
cmake_path(GET pack_step PARENT_PATH framestow_dir)
execute_process(
  COMMAND "${CMAKE_COMMAND}" -DNAME=ui "-DWORKSPACE=${workspace}" "-DIMAGES=${ui}/image"
          "-DCONFIG=${ui}/config.ini" "-DPICTURE_LIST=${workspace}/pictures.txt"
          -DPACKAGES=gui01.bin,gui02.bin "-DPACKER=${prefix}/libexec/framestow/framestow" -DINSPECT=false
          -P "${pack_step}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status EQUAL 0 OR EXISTS "${workspace}/framestow_pack.stamp"
   OR NOT output MATCHES "verify ended with exit status 1")
  message(FATAL_ERROR "failed verification: the step passed or left its stamp:\n${output}")
endif()
build_case("failed verification, built again" YES YES "7 pictures packed")

find_program(arm_gcc arm-none-eabi-gcc)
if(arm_gcc)
  set(device "${WORK}/cortex-m4")
  run("configure for the Cortex-M4" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/install/consumer"
      -B "${device}" -G "${GENERATOR}"
      "-DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/arm-none-eabi.cmake"
      "-DFramestow_DIR=${framestow_dir}" "-DUI_IMAGES=${ui}/image"
      "-DUI_CONFIG=${ui}/config.ini")
  run("build for the Cortex-M4" "${CMAKE_COMMAND}" --build "${device}" -j2)
endif()
