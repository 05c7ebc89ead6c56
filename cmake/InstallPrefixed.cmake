# Run by `cmake --install` with the prefix being installed to, once for the
# runtime part (the registration) and once for the development part.
# /usr keeps its configuration in /etc, as GNUInstallDirs has it. file(INSTALL)
# adds DESTDIR (CPack stages the package there) by itself.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(libdir "${prefix}/${tx_libdir}")
if(IS_ABSOLUTE "${tx_sysconfdir}")
    set(sysconfdir "${tx_sysconfdir}")
elseif(prefix MATCHES "^/(usr/?)?$")
    set(sysconfdir "/${tx_sysconfdir}")
else()
    set(sysconfdir "${prefix}/${tx_sysconfdir}")
endif()

set(TX_REGISTERED_LIBRARY "${libdir}/libtx_account.so.${tx_soversion}")
set(TX_REGISTERED_TYPELIB "${prefix}/${tx_typelib_dir}/tx_account.idl")
set(staged "${tx_binary_dir}/installed")
configure_file("${tx_source_dir}/cmake/registry.ini.in" "${staged}/registry.ini" @ONLY)
configure_file("${tx_source_dir}/cmake/tx_account.pc.in" "${staged}/tx_account.pc" @ONLY)

if(tx_part STREQUAL development)
    file(INSTALL "${staged}/tx_account.pc" DESTINATION "${libdir}/pkgconfig")
else()
    file(INSTALL "${staged}/registry.ini" DESTINATION "${sysconfdir}/xdg/tx_account")
endif()
