# What `cmake --install` puts under the prefix: the component with its header,
# type library, demo host and its manual page, CMake package, pkg-config file
# and system-wide registration.
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
# The demo host finds an installed library from its own folder.
file(RELATIVE_PATH tx_library_from_bindir ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR}/libtx_account.so.${PROJECT_VERSION_MAJOR})
target_compile_definitions(tx-account-host PRIVATE
    TX_LIBRARY_FROM_BINDIR="${tx_library_from_bindir}")

# Three parts, as Debian packages a library (./package makes one package of
# each): runtime, the library and its system-wide registration
# (libtx-account1); development, what a host's build needs
# (libtx-account-dev); host, the demo host and its manual page.
install(TARGETS tx_account EXPORT tx_accountTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS tx-account-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT host)
install(FILES host/tx-account-host.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT host)
install(FILES component/tx_account.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(FILES component/tx_account.idl DESTINATION ${tx_typelib_dir} COMPONENT development)

set(tx_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tx_account)
install(EXPORT tx_accountTargets NAMESPACE tx_account:: DESTINATION ${tx_cmake_dir}
    COMPONENT development)
configure_package_config_file(cmake/tx_accountConfig.cmake.in
    ${CMAKE_BINARY_DIR}/tx_accountConfig.cmake INSTALL_DESTINATION ${tx_cmake_dir}
    PATH_VARS tx_typelib_dir)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/tx_accountConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/tx_accountConfig.cmake
    ${CMAKE_BINARY_DIR}/tx_accountConfigVersion.cmake DESTINATION ${tx_cmake_dir}
    COMPONENT development)

# The pkg-config file and the registration name absolute paths, which only
# the prefix given at install time (`cmake --install --prefix`) settles.
foreach(part runtime development)
    install(CODE "
        set(tx_part ${part})
        set(tx_source_dir \"${CMAKE_SOURCE_DIR}\")
        set(tx_binary_dir \"${CMAKE_BINARY_DIR}\")
        set(tx_version \"${PROJECT_VERSION}\")
        set(tx_soversion \"${PROJECT_VERSION_MAJOR}\")
        set(tx_libdir \"${CMAKE_INSTALL_LIBDIR}\")
        set(tx_includedir \"${CMAKE_INSTALL_INCLUDEDIR}\")
        set(tx_sysconfdir \"${CMAKE_INSTALL_SYSCONFDIR}\")
        set(tx_typelib_dir \"${tx_typelib_dir}\")
        include(\"${CMAKE_SOURCE_DIR}/cmake/InstallPrefixed.cmake\")
    " COMPONENT ${part})
endforeach()
