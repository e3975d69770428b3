# Cross-compiles the 64-bit twin of the Windows program: the same sources and flags, for
# machines whose kernel runs no 32-bit code, where only Wine's 64-bit loader starts.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
