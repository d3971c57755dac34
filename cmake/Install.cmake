# Install rules, in the folders GNUInstallDirs names: the program, the simulated instrument, the
# desktop entry, the icons, the AppStream metainfo and the manual pages. The data files are
# filled in from data/ with the version and identity of cmake/Version.cmake. cmake/Package.cmake
# turns the result into a Debian package.
include(GNUInstallDirs)

set(QUILLO_DATA_SOURCE ${PROJECT_SOURCE_DIR}/data)
set(QUILLO_DATA_OUT ${PROJECT_BINARY_DIR}/data)

install(TARGETS quillobarent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The simulator is installed for demonstrations and training without the tester, under a name
# that says whose simulator it is.
install(PROGRAMS $<TARGET_FILE:instrument-sim>
        DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME quillobarent-instrument-sim)
# Installed as a file, so a stripping install (CPack's) leaves it alone: strip it here.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded
            \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillobarent-instrument-sim)
    endif()
")

# Desktop entry and metainfo, named by the application identity.
configure_file(${QUILLO_DATA_SOURCE}/quillobarent.desktop.in
               ${QUILLO_DATA_OUT}/${QUILLO_APP_ID}.desktop @ONLY)
configure_file(${QUILLO_DATA_SOURCE}/quillobarent.metainfo.xml.in
               ${QUILLO_DATA_OUT}/${QUILLO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QUILLO_DATA_OUT}/${QUILLO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUILLO_DATA_OUT}/${QUILLO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(QUILLO_DATA_FILES)

# Icons: the SVG as it is, and PNG renderings of it for the sizes desktops look up first.
set(QUILLO_ICON_SVG ${QUILLO_DATA_SOURCE}/icons/quillobarent.svg)
install(FILES ${QUILLO_ICON_SVG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QUILLO_APP_ID}.svg)
find_program(QUILLO_RSVG_CONVERT rsvg-convert)
if(QUILLO_RSVG_CONVERT)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${QUILLO_DATA_OUT}/icons/${size}x${size}/${QUILLO_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLO_DATA_OUT}/icons/${size}x${size}
            COMMAND ${QUILLO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUILLO_ICON_SVG}
            DEPENDS ${QUILLO_ICON_SVG}
            COMMENT "Rendering the ${size}x${size} icon"
            VERBATIM)
        list(APPEND QUILLO_DATA_FILES ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(WARNING "rsvg-convert (Debian package librsvg2-bin) not found: only the scalable "
                    "icon is installed, no PNG sizes")
endif()

# Manual pages, compressed as Debian installs them.
find_program(QUILLO_GZIP gzip)
foreach(page quillobarent.1 quillobarent-cli.1 quillobarent-instrument-sim.1)
    configure_file(${QUILLO_DATA_SOURCE}/man/${page}.in ${QUILLO_DATA_OUT}/man/${page} @ONLY)
    if(QUILLO_GZIP)
        # -n: no name or time stamp inside, so the same page always gives the same bytes.
        add_custom_command(OUTPUT ${QUILLO_DATA_OUT}/man/${page}.gz
            COMMAND ${QUILLO_GZIP} -9 -n -f -k ${QUILLO_DATA_OUT}/man/${page}
            DEPENDS ${QUILLO_DATA_OUT}/man/${page}
            COMMENT "Compressing the manual page ${page}"
            VERBATIM)
        list(APPEND QUILLO_DATA_FILES ${QUILLO_DATA_OUT}/man/${page}.gz)
        install(FILES ${QUILLO_DATA_OUT}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        install(FILES ${QUILLO_DATA_OUT}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()

# The package's changelog and copyright, where Debian keeps them. The changelog's entry is the
# release's, dated as the metainfo's.
execute_process(COMMAND date -R -u -d "${QUILLO_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE QUILLO_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QUILLO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillobarent)
configure_file(${QUILLO_DATA_SOURCE}/changelog.in ${QUILLO_DATA_OUT}/doc/changelog @ONLY)
configure_file(${QUILLO_DATA_SOURCE}/copyright.in ${QUILLO_DATA_OUT}/doc/copyright @ONLY)
install(FILES ${QUILLO_DATA_OUT}/doc/copyright DESTINATION ${QUILLO_DOC_DIR})
if(QUILLO_GZIP)
    add_custom_command(OUTPUT ${QUILLO_DATA_OUT}/doc/changelog.gz
        COMMAND ${QUILLO_GZIP} -9 -n -f -k ${QUILLO_DATA_OUT}/doc/changelog
        DEPENDS ${QUILLO_DATA_OUT}/doc/changelog
        VERBATIM)
    list(APPEND QUILLO_DATA_FILES ${QUILLO_DATA_OUT}/doc/changelog.gz)
    install(FILES ${QUILLO_DATA_OUT}/doc/changelog.gz DESTINATION ${QUILLO_DOC_DIR})
else()
    install(FILES ${QUILLO_DATA_OUT}/doc/changelog DESTINATION ${QUILLO_DOC_DIR})
endif()

# Built with everything else, so the install step finds the rendered files.
add_custom_target(quillo_data ALL DEPENDS ${QUILLO_DATA_FILES})

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
