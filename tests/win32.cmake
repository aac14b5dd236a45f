# The Windows tests: GoogleTest built for the target from Debian's source package,
# and the executables run under Wine.
set(TINTCAST_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest's platform hook, ahead of its own, for every test built here: the win32
# thread model has no std::mutex.
include_directories(BEFORE ${CMAKE_CURRENT_SOURCE_DIR}/gtest_win32)
add_subdirectory(${TINTCAST_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest
    EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# The Windows tests share one Wine prefix per build tree, made by the first test.
set(TINTCAST_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
find_program(WINESERVER wineserver REQUIRED)
add_test(NAME wine.prefix
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine/make_prefix.sh ${TINTCAST_WINEPREFIX})
set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
# Waits for the Wine server the tests started to end by itself.
add_test(NAME wine.server_ends COMMAND ${WINESERVER} -w)
set_tests_properties(wine.server_ends PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
    ENVIRONMENT "WINEPREFIX=${TINTCAST_WINEPREFIX}")

# A test that runs under Wine, without a display: Wine draws off screen then.
function(tintcast_under_wine test)
    set_tests_properties(${test} PROPERTIES
        FIXTURES_REQUIRED wine
        ENVIRONMENT "WINEPREFIX=${TINTCAST_WINEPREFIX};WINEDEBUG=-all"
        ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:")
endfunction()

# A GoogleTest executable's tests. Under Wine, each start costs up to a second and a
# half, so each executable is one test there.
function(tintcast_gtest target prefix)
    add_test(NAME ${prefix}all COMMAND ${target})
    tintcast_under_wine(${prefix}all)
endfunction()
