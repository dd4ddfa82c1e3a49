# The documents installed into share/doc/framestow: the README, the decoder's and the firmware
# kit's, each without the parts that only a checkout of the repository can follow (between
# "<!-- source-tree -->" and "<!-- /source-tree -->"), and the files they show: the demo workspace
# and the report's picture. The files keep their places relative to each other, so the links
# between them hold.

# Writes `source` (relative to the project) to `destination` in the build tree without its
# source-tree parts.
function(framestow_write_installed_document source destination)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
  file(READ ${PROJECT_SOURCE_DIR}/${source} text)
  set(kept "")
  while(TRUE)
    string(FIND "${text}" "<!-- source-tree -->" start)
    if(start EQUAL -1)
      break()
    endif()
    string(FIND "${text}" "<!-- /source-tree -->" end)
    if(end LESS start)
      message(FATAL_ERROR "${source}: a source-tree part is not closed")
    endif()
    string(SUBSTRING "${text}" 0 ${start} before)
    math(EXPR after "${end} + 21")
    string(SUBSTRING "${text}" ${after} -1 text)
    string(APPEND kept "${before}")
  endwhile()
  string(APPEND kept "${text}")
  string(REGEX REPLACE "\n\n\n+" "\n\n" kept "${kept}")
  file(WRITE ${PROJECT_BINARY_DIR}/installed_documents/${destination} "${kept}")
endfunction()

framestow_write_installed_document(README.md README.md)
framestow_write_installed_document(decoder/README.md decoder/README.md)
framestow_write_installed_document(firmware/README.md firmware/README.md)
install(DIRECTORY ${PROJECT_BINARY_DIR}/installed_documents/ DESTINATION ${FRAMESTOW_DOC_DIR})
install(FILES docs/report.png DESTINATION ${FRAMESTOW_DOC_DIR}/docs)
install(DIRECTORY examples/demo/image DESTINATION ${FRAMESTOW_DOC_DIR}/examples/demo)
install(FILES examples/demo/config.ini DESTINATION ${FRAMESTOW_DOC_DIR}/examples/demo)
