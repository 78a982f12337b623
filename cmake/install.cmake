# Installing and packaging. `cmake --install` puts the program in bin/ and, on Linux, its
# manual page in share/man/man1/. CPack makes a Debian package on Linux (with what Debian's
# policy asks of one: the manual page and changelog compressed, a copyright file) and a zip
# of the exe and the README as text on Windows. scripts/package runs both.
if(WIN32)
  install(TARGETS VornReader RUNTIME DESTINATION .)
  # The README with Windows line ends, for Notepad.
  file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
  string(REPLACE "\n" "\r\n" readme "${readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${readme}")
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME VornReader-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS VornReader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
configure_file(${PROJECT_SOURCE_DIR}/doc/VornReader.1.in ${PROJECT_BINARY_DIR}/VornReader.1 @ONLY)

option(VORN_DEBIAN_PACKAGE "Install as the Debian package lays files out" OFF)
if(NOT VORN_DEBIAN_PACKAGE)
  install(FILES ${PROJECT_BINARY_DIR}/VornReader.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  return()
endif()

configure_file(${PROJECT_SOURCE_DIR}/doc/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
# gzip -n: no name or time stamp, so the package is the same from one build to the next.
foreach(document VornReader.1 changelog)
  add_custom_command(OUTPUT ${document}.gz
    COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/${document} > ${PROJECT_BINARY_DIR}/${document}.gz
    DEPENDS ${PROJECT_BINARY_DIR}/${document})
endforeach()
add_custom_target(compressed_documents ALL DEPENDS VornReader.1.gz changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/VornReader.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/doc/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vornreader)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornreader)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quenby <vornreader@quenby.example.net>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quenby.example.net/vorn/)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unpack Vorn archives")
# The synopsis is the summary; these lines follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VornReader reads a Vorn archive, writes every entry to a file of its own name
in the working directory and lists the entries. It refuses names that could
reach outside that directory, replaces what already stands under a name
without writing through it, and reports every entry not written in full.")
include(CPack)
