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

check_case("demo" LF "A001_001.png;A002_004.png;A003_001.png" "gui01.bin;gui02.bin" [[
; packages
[png]
zip_type=1
[gui01.bin]
name=gui01.bin
version=1.0.0.1
app_list=A001,A002
[gui02.bin]
name=gui02.bin
app_list=A003
]])
check_case("section without pictures" LF "A001_001.png;A003_001.png" "gui01.bin;gui03.bin" [[
[gui01.bin]
name=gui01.bin
app_list=A001
[gui02.bin]
name=gui02.bin
app_list=A002
[gui03.bin]
name=gui03.bin
app_list=A003
]])
check_case("first listing claims" LF "A002_001.png;A005_001.png" "gui01.bin" [[
[gui01.bin]
name=gui01.bin
app_list=A001;A002
[gui02.bin]
name=gui02.bin
app_list=A002
]])
check_case("misnamed section ends the list" LF "A001_001.png;A002_001.png" "gui01.bin" [[
[gui01.bin]
name=gui01.bin
app_list=A001
[gui02.bin]
name=gui2.bin
app_list=A002
[gui03.bin]
name=gui03.bin
app_list=A002
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
check_case("comments and keys without a value" LF "A001_001.png;A002_001.png" "gui02.bin" [[
[gui01.bin]
name=gui01.bin
;app_list=A001
app_list
[gui02.bin]
name=gui02.bin
app_list=A001,A002
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
check_case("ten sections" LF "A010_001.png" "gui10.bin" [[
[gui01.bin]
name=gui01.bin
[gui02.bin]
name=gui02.bin
[gui03.bin]
name=gui03.bin
[gui04.bin]
name=gui04.bin
[gui05.bin]
name=gui05.bin
[gui06.bin]
name=gui06.bin
[gui07.bin]
name=gui07.bin
[gui08.bin]
name=gui08.bin
[gui09.bin]
name=gui09.bin
[gui10.bin]
name=gui10.bin
app_list=A010
]])

if(failures)
  message(FATAL_ERROR "Package names that framestow_pack gets wrong:${failures}")
endif()
