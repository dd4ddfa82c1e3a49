# Checks the dependency rule of the packer's libraries, written down in packer/CMakeLists.txt:
# each folder may include and link only the folders listed for it below, the packer and Hexfold
# never include each other, and framestow-inspect (inspect/) reads the packer's output with the
# decoder and the packer's codec, loaders, colour conversion, packaging rules and platform layer
# only.
#
#   cmake -DSOURCE_DIR=<repository> -DLINKS=<links manifest> -P check_shape.cmake
#
# The links manifest holds one line "<library>: <libraries it links>" per packer library, as the
# build configured them. A library belongs to the folder of its name (framestow_<folder>);
# inspect/ holds framestow_inspect_core and its program framestow_inspect, framestow is the
# packer's main and hexfold_core is Hexfold.

cmake_minimum_required(VERSION 3.25)

set(allowed_platform "")
set(allowed_codec decoder)
set(allowed_image_input codec platform)
set(allowed_colour codec)
set(allowed_workspace platform)
set(allowed_packaging platform)
set(allowed_mapping packaging platform)
set(allowed_stages codec image_input colour workspace packaging mapping platform)
set(allowed_main stages)
set(allowed_inspect decoder codec image_input colour packaging platform)
set(folders platform codec image_input colour workspace packaging mapping stages)

set(problems "")

# Includes: every "<folder>/..." include of a file names a folder its own folder may use.
function(check_includes owner files)
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      if(NOT included MATCHES "/")
        continue()
      endif()
      string(REGEX REPLACE "/.*" "" folder "${included}")
      if(folder STREQUAL owner OR folder IN_LIST allowed_${owner})
        continue()
      endif()
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
      list(APPEND problems "${shown} includes ${included}: ${owner} may use only [${allowed_${owner}}]")
    endforeach()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

foreach(owner IN LISTS folders)
  file(GLOB files "${SOURCE_DIR}/packer/${owner}/*.h" "${SOURCE_DIR}/packer/${owner}/*.cpp")
  check_includes(${owner} "${files}")
endforeach()
check_includes(main "${SOURCE_DIR}/packer/main.cpp")
file(GLOB inspect_files "${SOURCE_DIR}/inspect/*.h" "${SOURCE_DIR}/inspect/*.cpp")
check_includes(inspect "${inspect_files}")

# Hexfold includes only its own files, which it names without a folder.
file(GLOB_RECURSE hexfold_files "${SOURCE_DIR}/hexfold/*.h" "${SOURCE_DIR}/hexfold/*.cpp")
set(allowed_hexfold "")
check_includes(hexfold "${hexfold_files}")

# Links: a library links only the libraries of the folders it may use.
function(folder_of library result)
  if(library STREQUAL "framestow")
    set(${result} main PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "^(framestow|hexfold)_" "" folder "${library}")
  string(REGEX REPLACE "^inspect_core$" "inspect" folder "${folder}")
  if(library MATCHES "^hexfold_")
    set(folder hexfold)
  endif()
  set(${result} ${folder} PARENT_SCOPE)
endfunction()

file(STRINGS "${LINKS}" link_lines)
foreach(line IN LISTS link_lines)
  string(REGEX REPLACE ":.*" "" library "${line}")
  string(REGEX REPLACE "^[^:]*:[ ]*" "" linked "${line}")
  folder_of(${library} owner)
  separate_arguments(linked)
  foreach(dependency IN LISTS linked)
    if(NOT dependency MATCHES "^(framestow|hexfold)_")
      continue()
    endif()
    folder_of(${dependency} folder)
    if(NOT folder STREQUAL owner AND NOT folder IN_LIST allowed_${owner})
      list(APPEND problems "${library} links ${dependency}: ${owner} may use only [${allowed_${owner}}]")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The dependency rule is broken:\n  ${text}")
endif()
message(STATUS "The packer's libraries follow the dependency rule.")
