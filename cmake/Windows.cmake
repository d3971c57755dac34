# The Windows build (cross-built from Debian, see scripts/package-windows): an icon and version
# resources for both programs, Qt's DLLs and plugins installed beside them, and CPack's NSIS
# installer and portable zip made from that folder.

# ---- Icon: the program's SVG rendered at the sizes Windows shows, packed into one .ico ----
find_program(QUILLO_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(QUILLO_ICOTOOL icotool REQUIRED) # Debian's icoutils
set(QUILLO_ICON_SVG ${PROJECT_SOURCE_DIR}/data/icons/quillobarent.svg)
set(QUILLO_WINDOWS_OUT ${PROJECT_BINARY_DIR}/windows)
set(QUILLO_ICO ${QUILLO_WINDOWS_OUT}/quillobarent.ico)
set(QUILLO_ICON_PNGS)
foreach(size 16 24 32 48 64 256)
    set(png ${QUILLO_WINDOWS_OUT}/icon-${size}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLO_WINDOWS_OUT}
        COMMAND ${QUILLO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUILLO_ICON_SVG}
        DEPENDS ${QUILLO_ICON_SVG}
        VERBATIM)
    list(APPEND QUILLO_ICON_PNGS ${png})
endforeach()
# The largest size stays PNG inside the .ico, as Windows takes it since Vista.
list(POP_BACK QUILLO_ICON_PNGS QUILLO_ICON_LARGEST)
add_custom_command(OUTPUT ${QUILLO_ICO}
    COMMAND ${QUILLO_ICOTOOL} -c -o ${QUILLO_ICO} ${QUILLO_ICON_PNGS} --raw=${QUILLO_ICON_LARGEST}
    DEPENDS ${QUILLO_ICON_PNGS} ${QUILLO_ICON_LARGEST}
    COMMENT "Packing the Windows icon"
    VERBATIM)
add_custom_target(quillo_windows_icon DEPENDS ${QUILLO_ICO})

# ---- Version resources (and the icon) compiled into each program ----
function(quillo_windows_resources target description)
    set(QUILLO_RC_NAME ${target})
    set(QUILLO_RC_FILE ${target}.exe)
    set(QUILLO_RC_DESCRIPTION "${description}")
    set(rc ${QUILLO_WINDOWS_OUT}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${target}
                                PROPERTIES OBJECT_DEPENDS ${QUILLO_ICO})
    add_dependencies(${target} quillo_windows_icon)
endfunction()
quillo_windows_resources(quillobarent "Quillo Barent")
quillo_windows_resources(quillobarent-cli "Quillo Barent command line")
# The window is a GUI program: no console window opens beside it.
set_target_properties(quillobarent PROPERTIES WIN32_EXECUTABLE ON)

# ---- One flat folder: the programs, Qt's DLLs, the compiler's runtime, the plugins ----
# Windows looks for a program's DLLs in its own folder first, and Qt for its plugins in the
# program's folder (platforms/, styles/, ...), so no qt.conf and no PATH are needed.
install(TARGETS quillobarent RUNTIME DESTINATION .)

# The plugins the programs load at run time: Windows' own window system and the offscreen one
# (tests, headless runs), the Windows styles, and SQLite for Qt SQL. (Printing on Windows is
# part of Qt6PrintSupport.dll itself since Qt 6.)
set(QUILLO_QT_PLUGINS)
foreach(plugin QWindowsIntegrationPlugin QOffscreenIntegrationPlugin QWindowsVistaStylePlugin
               QSQLiteDriverPlugin)
    if(NOT TARGET Qt6::${plugin})
        if(plugin STREQUAL "QSQLiteDriverPlugin")
            find_package(Qt6 QUIET COMPONENTS Sql)
        endif()
    endif()
    if(NOT TARGET Qt6::${plugin})
        message(WARNING "Qt for Windows has no ${plugin}: the package goes without it")
        continue()
    endif()
    get_target_property(file Qt6::${plugin} IMPORTED_LOCATION_RELEASE)
    get_filename_component(type ${file} DIRECTORY)
    get_filename_component(type ${type} NAME)
    install(FILES ${file} DESTINATION ${type})
    list(APPEND QUILLO_QT_PLUGINS ${file})
endforeach()

# The DLLs the programs and plugins need (cmake/windows/InstallRuntime.cmake).
install(CODE "
    set(QUILLO_EXECUTABLES $<TARGET_FILE:quillobarent> $<TARGET_FILE:quillobarent-cli>)
    set(QUILLO_PLUGINS ${QUILLO_QT_PLUGINS})
    set(QUILLO_DLL_DIRS ${QUILLO_DLL_DIRS})
    set(QUILLO_OBJDUMP ${CMAKE_OBJDUMP})
    set(QUILLO_STRIP ${CMAKE_STRIP})
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/windows/InstallRuntime.cmake)

# The licences of what is shipped beside the programs, as Debian states them for the same
# sources: Qt (LGPL), the compiler's runtime and MinGW-w64's, SQLite (public domain).
foreach(entry "libqt6core6:Qt" "gcc-mingw-w64-base:GCC runtime" "mingw-w64-common:MinGW-w64"
              "libsqlite3-0:SQLite")
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 package)
    list(GET entry 1 name)
    if(EXISTS /usr/share/doc/${package}/copyright)
        install(FILES /usr/share/doc/${package}/copyright DESTINATION licenses RENAME "${name}.txt")
    endif()
endforeach()

# ---- The installer and the portable zip ----
# NSIS.template.in in cmake/windows: per-user or per-machine, a Start menu entry, an uninstaller.
list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/windows)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME quillobarent)
set(CPACK_PACKAGE_VENDOR "Quillo Barent")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillobarent-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of a clamp-on earth-resistance tester")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quillo Barent")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quillo Barent")
set(CPACK_NSIS_PACKAGE_NAME "Quillo Barent ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "Quillo Barent")
set(CPACK_NSIS_INSTALLED_ICON_NAME quillobarent.exe)
set(CPACK_NSIS_MUI_ICON ${QUILLO_ICO})
set(CPACK_NSIS_MUI_UNIICON ${QUILLO_ICO})
set(CPACK_NSIS_URL_INFO_ABOUT "${QUILLO_HOMEPAGE}")
set(CPACK_NSIS_CONTACT "${QUILLO_CONTACT}")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES ON)
include(CPack)
