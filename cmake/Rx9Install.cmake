# Installing like a desktop application (cmake --install build --prefix /usr, DESTDIR works) and
# the Debian package (cpack -G DEB, see scripts/package).
#
#   bin/rx9player
#   libexec/rx9player/ZLMFormat                       the format tool, when it is built
#   share/rx9player/Resource.rcc                      the skin pack
#   share/rx9player/_mapapi/vantora/...               the map page (leaflet/ links to the system's)
#   share/applications/<app id>.desktop
#   share/metainfo/<app id>.metainfo.xml
#   share/icons/hicolor/{48x48,128x128,256x256}/apps/rx9player.png
#   share/icons/hicolor/scalable/apps/rx9player.svg

install(TARGETS rx9player RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET ZLMFormat)
    install(TARGETS ZLMFormat DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/rx9player)
endif()

set(rx9_desktop_file ${CMAKE_BINARY_DIR}/desktop/${RX9_APP_ID}.desktop)
set(rx9_metainfo_file ${CMAKE_BINARY_DIR}/desktop/${RX9_APP_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/desktop/rx9player.desktop.in ${rx9_desktop_file} COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/desktop/rx9player.metainfo.xml.in ${rx9_metainfo_file} @ONLY)
install(FILES ${rx9_desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${rx9_metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon is drawn with the skin pack (skin/pack), the same picture at every size.
foreach(size 48 128 256)
    install(FILES ${CMAKE_BINARY_DIR}/skin/pack/appicon/${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME rx9player.png)
endforeach()
# The same picture for any size, drawn by hand after the painter's shapes.
install(FILES ${PROJECT_SOURCE_DIR}/desktop/rx9player.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# What the tests expect an install to hold, relative to the prefix (one per line).
set(rx9_installed_files
    ${CMAKE_INSTALL_BINDIR}/rx9player
    ${RX9_INSTALL_DATADIR}/Resource.rcc
    ${RX9_INSTALL_DATADIR}/_mapapi/vantora/map_google_america.html
    ${RX9_INSTALL_DATADIR}/_mapapi/vantora/map.js
    ${RX9_INSTALL_DATADIR}/_mapapi/vantora/map.css
    ${CMAKE_INSTALL_DATADIR}/applications/${RX9_APP_ID}.desktop
    ${CMAKE_INSTALL_DATADIR}/metainfo/${RX9_APP_ID}.metainfo.xml
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps/rx9player.png
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps/rx9player.png
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps/rx9player.png
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/rx9player.svg)
if(RX9_LEAFLET_FOUND)
    list(APPEND rx9_installed_files
        ${RX9_INSTALL_DATADIR}/_mapapi/vantora/leaflet/leaflet.js
        ${RX9_INSTALL_DATADIR}/_mapapi/vantora/leaflet/leaflet.css)
endif()
if(TARGET ZLMFormat)
    list(APPEND rx9_installed_files ${CMAKE_INSTALL_LIBEXECDIR}/rx9player/ZLMFormat)
endif()
list(JOIN rx9_installed_files "\n" rx9_installed_text)
file(WRITE ${CMAKE_BINARY_DIR}/desktop/installed-files.txt "${rx9_installed_text}\n")

# The Debian package.
set(CPACK_PACKAGE_NAME rx9player)
set(CPACK_PACKAGE_VENDOR "RX-9 Vantora PC Player developers")
set(CPACK_PACKAGE_CONTACT "RX-9 Vantora PC Player developers <rx9player@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Player for the RX-9 dashboard camera's SD cards")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists and plays the normal, event and parking recordings of the camera's card, with the\n\
speed, a graph of the shock sensor and the position on a map in step with the picture;\n\
copies and exports recordings, saves still pictures, edits the camera's settings and formats\n\
the card.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links (Qt, libvlc, the C++ runtime) come from dpkg-shlibdeps; the
# rest is what the player needs at run time without linking it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(rx9_deb_depends
    "vlc-plugin-base"
    "dosfstools"
    "fonts-liberation2"
    "fonts-nanum | fonts-noto-cjk")
if(RX9_LEAFLET_FOUND)
    list(APPEND rx9_deb_depends "libjs-leaflet")
endif()
list(JOIN rx9_deb_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2")
set(CPACK_GENERATOR DEB)
include(CPack)
