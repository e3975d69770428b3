# The body both MinGW-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR (i686 or
# x86_64, the first word of the compilers' names) and includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(trivelle_mingw_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

# The POSIX thread model by default: its runtime has std::mutex, which GoogleTest needs.
# -static keeps the thread library inside the executable. The release tree, which builds no
# tests, chooses the win32 model (TRIVELLE_THREAD_MODEL=win32): the program starts no threads
# and so ships without the thread library.
if(NOT TRIVELLE_THREAD_MODEL)
    set(TRIVELLE_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIVELLE_THREAD_MODEL)
set(CMAKE_C_COMPILER ${trivelle_mingw_triplet}-gcc-${TRIVELLE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${trivelle_mingw_triplet}-g++-${TRIVELLE_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${trivelle_mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${trivelle_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
