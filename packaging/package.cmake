# The Debian package: `cmake --build build --target package` (or `cpack` in the build folder)
# writes kznload_<version>_amd64.deb with both programs, the menu entry, the icon and a man
# page for each program. Its library dependencies come from dpkg-shlibdeps.

# Man pages and the change log go in compressed, without a time stamp, so that two builds of
# the same sources give the same package.
set(_kzn_gz_files)
foreach(_source kznload.1 kznload-cli.1 changelog)
  set(_gz ${CMAKE_CURRENT_BINARY_DIR}/packaging/${_source}.gz)
  add_custom_command(
    OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/${_source} > ${_gz}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/${_source}
    VERBATIM)
  list(APPEND _kzn_gz_files ${_gz})
endforeach()
add_custom_target(kzn_package_files ALL DEPENDS ${_kzn_gz_files})

include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/kznload.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/packaging/kznload-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
              ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kznload)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KZN LOAD developers <kznload@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware and language loader for KZN GPS receivers")
set(CPACK_PACKAGE_DESCRIPTION
    "KZN LOAD writes a new program or language version into KZN GPS receivers\n"
    "over a serial line, keeping the receiver's almanac and doppler tables safe\n"
    "across the load.\n"
    "This package holds the desktop program kznload and the command-line front end\n"
    "kznload-cli for scripts and production lines.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/kznload")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The pictures are SVG, drawn by Qt's plugins, which no linker sees.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Qt's own French texts for the message boxes and the file window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
