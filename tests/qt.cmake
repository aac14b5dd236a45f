# The Linux tests: Debian's GoogleTest, each test its own process.
find_package(GTest REQUIRED)
include(GoogleTest)

function(tintcast_gtest target prefix)
    gtest_discover_tests(${target} TEST_PREFIX ${prefix} DISCOVERY_TIMEOUT 30 ${ARGN})
endfunction()

# The parts that hold the program's logic cannot see Qt.
add_subdirectory(boundaries)
