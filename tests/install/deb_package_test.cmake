# Makes the Debian package of the build with cpack, checks its control fields, unpacks it with
# dpkg-deb and runs its programs from there: framestow-inspect --version, and hexfold on a text.
#   cmake -DCPACK=<cpack> -DBUILD_DIR=<build> -DVERSION=<project version> -DWORK=<scratch folder>
#         -P deb_package_test.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/root" "${WORK}/text")

function(run what output_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output INPUT_FILE /dev/null)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${output}")
  endif()
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

function(expect what text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: \"${text}\" does not match \"${pattern}\"")
  endif()
endfunction()

run("cpack" ignored "${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -G DEB -B "${WORK}")
file(GLOB packages "${WORK}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages: ${packages}")
endif()

# Each shared library that the programs load must come with its Debian package.
set(fields
    "Package|^framestow\n$"
    "Version|^${VERSION}\n$"
    "Maintainer|^Framestow maintainers <[^>]+>\n$"
    "Depends|libc6 .*libpng16-16 .*libstdc\\+\\+6 .*libtinyxml2-9 ")
foreach(field IN LISTS fields)
  string(REPLACE "|" ";" parts "${field}")
  list(GET parts 0 name)
  list(GET parts 1 pattern)
  run("dpkg-deb -f" value dpkg-deb -f "${packages}" "${name}")
  expect("${name}" "${value}" "${pattern}")
endforeach()

run("dpkg-deb -x" ignored dpkg-deb -x "${packages}" "${WORK}/root")
set(bin "${WORK}/root/usr/bin")
foreach(file IN ITEMS bin/framestow-pack libexec/framestow/framestow lib/cmake/Framestow/FramestowConfig.cmake
                      share/framestow/decoder/framestow_decoder.c
                      share/framestow/firmware/src/picture_reader.cpp)
  if(NOT EXISTS "${WORK}/root/usr/${file}")
    message(FATAL_ERROR "The package has no /usr/${file}")
  endif()
endforeach()

run("framestow-inspect --version" version "${bin}/framestow-inspect" --version)
expect("framestow-inspect --version" "${version}" "${VERSION}")

file(WRITE "${WORK}/text/table.h" "const int t[] = {0x12345678, 0XaBc, 0x123456789, 10}; 0x10x20\n")
execute_process(COMMAND "${bin}/hexfold" table.h WORKING_DIRECTORY "${WORK}/text"
                INPUT_FILE /dev/null RESULT_VARIABLE status OUTPUT_VARIABLE output)
file(READ "${WORK}/text/ui_bitmap_mapping.bin" bytes HEX)
expect("hexfold (exit status ${status}, ${output})" "${status}:${bytes}"
       "^0:78563412bc0a000000000001234567891000000020000000$")
