# Cross-compiles the 64-bit twin of the Windows program: the same sources and flags, for
# machines whose kernel runs no 32-bit code, where only Wine's 64-bit loader starts.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The thread model as for the 32-bit program: POSIX (GoogleTest needs std::mutex), or win32
# for a release tree.
if(NOT TRIVELLE_THREAD_MODEL)
    set(TRIVELLE_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIVELLE_THREAD_MODEL)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${TRIVELLE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${TRIVELLE_THREAD_MODEL})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
