# The Debian package: `tools/package` builds it from the release preset with `cpack`. It holds
# whatever `cmake --install` installs under /usr (the programs, and the service with its unit,
# bus and polkit files), the maintainer scripts that make the bus and systemd see the service
# at once, and the copyright file and changelog Debian asks for.

include(GNUInstallDirs)

set(KELM_PACKAGE_NAME kelm-fwupdate)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${PROJECT_SOURCE_DIR}/packaging/changelog"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${KELM_PACKAGE_NAME}")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides" RENAME "${KELM_PACKAGE_NAME}")
# The system's folder for the vendor's images, empty: the package ships none of them, the
# administrator (or another package) puts them there, and the programs look there at run time.
install(DIRECTORY DESTINATION "lib/firmware/${KELM_PACKAGE_NAME}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME "${KELM_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "firmware update utility for USB enclosures with JMicron bridges")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the USB-to-ATA bridge behind each USB mass-storage enclosure
attached to the machine, shows its model, revision and firmware version,
backs up its flash and updates its firmware from the vendor's images:
those built into the program, or FW352A.bin, FW352B.bin and FW339.bin put
in /usr/lib/firmware/kelm-fwupdate or ~/.local/share/kelm-fwupdate/firmware.
The package carries none of them unless it was built with them.
.
kelm-fwupdate is the window, kelmtool its command-line counterpart. Neither
runs as root nor opens an enclosure itself: the system service
kelm-fwupdated, started by the bus on demand, does it for them once polkit
allows the action.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Kelm firmware update utility developers <dev@kelm.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from dpkg-shlibdeps; the fonts because the window's layout is measured in them;
# the system bus that starts the service and polkitd that authorizes its callers.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, dbus, polkitd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/postinst;${PROJECT_SOURCE_DIR}/packaging/prerm;${PROJECT_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Man pages and the changelog gzipped, programs without comment sections: as Debian wants.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/packaging/finish-staging.cmake")
set(CPACK_OUTPUT_FILE_PREFIX "${PROJECT_BINARY_DIR}/package")

include(CPack)
