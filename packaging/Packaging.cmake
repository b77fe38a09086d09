# The Debian package: cpack -G DEB in the build tree (or --config CPackConfig.cmake -B DIR).
include(GNUInstallDirs)

install(TARGETS varnis-process RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/varnis-process.service DESTINATION lib/systemd/system)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/VARNIS-A.ini.example DESTINATION ${CMAKE_INSTALL_DATADIR}/varnis-process)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnis-process)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnis-process)
set(CPACK_PACKAGE_VENDOR TOLVERN)
set(CPACK_PACKAGE_CONTACT "TOLVERN <varnis@tolvern.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Varnis exchange host beside the Firebird goods database")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# Shared libraries by dpkg-shlibdeps; the plug-ins it cannot see (the SQLite and MySQL
# drivers, the embedded Firebird engine for a database file) by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-mysql, firebird3.0-server-core, adduser")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-server, systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/prerm ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
