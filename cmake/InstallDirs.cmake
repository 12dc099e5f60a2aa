# Where an install puts things, relative to the install prefix.
#
# Windows: everything in one folder, the way a host's plug-in is handed out:
# Quelvor.dll and quelvor.exe side by side, the README, the install note,
# examples/ and docs/.
# Elsewhere: quelvor in bin/, the plug-in in a folder of its own under the
# (multiarch) library directory, the README and the examples under
# share/doc/quelvor.
#
# quelvor finds its plug-in relative to its own executable
# (QUELVOR_PLUGIN_DIR_FROM_BIN), so an unpacked package works from any prefix.
include(GNUInstallDirs)

if(WIN32)
  set(QUELVOR_INSTALL_BINDIR . CACHE STRING "Install folder of quelvor")
  set(QUELVOR_INSTALL_PLUGINDIR . CACHE STRING "Install folder of the plug-in library")
  set(QUELVOR_INSTALL_DOCDIR . CACHE STRING "Install folder of the README and the examples")
else()
  # GNUInstallDirs gives the multiarch directory only for the prefix /usr;
  # the plug-in folder takes it for every prefix, so that a package made
  # from any tree puts the plug-in where a Debian system keeps such files.
  set(_qv_libdir ${CMAKE_INSTALL_LIBDIR})
  if(CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version
     AND NOT _qv_libdir MATCHES "/${CMAKE_LIBRARY_ARCHITECTURE}$")
    set(_qv_libdir ${_qv_libdir}/${CMAKE_LIBRARY_ARCHITECTURE})
  endif()
  set(QUELVOR_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR} CACHE STRING "Install folder of quelvor")
  set(QUELVOR_INSTALL_PLUGINDIR ${_qv_libdir}/quelvor CACHE STRING
      "Install folder of the plug-in library")
  set(QUELVOR_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quelvor CACHE STRING
      "Install folder of the README and the examples")
  unset(_qv_libdir)
endif()

foreach(_qv_dir BINDIR PLUGINDIR)
  if(IS_ABSOLUTE "${QUELVOR_INSTALL_${_qv_dir}}")
    message(FATAL_ERROR "QUELVOR_INSTALL_${_qv_dir} must be relative to the install prefix")
  endif()
endforeach()

# The path from quelvor's folder to the plug-in's, fixed now.
file(RELATIVE_PATH QUELVOR_PLUGIN_DIR_FROM_BIN /prefix/${QUELVOR_INSTALL_BINDIR}
     /prefix/${QUELVOR_INSTALL_PLUGINDIR})
if(QUELVOR_PLUGIN_DIR_FROM_BIN STREQUAL "")
  set(QUELVOR_PLUGIN_DIR_FROM_BIN .)
endif()
