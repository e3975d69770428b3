# GoogleTest for both trees, and one helper that turns a test program into a ctest entry.
set(TRIVELLE_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)

function(trivelle_setup_gtest)
    if(TARGET GTest::gtest)
        return()
    endif()
    if(CMAKE_CROSSCOMPILING)
        # Debian ships the sources only; build them with the cross compiler.
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    else()
        find_package(GTest REQUIRED)
    endif()
endfunction()

# trivelle_add_test(name SOURCES ... LIBRARIES ...): a GoogleTest program run by ctest
# (under Wine when cross-compiling), writing its results where scripts/test counts them.
function(trivelle_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} trivelle_flags GTest::gtest_main)
    # Under Wine a path without a drive letter is taken as relative to the working
    # directory; Z: is the whole Unix file system.
    set(results ${TRIVELLE_TEST_RESULTS})
    if(CMAKE_CROSSCOMPILING)
        set(results Z:${TRIVELLE_TEST_RESULTS})
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${results}/${name}.xml)
endfunction()
