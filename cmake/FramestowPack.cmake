# framestow_pack(): packs a folder of pictures as a step of a firmware's own build.
#
#   framestow_pack(<name> IMAGES <folder> CONFIG <config.ini>)
#
# Relative paths are taken from the current source folder. The function
#   - makes the workspace ${CMAKE_CURRENT_BINARY_DIR}/framestow_pack/<name>, since the packer
#     works in the folder of its own program file: the program, a copy of config.ini and a copy
#     of every picture (*.png and *.bmp of <folder>, letter case ignored) go there at each run;
#   - runs the packer there as a build step that depends on every picture, on config.ini and on
#     the list of picture names, so that touching, adding or removing a picture runs it again
#     and an unchanged folder does not (the folder is searched again at every build, and CMake
#     runs again when its pictures change);
#   - fails the build when the packer fails, with the packer's own lines, and then checks the
#     result with `framestow-inspect verify` against the workspace;
#   - adds the target <name> that the step belongs to: make the firmware depend on it;
#   - sets, in the caller's scope:
#       <name>_MAPPING_SOURCE  the generated BitmapMapping.cpp, a source of the firmware
#       <name>_PACKAGES        the package files (gui01.bin, ...) in the order of their numbers
#       <name>_WORKSPACE       the workspace (temp/ holds the staging files for inspection)
#
# The package files are those of the config.ini sections gui01.bin, gui02.bin, ... that claim at
# least one picture, read from config.ini here as the packer reads it; config.ini is therefore a
# file that CMake watches. The build step checks that the packer wrote exactly these packages and
# fails otherwise, so <name>_PACKAGES never names a file that was not written this time.
#
# Example:
#   find_package(Framestow REQUIRED)
#   framestow_pack(ui IMAGES ui/image CONFIG ui/config.ini)
#   target_sources(firmware PRIVATE ${ui_MAPPING_SOURCE})
#   target_link_libraries(firmware PRIVATE Framestow::firmware_kit)
#   add_dependencies(firmware ui)

set(_FRAMESTOW_PACK_STEP "${CMAKE_CURRENT_LIST_DIR}/FramestowPackStep.cmake")

# The packer reads its INI file with names compared without regard to case, blanks around names
# and values dropped, one pair of enclosing quotes removed, the first section of a name and the
# first key within it winning. (Its ';' comment lines need no rule here: such a line names no
# section and no key that is looked up.) For each package section gui<N>.bin of the text
# this sets <out_prefix>gui<N>.bin_name and <out_prefix>gui<N>.bin_app_list (section names in
# lower case) in the caller's scope, to the values the packer reads; other keys are left out.
function(_framestow_ini_package_keys text out_prefix)
  set(seen "")
  set(current "")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\r" "\n" text "${text}")
  string(APPEND text "\n")
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    string(SUBSTRING "${text}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${text}" ${next} -1 text)
    string(REGEX REPLACE "^[ \t]+|[ \t]+$" "" line "${line}")
    if(line STREQUAL "")
      continue()
    endif()
    if(line MATCHES "^\\[([^]]*)\\]")
      string(REGEX REPLACE "^[ \t]+|[ \t]+$" "" section "${CMAKE_MATCH_1}")
      string(TOLOWER "${section}" section)
      if(section IN_LIST seen OR NOT section MATCHES "^gui[0-9]+\\.bin$")
        set(current "")
      else()
        set(current "${section}")
        list(APPEND seen "${section}")
      endif()
      continue()
    endif()
    if(current STREQUAL "")
      continue()
    endif()
    string(FIND "${line}" "=" equals)
    if(equals EQUAL -1)
      set(key "${line}")
      set(value "")
    else()
      string(SUBSTRING "${line}" 0 ${equals} key)
      math(EXPR after "${equals} + 1")
      string(SUBSTRING "${line}" ${after} -1 value)
    endif()
    string(REGEX REPLACE "^[ \t]+|[ \t]+$" "" key "${key}")
    string(TOLOWER "${key}" key)
    string(REGEX REPLACE "^[ \t]+|[ \t]+$" "" value "${value}")
    if(value MATCHES "^([\"'])(.*)([\"'])$")
      if(CMAKE_MATCH_1 STREQUAL CMAKE_MATCH_3)
        set(value "${CMAKE_MATCH_2}")
      endif()
    endif()
    set(var "${out_prefix}${current}_${key}")
    if((key STREQUAL "name" OR key STREQUAL "app_list") AND NOT DEFINED "${var}")
      set("${var}" "${value}" PARENT_SCOPE)
      set("${var}" "${value}")
    endif()
  endwhile()
