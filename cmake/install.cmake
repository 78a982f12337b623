# Installing and packaging. `cmake --install` puts the programs in bin/, with lower-case names
# beside them (vornreader, vornwriter), and on Linux their manual pages in share/man/man1/,
# found under both names. CPack makes a Debian package on Linux (with what Debian's policy asks
# of one: the manual pages and changelog compressed, a copyright file) and a zip of the exes and
# the Windows users' read-me (doc/README-windows.txt) on Windows. scripts/package runs both.
if(WIN32)
  install(TARGETS VornReader VornWriter RUNTIME DESTINATION .)
  # The Windows read-me with Windows line ends, for Notepad.
  file(READ ${PROJECT_SOURCE_DIR}/doc/README-windows.txt readme)
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
install(TARGETS VornReader VornWriter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
option(VORN_DEBIAN_PACKAGE "Install as the Debian package lays files out" OFF)
# Debian compresses manual pages (gzip -n: no name or time stamp, so the package is the same
# from one build to the next).
set(manual_suffix "")
if(VORN_DEBIAN_PACKAGE)
  set(manual_suffix .gz)
endif()
# Symbolic links, made here and installed as they are.
foreach(program VornReader VornWriter)
  string(TOLOWER ${program} lower)
  configure_file(${PROJECT_SOURCE_DIR}/doc/${program}.1.in ${PROJECT_BINARY_DIR}/${program}.1 @ONLY)
  file(CREATE_LINK ${program} ${PROJECT_BINARY_DIR}/${lower} SYMBOLIC)
  file(CREATE_LINK ${program}.1${manual_suffix} ${PROJECT_BINARY_DIR}/${lower}.1${manual_suffix}
    SYMBOLIC)
  install(FILES ${PROJECT_BINARY_DIR}/${lower} DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/${program}.1${manual_suffix}
    ${PROJECT_BINARY_DIR}/${lower}.1${manual_suffix} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(VORN_DEBIAN_PACKAGE)
    add_custom_command(OUTPUT ${program}.1.gz
      COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/${program}.1 > ${PROJECT_BINARY_DIR}/${program}.1.gz
      DEPENDS ${PROJECT_BINARY_DIR}/${program}.1)
    list(APPEND compressed ${program}.1.gz)
  endif()
endforeach()
if(NOT VORN_DEBIAN_PACKAGE)
  return()
endif()

configure_file(${PROJECT_SOURCE_DIR}/doc/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT changelog.gz
  COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/changelog)
add_custom_target(compressed_documents ALL DEPENDS ${compressed} changelog.gz)
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
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unpack and make Vorn archives")
# The synopsis is the summary; these lines follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VornReader reads a Vorn archive, writes every entry to a file of its own name
in the working directory and lists the entries. It refuses names that could
reach outside that directory, replaces what already stands under a name
without writing through it, and reports every entry not written in full.
VornWriter makes a new archive of files, one entry each.")
include(CPack)
