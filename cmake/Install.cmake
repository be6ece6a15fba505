# Where `cmake --install` and the Debian package put the program: the two executables,
# the delivered files under share/kest, the desktop menu entry, the AppStream data,
# the icons, the manual pages and the package's documentation.
include(GNUInstallDirs)
# Installing needs only what is installed, not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(KEST_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KEST_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kest)

install(TARGETS kest kest-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/forms ${PROJECT_SOURCE_DIR}/data/blanks
                  ${PROJECT_SOURCE_DIR}/data/help ${PROJECT_SOURCE_DIR}/data/sim
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kest)

install(FILES ${KEST_PACKAGING_DIR}/org.kest.Kest.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KEST_PACKAGING_DIR}/org.kest.Kest.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/kest.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The PNG sizes are drawn from the SVG at build time with Qt's own SVG renderer.
set(KEST_ICON_SIZES 16 24 32 48 64 128 256)
if(KEST_GUI)
    add_executable(kest-icons ${KEST_PACKAGING_DIR}/IconRenderer.cpp)
    target_link_libraries(kest-icons PRIVATE Qt6::Gui Qt6::Svg)
    set(KEST_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
    add_custom_command(OUTPUT ${KEST_ICON_DIR}/stamp
        COMMAND kest-icons ${PROJECT_SOURCE_DIR}/data/kest.svg ${KEST_ICON_DIR} ${KEST_ICON_SIZES}
        COMMAND ${CMAKE_COMMAND} -E touch ${KEST_ICON_DIR}/stamp
        DEPENDS kest-icons ${PROJECT_SOURCE_DIR}/data/kest.svg VERBATIM)
    add_custom_target(kest-icon-files ALL DEPENDS ${KEST_ICON_DIR}/stamp)
    foreach(size ${KEST_ICON_SIZES})
        install(FILES ${KEST_ICON_DIR}/${size}x${size}/kest.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

# Manual pages and the changelog are installed compressed, as Debian wants them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(KEST_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/compressed)
set(KEST_COMPRESSED_FILES)
function(kest_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KEST_COMPRESSED_DIR}
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${source} > ${output}
        DEPENDS ${source} VERBATIM)
    set(KEST_COMPRESSED_FILES ${KEST_COMPRESSED_FILES} ${output} PARENT_SCOPE)
endfunction()
kest_gzip(${KEST_PACKAGING_DIR}/kest.1 ${KEST_COMPRESSED_DIR}/kest.1.gz)
kest_gzip(${KEST_PACKAGING_DIR}/kest-sim.1 ${KEST_COMPRESSED_DIR}/kest-sim.1.gz)
kest_gzip(${KEST_PACKAGING_DIR}/changelog ${KEST_COMPRESSED_DIR}/changelog.gz)
add_custom_target(kest-compressed-files ALL DEPENDS ${KEST_COMPRESSED_FILES})
install(FILES ${KEST_COMPRESSED_DIR}/kest.1.gz ${KEST_COMPRESSED_DIR}/kest-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KEST_COMPRESSED_DIR}/changelog.gz ${KEST_PACKAGING_DIR}/copyright DESTINATION ${KEST_DOC_DIR})

# The Debian package. Its dependencies are the ones dpkg-shlibdeps finds in the
# executables, not a hand-kept list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kest developers <kest@kest.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "heat meter archive reader and report printer")
# CPack puts the summary on the first line and folds this text under it.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kest is the dispatcher's program of a heat metering network. It reads the\n"
    "archives of the field controllers from a portable registrar over a serial\n"
    "port (a USB adapter or an on-board RS-232 port), stores the hourly, daily,\n"
    "monthly and interval values in an archive database and prints reports from\n"
    "blanks and standard forms, in its windows or from the command line, to a\n"
    "printer, PDF or a spreadsheet.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kest.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