endfunction()

# The text of an INI file as the packer reads it: UTF-16 (told by its byte order mark) with every
# character outside ASCII as '?', since only ASCII names and values matter here; a UTF-8 byte
# order mark dropped; anything else as it stands.
function(_framestow_ini_text path out_var)
  file(READ "${path}" mark LIMIT 2 HEX)
  if(mark STREQUAL "fffe" OR mark STREQUAL "feff")
    file(READ "${path}" hex HEX OFFSET 2)
    string(LENGTH "${hex}" digits)
    set(text "")
    set(index 0)
    while(index LESS digits)
      string(SUBSTRING "${hex}" ${index} 4 unit)
      string(LENGTH "${unit}" unit_digits)
      if(unit_digits LESS 4)
        string(APPEND unit "00")
      endif()
      if(mark STREQUAL "fffe")
        string(REGEX REPLACE "^(..)(..)$" "\\2\\1" unit "${unit}")
      endif()
      math(EXPR code "0x${unit}")
      if(code GREATER 0 AND code LESS 128)
        string(ASCII ${code} character)
        string(APPEND text "${character}")
      else()
        string(APPEND text "?")
      endif()
      math(EXPR index "${index} + 4")
    endwhile()
  else()
    file(READ "${path}" text)
    file(READ "${path}" mark LIMIT 3 HEX)
    if(mark STREQUAL "efbbbf")
      string(SUBSTRING "${text}" 3 -1 text)
    endif()
  endif()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# The package files that the packer writes for these picture names: each picture goes to the
# first of the sections gui01.bin, gui02.bin, ... (up to the first whose `name` is not its own
# section name) whose app_list contains the picture's application prefix, the text before the
# first '_' of its name; a section that receives no picture gives no file.
function(_framestow_expected_packages config picture_names out_var)
  _framestow_ini_text("${config}" text)
  _framestow_ini_package_keys("${text}" ini_)
  set(sections "")
  foreach(number RANGE 1 9999)
    if(number LESS 10)
      set(section "gui0${number}.bin")
    else()
      set(section "gui${number}.bin")
    endif()
    if(NOT "${ini_${section}_name}" STREQUAL section)
      break()
    endif()
    list(APPEND sections "${section}")
  endforeach()
  set(claimed "")
  foreach(picture IN LISTS picture_names)
    string(FIND "${picture}" "_" underscore)
    string(SUBSTRING "${picture}" 0 ${underscore} prefix)
    foreach(section IN LISTS sections)
      string(FIND "${ini_${section}_app_list}" "${prefix}" at)
      if(at GREATER -1)
        list(APPEND claimed "${section}")
        break()
      endif()
    endforeach()
  endforeach()
  set(packages "")
  foreach(section IN LISTS sections)
    if(section IN_LIST claimed)
      list(APPEND packages "${section}")
    endif()
  endforeach()
  set(${out_var} "${packages}" PARENT_SCOPE)
endfunction()

