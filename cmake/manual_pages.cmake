# The manual pages of the programs on the PATH, made by help2man from each program's --help and
# --version at build time, gzipped as Debian installs them, and installed into share/man/man1.
# Without help2man (or when cross-building, where the programs cannot run) there are none.
find_program(FRAMESTOW_HELP2MAN help2man)
find_program(FRAMESTOW_GZIP gzip)
if(NOT FRAMESTOW_HELP2MAN OR NOT FRAMESTOW_GZIP OR CMAKE_CROSSCOMPILING)
  return()
endif()

set(pages "")
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/man")
foreach(entry IN ITEMS
        "framestow_pack_command|framestow-pack|pack the pictures of a workspace into flash packages"
        "framestow_inspect|framestow-inspect|list, verify, extract and report on framestow output"
        "hexfold|hexfold|turn the hexadecimal literals of a text into a binary file")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 target)
  list(GET parts 1 program)
  list(GET parts 2 summary)
  set(page "${PROJECT_BINARY_DIR}/man/${program}.1")
  add_custom_command(
    OUTPUT "${page}.gz"
    COMMAND "${FRAMESTOW_HELP2MAN}" --no-info "--name=${summary}" "--output=${page}"
            "$<TARGET_FILE:${target}>"
    COMMAND "${FRAMESTOW_GZIP}" -9nf "${page}"
    DEPENDS ${target}
    COMMENT "Manual page ${program}.1"
    VERBATIM)
  list(APPEND pages "${page}.gz")
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${pages})
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
