# Where the Windows programs' DLLs come from on this machine: Qt for Windows (scripts/windows-qt)
# and MinGW-w64's runtime. The package copies them from here; the tests, run under Wine, find
# them here through WINEPATH.
get_target_property(QUILLO_QT_CORE_DLL Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(QUILLO_QT_BIN ${QUILLO_QT_CORE_DLL} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE QUILLO_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(QUILLO_GCC_DLL_DIR ${QUILLO_LIBSTDCXX} DIRECTORY)
set(QUILLO_DLL_DIRS ${QUILLO_QT_BIN} ${QUILLO_GCC_DLL_DIR} /usr/x86_64-w64-mingw32/lib)
