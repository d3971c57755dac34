# Install-time script (cmake/Windows.cmake runs it): copies the DLLs the programs and the Qt
# plugins need into the install folder, found as Windows would find them, by reading their import
# tables with MinGW's objdump. Set before: QUILLO_EXECUTABLES, QUILLO_PLUGINS, QUILLO_DLL_DIRS,
# QUILLO_OBJDUMP, QUILLO_STRIP.
#
# CMake takes DLL names case-insensitively and lowercases them, so on Linux it cannot find
# Qt6Core.dll under the name qt6core.dll: such names are matched against the folders here, and
# the DLLs found that way are read in the next round for what they need in turn.
cmake_policy(VERSION 3.21) # run by cmake --install, which sets no policies
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${QUILLO_OBJDUMP})

set(available)
foreach(dir IN LISTS QUILLO_DLL_DIRS)
    file(GLOB dlls LIST_DIRECTORIES false ${dir}/*.dll)
    list(APPEND available ${dlls})
endforeach()

set(matched)       # found by name here, as paths
set(matched_names) # ... and as CMake names them
while(TRUE)
    file(GET_RUNTIME_DEPENDENCIES
        EXECUTABLES ${QUILLO_EXECUTABLES}
        MODULES ${QUILLO_PLUGINS}
        LIBRARIES ${matched}
        DIRECTORIES ${QUILLO_DLL_DIRS}
        PRE_EXCLUDE_REGEXES [[^api-ms-]] [[^ext-ms-]]
        RESOLVED_DEPENDENCIES_VAR found
        UNRESOLVED_DEPENDENCIES_VAR unresolved)
    set(more FALSE)
    foreach(dll IN LISTS available)
        get_filename_component(name ${dll} NAME)
        string(TOLOWER ${name} name)
        if(name IN_LIST unresolved AND NOT name IN_LIST matched_names)
            list(APPEND matched ${dll})
            list(APPEND matched_names ${name})
            set(more TRUE)
        endif()
    endforeach()
    if(NOT more)
        break()
    endif()
endwhile()
# What is still unresolved is Windows' own (kernel32.dll, user32.dll, ...), unless it is Qt's or
# the compiler's.
foreach(name IN LISTS unresolved)
    if(name MATCHES [[^(qt6|lib)]] AND NOT name IN_LIST matched_names)
        message(FATAL_ERROR "${name} is needed and is in none of ${QUILLO_DLL_DIRS}")
    endif()
endforeach()

set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
foreach(dll IN LISTS found matched)
    file(INSTALL ${dll} DESTINATION ${prefix} FOLLOW_SYMLINK_CHAIN)
    # Qt's and the compiler's DLLs carry their symbols: a third of their size, no use to users.
    if(CMAKE_INSTALL_DO_STRIP)
        get_filename_component(file ${dll} NAME)
        execute_process(COMMAND ${QUILLO_STRIP} --strip-unneeded ${prefix}/${file})
    endif()
endforeach()
