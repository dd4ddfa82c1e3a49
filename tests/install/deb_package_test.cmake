# Makes the Debian package of the build with cpack, checks its control fields and that lintian
# finds neither errors nor warnings, unpacks it with dpkg-deb into a scratch root and runs its
# programs from there (each one's --version, and hexfold on a text), and configures a project
# that finds the package in that root with find_package() and no hint.
#   cmake -DCPACK=<cpack> -DBUILD_DIR=<build> -DVERSION=<project version> -DWORK=<scratch folder>
#         -DSOURCE_DIR=<repository> -DGENERATOR=<CMake generator> -P deb_package_test.cmake
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

find_program(lintian lintian)
if(NOT lintian)
  message(FATAL_ERROR "lintian is missing: bash scripts/install-deps.sh --test installs it")
endif()
run("lintian" findings "${lintian}" --fail-on error,warning "${packages}")
if(findings MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian finds errors or warnings:\n${findings}")
endif()

run("dpkg-deb -x" ignored dpkg-deb -x "${packages}" "${WORK}/root")
set(bin "${WORK}/root/usr/bin")
file(GLOB config "${WORK}/root/usr/lib/*/cmake/Framestow/FramestowConfig.cmake")
file(GLOB library "${WORK}/root/usr/lib/*/libframestow_decoder.a")
if(NOT config OR NOT library)
  message(FATAL_ERROR "The package has no CMake package or library in /usr/lib/<multiarch>")
endif()
foreach(file IN ITEMS libexec/framestow/framestow include/framestow/framestow_decoder.h
                      share/framestow/decoder/framestow_decoder.c
                      share/framestow/firmware/src/picture_reader.cpp
                      share/doc/framestow/decoder/README.md share/doc/framestow/firmware/README.md)
  if(NOT EXISTS "${WORK}/root/usr/${file}")
    message(FATAL_ERROR "The package has no /usr/${file}")
  endif()
endforeach()

foreach(program IN ITEMS framestow-pack framestow-inspect hexfold)
  if(NOT EXISTS "${WORK}/root/usr/share/man/man1/${program}.1.gz")
    message(FATAL_ERROR "The package has no manual page for ${program}")
  endif()
  run("${program} --version" version "${bin}/${program}" --version)
  expect("${program} --version" "${version}" "^${program} ${VERSION}\n$")
endforeach()

# The installed documents point at nothing that only a checkout of the repository has.
file(READ "${WORK}/root/usr/share/doc/framestow/README.md" readme)
expect("the installed README" "${readme}" "^[^<]*(<[^!][^<]*)*$")
foreach(path IN ITEMS scripts/ tests/ bench/ fuzz/ .ci/)
  string(FIND "${readme}" "${path}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "The installed README names ${path}, which is not installed")
  endif()
endforeach()

run("find_package(Framestow) in the package's root" ignored "${CMAKE_COMMAND}"
    -S "${SOURCE_DIR}/tests/install/deb_consumer" -B "${WORK}/consumer" -G "${GENERATOR}"
    "-DCMAKE_FIND_ROOT_PATH=${WORK}/root" -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY)

file(WRITE "${WORK}/text/table.h" "const int t[] = {0x12345678, 0XaBc, 0x123456789, 10}; 0x10x20\n")
execute_process(COMMAND "${bin}/hexfold" table.h WORKING_DIRECTORY "${WORK}/text"
                INPUT_FILE /dev/null RESULT_VARIABLE status OUTPUT_VARIABLE output)
file(READ "${WORK}/text/ui_bitmap_mapping.bin" bytes HEX)
expect("hexfold (exit status ${status}, ${output})" "${status}:${bytes}"
       "^0:78563412bc0a000000000001234567891000000020000000$")
