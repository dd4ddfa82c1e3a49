# The Debian package: `cpack -G DEB` in the build folder makes framestow_<version>_<arch>.deb of
# everything `cmake --install` installs, under /usr. dpkg-shlibdeps (dpkg-dev) finds the shared
# libraries the programs need and names their packages as dependencies.
# Debian's own documents of the package: the copyright file and the changelog, gzipped as the
# policy wants it.
# The package's Maintainer field and the changelog's signature: whoever builds the package to
# hand it on sets the real name and address.
set(FRAMESTOW_MAINTAINER "Framestow maintainers <maintainers@framestow.invalid>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
install(FILES cmake/debian/copyright DESTINATION ${FRAMESTOW_DOC_DIR})
configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/debian/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${FRAMESTOW_DOC_DIR})

set(CPACK_PACKAGE_NAME framestow)
set(CPACK_PACKAGE_VENDOR "Framestow developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Packs user-interface pictures into flash packages for embedded devices")
# The extended description, in lines of less than 80 characters as Debian wants them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "framestow-pack compresses PNG and 16-bit BMP pictures into flash package\n"
       "files and writes the BitmapMapping.cpp that a firmware compiles in to find\n"
       "them; framestow-inspect lists, verifies and extracts what the packages hold;\n"
       "hexfold turns the 0x literals of a text into a binary file. Also the picture\n"
       "decoder, the firmware kit's sources and a CMake package with framestow_pack().")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FRAMESTOW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
