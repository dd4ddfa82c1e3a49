# What `cmake --install` puts into the prefix:
#   bin/                          framestow-pack, hexfold, framestow-inspect
#   libexec/framestow/            framestow, the packer that works in its own folder, which
#                                 framestow_pack() copies into its workspace
#   include/framestow/, lib/      the decoder as a host library: framestow_decoder.h and
#                                 libframestow_decoder.a, for host tools built without CMake (lib/
#                                 is lib/<multiarch> on Debian)
#   share/framestow/decoder/      the decoder's source and header
#   share/framestow/firmware/     the firmware kit: include/ and src/
#   share/doc/framestow/          the README, the decoder's and the firmware kit's README
#   share/man/man1/               the manual pages (manual_pages.cmake)
#   lib/cmake/Framestow/          the CMake package: find_package(Framestow), framestow_pack()
# A firmware compiles the decoder and the kit with its own toolchain, so the package offers them
# as sources (see FramestowConfig.cmake.in) rather than as this machine's compiled library.
# On a multiarch system (Debian) the library and the CMake package go into the architecture's
# folder, lib/x86_64-linux-gnu, whatever the prefix, so that the Debian package made from this
# build puts them where Debian looks for them.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries")
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FRAMESTOW_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Framestow)
set(FRAMESTOW_DECODER_SOURCE_DIR ${CMAKE_INSTALL_DATADIR}/framestow/decoder)
set(FRAMESTOW_KIT_SOURCE_DIR ${CMAKE_INSTALL_DATADIR}/framestow/firmware)
set(FRAMESTOW_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/framestow)

set_target_properties(framestow_inspect PROPERTIES EXPORT_NAME inspect)
set_target_properties(framestow_pack_command PROPERTIES EXPORT_NAME pack)
install(TARGETS framestow_pack_command hexfold framestow_inspect EXPORT FramestowTargets)
# Installed in a shared folder the packer would make image/, temp/ and output/ there: it is
# installed out of the PATH, for framestow_pack() to copy, and framestow-pack runs it on a
# workspace instead.
install(TARGETS framestow EXPORT FramestowTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/framestow)
install(EXPORT FramestowTargets NAMESPACE Framestow:: DESTINATION ${FRAMESTOW_CMAKE_DIR})

install(TARGETS framestow_decoder ARCHIVE)
install(FILES decoder/framestow_decoder.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/framestow)
install(FILES decoder/framestow_decoder.c decoder/framestow_decoder.h
        DESTINATION ${FRAMESTOW_DECODER_SOURCE_DIR})
install(DIRECTORY firmware/include firmware/src DESTINATION ${FRAMESTOW_KIT_SOURCE_DIR})
include(cmake/installed_documents.cmake)

configure_package_config_file(
  cmake/FramestowConfig.cmake.in ${PROJECT_BINARY_DIR}/FramestowConfig.cmake
  INSTALL_DESTINATION ${FRAMESTOW_CMAKE_DIR}
  PATH_VARS FRAMESTOW_DECODER_SOURCE_DIR FRAMESTOW_KIT_SOURCE_DIR)
# The package holds host programs and sources only, so a firmware built for a 32-bit processor
# may use it: no check of the pointer size.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/FramestowConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_BINARY_DIR}/FramestowConfig.cmake
              ${PROJECT_BINARY_DIR}/FramestowConfigVersion.cmake
              cmake/FramestowPack.cmake cmake/FramestowPackStep.cmake
        DESTINATION ${FRAMESTOW_CMAKE_DIR})
include(cmake/manual_pages.cmake)
