# The Windows release: framestow-<version>-windows-x64.zip, made by the target windows_package of
# the cross-build. Unpacked, its folder is a ready workspace: the four programs, the README, and
# the demo's config.ini and pictures beside the packer, which works in its own folder
# (framestow-pack.exe packs the folder it is given instead).
set(FRAMESTOW_WINDOWS_PACKAGE framestow-${PROJECT_VERSION}-windows-x64)
add_custom_target(windows_package
  COMMAND ${CMAKE_COMMAND}
          -DPACKAGE_NAME=${FRAMESTOW_WINDOWS_PACKAGE}
          -DPACKER=$<TARGET_FILE:framestow>
          -DPACK_COMMAND=$<TARGET_FILE:framestow_pack_command>
          -DHEXFOLD=$<TARGET_FILE:hexfold>
          -DINSPECT=$<TARGET_FILE:framestow_inspect>
          -DSTRIP=${CMAKE_STRIP}
          -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT_DIR=${PROJECT_BINARY_DIR}
          -P ${CMAKE_CURRENT_LIST_DIR}/make_windows_package.cmake
  DEPENDS framestow framestow_pack_command hexfold framestow_inspect
  COMMENT "Packing ${FRAMESTOW_WINDOWS_PACKAGE}.zip"
  VERBATIM)
