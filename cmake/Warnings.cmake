# Warnings for the project's own targets; Qt's headers come in as system headers.
# QUILLO_WERROR=ON (as CI builds) makes them errors, so no warning slips into the tree.
option(QUILLO_WERROR "Treat warnings in the project's own code as errors" OFF)

function(quillo_warnings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
        if(QUILLO_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endif()
endfunction()
