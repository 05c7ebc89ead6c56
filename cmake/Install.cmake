# What `cmake --install` puts under the prefix: the component with its header,
# type library, demo host, CMake package, pkg-config file and system-wide
# registration; and the Debian package CPack makes of the same.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(tx_account PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
target_include_directories(tx_account INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

# DllRegisterServer finds the installed type library from the library's folder.
set(tx_typelib_dir ${CMAKE_INSTALL_DATADIR}/tx_account)
file(RELATIVE_PATH tx_typelib_from_libdir ${CMAKE_INSTALL_FULL_LIBDIR}
    ${CMAKE_INSTALL_PREFIX}/${tx_typelib_dir}/tx_account.idl)
target_compile_definitions(tx_account PRIVATE TX_TYPELIB_FROM_LIBDIR="${tx_typelib_from_libdir}")

install(TARGETS tx_account EXPORT tx_accountTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS tx-account-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES component/tx_account.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES component/tx_account.idl DESTINATION ${tx_typelib_dir})

set(tx_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tx_account)
install(EXPORT tx_accountTargets NAMESPACE tx_account:: DESTINATION ${tx_cmake_dir})
configure_package_config_file(cmake/tx_accountConfig.cmake.in
    ${CMAKE_BINARY_DIR}/tx_accountConfig.cmake INSTALL_DESTINATION ${tx_cmake_dir}
    PATH_VARS tx_typelib_dir)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/tx_accountConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/tx_accountConfig.cmake
    ${CMAKE_BINARY_DIR}/tx_accountConfigVersion.cmake DESTINATION ${tx_cmake_dir})

# The pkg-config file and the registration name absolute paths, which only
# the prefix given at install time (`cmake --install --prefix`, CPack) settles.
install(CODE "
    set(tx_source_dir \"${CMAKE_SOURCE_DIR}\")
    set(tx_binary_dir \"${CMAKE_BINARY_DIR}\")
    set(tx_version \"${PROJECT_VERSION}\")
    set(tx_soversion \"${PROJECT_VERSION_MAJOR}\")
    set(tx_libdir \"${CMAKE_INSTALL_LIBDIR}\")
    set(tx_includedir \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(tx_sysconfdir \"${CMAKE_INSTALL_SYSCONFDIR}\")
    set(tx_typelib_dir \"${tx_typelib_dir}\")
    include(\"${CMAKE_SOURCE_DIR}/cmake/InstallPrefixed.cmake\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tx-account)
set(CPACK_PACKAGE_VENDOR "tx_account developers")
set(CPACK_PACKAGE_CONTACT "tx_account developers <tx-account@localhost>" CACHE STRING
    "The Debian package's maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Account settings component of the Tovrix mail client")
set(CPACK_PACKAGE_DESCRIPTION "An in-process COM-style component, libtx_account.so, that
shows and edits the mail client's accounts and account folders; with its
header, type library, CMake package, pkg-config file, system-wide
registration and a demo host.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the SQL drivers, the
# Japanese font the windows are drawn in and Qt's Japanese translation.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-mysql, \
libqt6sql6-odbc, libqt6svg6, fonts-ipafont-gothic, qt6-translations-l10n")
# The system-wide registration goes to /etc/xdg whatever the package's prefix.
set(CPACK_SET_DESTDIR ON)
include(CPack)
