# Installing on a Linux desktop and the Debian package.
#
#   cmake --install build                  the program, its launcher, icons, AppStream data, man page
#   cmake --build build --target package   build/tavrel_<version>_<architecture>.deb (make package)
#
# The launcher, the icon and the AppStream data share one id, the product's domain reversed.
# The window's WM_CLASS is ("tavrel", "Tavrel"): Qt takes the instance from the executable's name
# and the class from the application name, and StartupWMClass names the class.

include(GNUInstallDirs)

set(TAVREL_APP_ID "org.example.tavrel")
set(TAVREL_PACKAGE_MAINTAINER "${TAVREL_COMPANY} <packages@tavrel.example.org>" CACHE STRING
    "Maintainer of the Debian package: name <address>")
# The application's identity on Wayland is the launcher's id.
target_compile_definitions(tavrel PRIVATE TAVREL_APP_ID="${TAVREL_APP_ID}")

# The hardening Debian gives its own packages: checked buffer functions, read-only relocations
# bound at start.
foreach(t tavrel_core tavrel_platform tavrel_gui tavrel)
  target_compile_definitions(${t} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endforeach()
target_link_options(tavrel PRIVATE LINKER:-z,relro,-z,now)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

set(_pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(_pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(_icon_svg ${CMAKE_SOURCE_DIR}/assets/tavrel.svg)

# Texts that carry the build's version, company and pages.
string(REGEX REPLACE "/+$" "" _home "${TAVREL_HOMEPAGE}")
set(TAVREL_SCREENSHOT_URL "${_home}/screenshots/main-window.png")
configure_file(${_pkg_src}/${TAVREL_APP_ID}.metainfo.xml.in ${_pkg_out}/${TAVREL_APP_ID}.metainfo.xml @ONLY)
configure_file(${_pkg_src}/tavrel.1.in ${_pkg_out}/tavrel.1 @ONLY)
configure_file(${_pkg_src}/changelog.in ${_pkg_out}/changelog @ONLY)
configure_file(${_pkg_src}/copyright.in ${_pkg_out}/copyright @ONLY)

# The menus' bitmap sizes, drawn from the one picture; gzip without a time stamp, so that the
# same sources give the same package.
set(TAVREL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(_generated)
foreach(size IN LISTS TAVREL_ICON_SIZES)
  set(_png ${_pkg_out}/icons/${size}x${size}/${TAVREL_APP_ID}.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_pkg_out}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --keep-aspect-ratio
            --output=${_png} ${_icon_svg}
    DEPENDS ${_icon_svg} VERBATIM)
  list(APPEND _generated ${_png})
  install(FILES ${_png}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
foreach(f tavrel.1 changelog)
  add_custom_command(OUTPUT ${_pkg_out}/${f}.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${_pkg_out}/${f} > ${_pkg_out}/${f}.gz
    DEPENDS ${_pkg_out}/${f} VERBATIM)
  list(APPEND _generated ${_pkg_out}/${f}.gz)
endforeach()
add_custom_target(tavrel_desktop_files ALL DEPENDS ${_generated})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS tavrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg_src}/${TAVREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg_out}/${TAVREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_icon_svg} RENAME ${TAVREL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_pkg_out}/tavrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_pkg_out}/copyright ${_pkg_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavrel)

# The Debian package. Its dependencies come from the executable's libraries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VENDOR "${TAVREL_COMPANY}")
set(CPACK_PACKAGE_CONTACT "${TAVREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a dial-up, PPP, mobile or VPN connection up")
set(CPACK_PACKAGE_DESCRIPTION
"Tavrel watches the machine's Internet connection while its user is away.
Every three seconds it asks the system whether the machine is online. When
the connection drops it says so, redials the chosen NetworkManager
connection or pppd peer with the stored account, counts failed redials and
gives up after the number set, or asks first when automatic reconnection is
off.

Its small window stays on top and shows a time-stamped account of what
happened or the machine's TCP connections; both are copied to daily log
files. It can start at logon and check the vendor's web server for updates.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE TAVREL_DEB_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TAVREL_DEB_ARCH})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tavrel_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SVG icon engine as a plugin, and the program loads libcurl when the update window
# first downloads: dpkg-shlibdeps sees neither.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, libcurl4")
# What it redials with, and xdg-open for pages and downloads.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager | ppp, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
