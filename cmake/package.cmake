# The Debian package made by `cpack -G DEB` in a build folder.
set(CPACK_PACKAGE_NAME morfel)
# The version the programs print, from the one place it is written.
file(STRINGS ${CMAKE_SOURCE_DIR}/cli/usage.h morfel_version_line REGEX "kMorfelVersion = ")
string(REGEX MATCH "\"([0-9.]+)\"" morfel_version_quoted "${morfel_version_line}")
set(CPACK_PACKAGE_VERSION ${CMAKE_MATCH_1})
set(CPACK_PACKAGE_CONTACT "Morfel developers <morfel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Per-pixel image transforms written in a small C-like language")
set(CPACK_PACKAGE_DESCRIPTION
    "Morfel applies programs written in a small C-like script language to every pixel of an \
image: from the command line (morfel), in a live editor with a preview (morfel-studio), or as \
a filter plug-in that an image editor loads.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The shared libraries the programs link decide the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
