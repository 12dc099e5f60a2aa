# Install rules and the packages cpack makes from them.
#
#   Windows (32-bit): Quelvor-<version>-win32.zip, one top folder holding
#     Quelvor.dll, quelvor.exe, README.md, INSTALL-zh.txt, examples/ and
#     docs/*.png.
#   Elsewhere: a Debian package quelvor_<version>_<arch>.deb with quelvor in
#     bin/, the plug-in in its own folder under the library directory, and
#     the README, the examples, the copyright and the changelog under
#     share/doc/quelvor, the manual page under share/man.
#
# The folders come from InstallDirs.cmake.
set(QUELVOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS quelvor RUNTIME DESTINATION ${QUELVOR_INSTALL_BINDIR})
# The import library a MinGW link leaves beside the DLL is of no use to a host.
install(TARGETS Quelvor
        RUNTIME DESTINATION ${QUELVOR_INSTALL_PLUGINDIR}
        LIBRARY DESTINATION ${QUELVOR_INSTALL_PLUGINDIR}
        ARCHIVE DESTINATION ${QUELVOR_INSTALL_PLUGINDIR} COMPONENT devel EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${QUELVOR_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${QUELVOR_INSTALL_DOCDIR}/examples)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "Darnveil")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "hit-distribution filter for seven-digit lottery numbers, with a CLI host")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  install(FILES ${QUELVOR_PACKAGING_DIR}/INSTALL-zh.txt DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.png")

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_qv_bits win32)
  else()
    set(_qv_bits win64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${_qv_bits})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  unset(_qv_bits)
else()
  set(QUELVOR_MAINTAINER "Quelvor Maintainers <maintainers@quelvor.org>")

  # The changelog's newest entry must be this version.
  set(_qv_changelog ${QUELVOR_PACKAGING_DIR}/debian/changelog)
  file(STRINGS ${_qv_changelog} _qv_top LIMIT_COUNT 1)
  if(NOT _qv_top MATCHES "^quelvor \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog: the newest entry is not version "
                        "${PROJECT_VERSION} (${_qv_top}); add an entry for it")
  endif()
  # Debian keeps changelogs and manual pages compressed, without a time
  # stamp in the header.
  find_program(QUELVOR_GZIP gzip)
  if(NOT QUELVOR_GZIP)
    message(FATAL_ERROR "gzip was not found; it compresses the changelog and the manual page")
  endif()
  function(quelvor_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    execute_process(COMMAND ${QUELVOR_GZIP} -9 -n -c ${source}
                    OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/${name}.gz RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "gzip could not compress ${source}")
    endif()
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${name}.gz DESTINATION ${destination})
  endfunction()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  quelvor_install_gzipped(${_qv_changelog} ${QUELVOR_INSTALL_DOCDIR})
  quelvor_install_gzipped(${QUELVOR_PACKAGING_DIR}/quelvor.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${QUELVOR_PACKAGING_DIR}/debian/copyright DESTINATION ${QUELVOR_INSTALL_DOCDIR})
  unset(_qv_changelog)
  unset(_qv_top)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME quelvor)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUELVOR_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quelvor screens the numbers of seven-digit lottery games: for every
candidate it counts how many positions each media bet (a bet that a
tipster recommends) covers, takes the share of bets at each hit level in
whole percent and checks it against the bands of a filter string.  This
package holds the plug-in library built for Linux and quelvor, a host on
the command line that filters all ten million numbers, explains the
verdict for one number and edits filter strings and condition files.")
endif()

include(CPack)
