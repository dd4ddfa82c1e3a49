# Stages the Windows release folder and zips it (see windows_package.cmake). The programs are
# stripped of their debugging information, and the README gets CR LF line ends for Windows
# editors.
set(stage ${OUTPUT_DIR}/${PACKAGE_NAME})
file(REMOVE_RECURSE ${stage} ${OUTPUT_DIR}/${PACKAGE_NAME}.zip)
file(MAKE_DIRECTORY ${stage}/image)

file(COPY ${PACKER} ${PACK_COMMAND} ${HEXFOLD} ${INSPECT} ${SOURCE_DIR}/examples/demo/config.ini
     DESTINATION ${stage})
execute_process(COMMAND ${STRIP} ${stage}/Framestow.exe ${stage}/framestow-pack.exe
                        ${stage}/Hexfold.exe ${stage}/framestow-inspect.exe
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB pictures ${SOURCE_DIR}/examples/demo/image/*)
file(COPY ${pictures} DESTINATION ${stage}/image)

file(READ ${SOURCE_DIR}/README.md readme)
string(REPLACE "\r\n" "\n" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${stage}/README.md "${readme}")

file(GLOB_RECURSE entries RELATIVE ${OUTPUT_DIR} ${stage}/*)
list(SORT entries)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${PACKAGE_NAME}.zip --format=zip -- ${entries}
  WORKING_DIRECTORY ${OUTPUT_DIR}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Windows release: ${OUTPUT_DIR}/${PACKAGE_NAME}.zip")
