# The shipped program: small, and the same bytes from the same sources wherever it is built.
# Code generation stays that of the tested trees (-O2); what the program never uses goes.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
target_compile_options(trivelle_flags INTERFACE
    # One section per function and datum, so that the linker can drop the unused ones.
    -ffunction-sections -fdata-sections
    # Nothing catches an exception: the library's throws end the program (lean_runtime.cpp).
    -fno-exceptions -fno-rtti
    -include ${PROJECT_SOURCE_DIR}/cmake/lean_library.h
    # No path of the build machine in the program.
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
    # Without exceptions the 32-bit program unwinds nothing. (The 64-bit twin keeps its tables:
    # Windows itself unwinds through them.)
    target_compile_options(trivelle_flags INTERFACE -fno-asynchronous-unwind-tables)
endif()
target_link_options(trivelle_flags INTERFACE
    -Wl,--gc-sections -s
    # No link time in the PE header.
    -Wl,--no-insert-timestamp)
target_sources(trivelle PRIVATE shell/lean_runtime.cpp)