# The names of the pictures in `folder` that the packer reads: *.png and *.bmp in any letter case,
# hidden files left out. The folder is searched again at every build.
function(_framestow_picture_names folder out_var)
  file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  set(names "")
  foreach(entry IN LISTS entries)
    if(entry MATCHES "\\.([pP][nN][gG]|[bB][mM][pP])$" AND NOT entry MATCHES "^\\.")
      list(APPEND names "${entry}")
    endif()
  endforeach()
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

# Writes `content` to `path` only when it differs, so that the file's time changes exactly when
# the list it holds does.
function(_framestow_write_if_changed path content)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${content}")
endfunction()

function(framestow_pack name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "IMAGES;CONFIG" "")
  set(context "framestow_pack(${name})")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${context}: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_IMAGES OR NOT arg_CONFIG)
    message(FATAL_ERROR "${context}: both IMAGES <folder> and CONFIG <config.ini> are needed")
  endif()
  if(NOT name MATCHES "^[A-Za-z0-9_.+-]+$" OR TARGET "${name}")
    message(FATAL_ERROR "${context}: the name must be a new target name")
  endif()
  cmake_path(ABSOLUTE_PATH arg_IMAGES NORMALIZE OUTPUT_VARIABLE images)
  string(REGEX REPLACE "(.)/$" "\\1" images "${images}")
  cmake_path(ABSOLUTE_PATH arg_CONFIG NORMALIZE OUTPUT_VARIABLE config)
  if(NOT IS_DIRECTORY "${images}")
    message(FATAL_ERROR "${context}: the picture folder ${images} does not exist")
  endif()
  if(NOT EXISTS "${config}" OR IS_DIRECTORY "${config}")
    message(FATAL_ERROR "${context}: the settings file ${config} is missing or a folder")
  endif()

  set(workspace "${CMAKE_CURRENT_BINARY_DIR}/framestow_pack/${name}")
  file(MAKE_DIRECTORY "${workspace}/output")
  _framestow_picture_names("${images}" names)
  set(pictures "${names}")
  list(TRANSFORM pictures PREPEND "${images}/")
  # The package files come from config.ini, so CMake runs again when it changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${config}")
  _framestow_expected_packages("${config}" "${names}" packages)

  # Adding or removing a picture changes this list, whatever the times of the pictures are.
  set(picture_list "${workspace}/pictures.txt")
  list(JOIN names "\n" listed)
  _framestow_write_if_changed("${picture_list}" "${listed}\n")

  set(stamp "${workspace}/framestow_pack.stamp")
  set(mapping_source "${workspace}/output/BitmapMapping.cpp")
  set(package_paths "${packages}")
  list(TRANSFORM package_paths PREPEND "${workspace}/output/")
  list(JOIN packages "," package_text)
  list(LENGTH names count)
  add_custom_command(
    OUTPUT "${stamp}" "${mapping_source}" "${workspace}/output/BitmapMapping.xml"
           ${package_paths}
    COMMAND "${CMAKE_COMMAND}" "-DNAME=${name}" "-DWORKSPACE=${workspace}" "-DIMAGES=${images}"
            "-DCONFIG=${config}" "-DPICTURE_LIST=${picture_list}" "-DPACKAGES=${package_text}"
            "-DPACKER=$<TARGET_FILE:Framestow::framestow>"
            "-DINSPECT=$<TARGET_FILE:Framestow::inspect>" -P "${_FRAMESTOW_PACK_STEP}"
    DEPENDS ${pictures} "${config}" "${picture_list}" "${_FRAMESTOW_PACK_STEP}"
            "$<TARGET_FILE:Framestow::framestow>" "$<TARGET_FILE:Framestow::inspect>"
    COMMENT "${context}: packing ${count} pictures"
    VERBATIM)
  add_custom_target("${name}" DEPENDS "${stamp}")

  set(${name}_MAPPING_SOURCE "${mapping_source}" PARENT_SCOPE)
  set(${name}_PACKAGES "${package_paths}" PARENT_SCOPE)
  set(${name}_WORKSPACE "${workspace}" PARENT_SCOPE)
endfunction()
