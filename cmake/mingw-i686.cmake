# Cross-compiles the 32-bit Windows program with MinGW-w64 and runs its tests under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
