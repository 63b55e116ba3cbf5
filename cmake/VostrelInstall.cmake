# What `cmake --install` puts where, the `uninstall` target, and the Debian
# package that scripts/package makes with CPack. Included by the top-level
# CMakeLists.txt after the vostrel target exists.
#
#   bin/vostrel                                   the program
#   share/vostrel/{help,data}/                    found from bin/ as ../share/vostrel
#   share/applications/ID.desktop                 the menu entry
#   share/metainfo/ID.metainfo.xml                what software centres show
#   share/icons/hicolor/{scalable,NxN}/apps/      the icon, as SVG and PNGs
#   share/man/man1/vostrel.1.gz                   the manual page
#   share/doc/vostrel/copyright                   the licences

# The manual page and the metainfo carry the version and the application id.
configure_file(${PROJECT_SOURCE_DIR}/docs/vostrel.1.in ${PROJECT_BINARY_DIR}/vostrel.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/vostrel.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${VOSTREL_APP_ID}.metainfo.xml @ONLY)
# Manual pages are kept compressed, reproducibly (no name or time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/vostrel.1.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/vostrel.1 ${PROJECT_BINARY_DIR}/man/vostrel.1
                   COMMAND ${GZIP_PROGRAM} -9nf ${PROJECT_BINARY_DIR}/man/vostrel.1
                   DEPENDS ${PROJECT_BINARY_DIR}/vostrel.1 VERBATIM)

# The icon at the sizes menus and docks ask for, rendered from the SVG at
# build time (rsvg-convert, Debian librsvg2-bin, which scripts/setup installs).
set(VOSTREL_ICON_SIZES 16 32 48 64 128 256)
find_program(RSVG_CONVERT rsvg-convert)
set(generated_files ${PROJECT_BINARY_DIR}/man/vostrel.1.gz)
if(RSVG_CONVERT)
  foreach(size ${VOSTREL_ICON_SIZES})
    set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/vostrel.png)
    add_custom_command(OUTPUT ${png}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
                       COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${PROJECT_SOURCE_DIR}/data/vostrel.svg -o ${png}
                       DEPENDS ${PROJECT_SOURCE_DIR}/data/vostrel.svg VERBATIM)
    list(APPEND generated_files ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert not found (Debian librsvg2-bin): only the scalable icon and the 256 x 256 one are "
                  "installed")
  install(FILES data/vostrel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()
add_custom_target(vostrel_install_files ALL DEPENDS ${generated_files})

install(TARGETS vostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vostrel/help)
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vostrel/data)
install(FILES packaging/vostrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${VOSTREL_APP_ID}.desktop)
install(FILES ${PROJECT_BINARY_DIR}/${VOSTREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/vostrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_BINARY_DIR}/man/vostrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# `cmake --build build --target uninstall` removes what the last install
# listed in install_manifest.txt, and the folders it leaves empty.
configure_file(${PROJECT_SOURCE_DIR}/packaging/uninstall.cmake.in ${PROJECT_BINARY_DIR}/uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${PROJECT_BINARY_DIR}/uninstall.cmake VERBATIM)

# The Debian package (scripts/package): its dependencies come from
# dpkg-shlibdeps; what is loaded at run time without being linked (sound
# decoders, the browser for the manual, picture formats) is recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vostrel)
set(CPACK_PACKAGE_VENDOR "The Vostrel developers")
set(CPACK_PACKAGE_CONTACT "Vostrel developers <dev@vostrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music library browser with a tree defined in SQL")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vostrel shows a music library as a tree whose shape you define in SQL,
from folder nodes and query nodes. Clicking a node adds, inserts or sends its
tracks to a playlist, runs SQL, or opens the SQL console. A small player plays
the playlists; everything can also be done from the command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libavformat is opened at run time, only for files TagLib refuses, so
# dpkg-shlibdeps does not see it: recommend the major version built against.
string(REGEX MATCH "^[0-9]+" VOSTREL_AVFORMAT_MAJOR "${LIBAV_libavformat_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-image-formats-plugins, xdg-utils, libavformat${VOSTREL_AVFORMAT_MAJOR}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
