# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it: both
# programs, the desktop entry and the icon; the package's dependencies come from the shared
# libraries the programs link (dpkg-shlibdeps), plus what is loaded at run time.
include(GNUInstallDirs)

install(TARGETS wwweksports-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WWWEKSPORTS_WINDOW AND NOT WIN32)
    install(TARGETS wwweksports RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES packaging/linux/wwweksports.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The icon is the window's own picture, drawn at build time.
    set(icon ${CMAKE_BINARY_DIR}/wwweksports.png)
    add_custom_command(OUTPUT ${icon}
        COMMAND wwweksports-make-icon ${icon}
        DEPENDS wwweksports-make-icon
        COMMENT "Drawing the program icon")
    add_custom_target(wwweksports-icon ALL DEPENDS ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()
# A user service and timer for scheduled stock uploads (README: "Running on a schedule").
install(FILES packaging/systemd/wwweksports-stock.service packaging/systemd/wwweksports-stock.timer
        DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/systemd/user)

set(CPACK_PACKAGE_NAME wwweksports)
set(CPACK_PACKAGE_VENDOR "TOLVERN")
set(CPACK_PACKAGE_CONTACT "WWWEksports <wwweksports@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Publishes a catalogue from Excel workbooks into an OpenCart 3 shop database")
set(CPACK_PACKAGE_DESCRIPTION
    "WWWEksports reads Grupas_web.xlsx and Preces_web.xlsx and writes product groups,\n\
products, special prices and stock quantities into the MySQL/MariaDB database of an\n\
OpenCart 3.0 shop: a window for the operator and wwweksports-cli for schedules.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the window's platform plugin, and the Latvian texts of Qt's
# own dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
