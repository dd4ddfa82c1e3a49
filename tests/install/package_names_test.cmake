# framestow_pack() names the package files from config.ini before the packer runs. For each case
# the packer packs small pictures of the given names with the given config.ini, and the packages
# it writes must be those that FramestowPack.cmake expects.
#   cmake -DPACKER=<framestow> -DSOURCE_DIR=<repository> -DWORK=<scratch folder>
#         -P package_names_test.cmake
cmake_minimum_required(VERSION 3.25)
include("${SOURCE_DIR}/cmake/FramestowPack.cmake")

file(REMOVE_RECURSE "${WORK}")
set(failures "")

# `encoding`: LF, CR (lone CR line ends), BOM (UTF-8 byte order mark and CR LF) or UTF16 (UTF-16
# with its byte order mark, as Windows editors save "Unicode" text).
function(check_case name encoding pictures expected text)
  set(workspace "${WORK}/${name}")
  file(MAKE_DIRECTORY "${workspace}/image")
  foreach(picture IN LISTS pictures)
    file(COPY_FILE "${SOURCE_DIR}/examples/demo/image/A003_001.png"
         "${workspace}/image/${picture}")
  endforeach()
  string(ASCII 13 cr)
  if(encoding STREQUAL "CR")
    string(REPLACE "\n" "${cr}" text "${text}")
  elseif(encoding STREQUAL "BOM")
    string(ASCII 239 187 191 bom)
    string(REPLACE "\n" "${cr}\n" text "${bom}${text}")
  endif()
  file(WRITE "${workspace}/config.ini" "${text}")
  if(encoding STREQUAL "UTF16")
    execute_process(COMMAND iconv -f UTF-8 -t UTF-16 "${workspace}/config.ini"
                    OUTPUT_FILE "${workspace}/config.utf16" COMMAND_ERROR_IS_FATAL ANY)
    file(RENAME "${workspace}/config.utf16" "${workspace}/config.ini")
  endif()
  file(COPY "${PACKER}" DESTINATION "${workspace}")
  cmake_path(GET PACKER FILENAME program)
  execute_process(COMMAND "${workspace}/${program}" OUTPUT_VARIABLE lines ERROR_VARIABLE lines
                  RESULT_VARIABLE status)
  string(REGEX MATCHALL "generate_gui_bin: [^\n]*/gui[0-9]+\\.bin" written "${lines}")
  list(TRANSFORM written REPLACE ".*/" "")
  _framestow_expected_packages("${workspace}/config.ini" "${pictures}" predicted)
  if(NOT status EQUAL 0 OR NOT written STREQUAL expected OR NOT predicted STREQUAL expected)
    string(APPEND failures "\n${name}: the packer wrote \"${written}\" (exit status ${status}), "
           "framestow_pack expects \"${predicted}\", the case \"${expected}\"")
    set(failures "${failures}" PARENT_SCOPE)
  endif()
endfunction()

# gui01.bin claims nothing: its first app_list is a comment, its second has no "=" and wins over
# the third; A002 goes to the first package that lists it; the misnamed gui04.bin ends the list,
# so A004 has no package.
check_case("what a section claims" LF "A001_001.png;A002_001.png;A004_001.png" "gui02.bin" [[
[gui01.bin]
name=gui01.bin
;app_list=A001
app_list
app_list=A001
[gui02.bin]
name=gui02.bin
app_list=A001;A002
[gui03.bin]
name=gui03.bin
app_list=A002
[gui04.bin]
name=gui4.bin
[gui05.bin]
name=gui05.bin
app_list=A004
]])
check_case("first section and key of a name win" LF "A002_001.png" "gui02.bin" [[
[gui01.bin]
name=gui01.bin
[gui02.bin]
name=gui02.bin
app_list=A002
app_list=A009
[gui03.bin]
name=gui03.bin
app_list=A002
[gui01.bin]
app_list=A002
]])
check_case("letter case, blanks and quotes" CR "A001_001.png;A002_001.png"
           "gui01.bin;gui02.bin" "[ GUI01.BIN ]\n  Name = \"gui01.bin\" \nAPP_LIST\t= 'A002'\n\
[gui02.bin]\nname=gui02.bin\napp_list=A001\n")
check_case("UTF-8 byte order mark" BOM "A001_001.png" "gui01.bin" [[
[gui01.bin]
name=gui01.bin
app_list=A001
]])
check_case("UTF-16" UTF16 "A001_001.png;A012_001.png" "gui01.bin;gui02.bin" [[
[gui01.bin]
name=gui01.bin
app_list=Ä001,A001
[gui02.bin]
name=gui02.bin
app_list=A012
]])
set(ten_sections "")
foreach(number 01 02 03 04 05 06 07 08 09 10)
  string(APPEND ten_sections "[gui${number}.bin]\nname=gui${number}.bin\n")
endforeach()
check_case("ten sections" LF "A010_001.png" "gui10.bin" "${ten_sections}app_list=A010\n")

if(failures)
  message(FATAL_ERROR "Package names that framestow_pack gets wrong:${failures}")
endif()
