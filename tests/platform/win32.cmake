# The Win32 binding's tests, with the same contract scenarios and model run as the
# Qt binding's; each executable is one test under Wine.
add_library(win32_test_support STATIC drivers.h event_log.h win32_driver.cpp win32_driver.h)
target_include_directories(win32_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_test_support
    PUBLIC platform_win32 window test_fakes GTest::gtest GTest::gmock
    PRIVATE tintcast_warnings)

# The form takes its icon from the executable: the tests carry the program's.
set(TEST_ICO ${PROJECT_BINARY_DIR}/app/tintcast.ico)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/icon.rc "1 ICON \"${TEST_ICO}\"\n")
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/icon.rc PROPERTIES OBJECT_DEPENDS ${TEST_ICO})

add_executable(platform_tests form_contract_test.cpp win32_form_test.cpp
    ${CMAKE_CURRENT_BINARY_DIR}/icon.rc)
# oleacc for the screen-reader probe.
target_link_libraries(platform_tests
    PRIVATE win32_test_support GTest::gtest_main oleacc ole32 oleaut32 uuid tintcast_warnings)
add_dependencies(platform_tests tintcast_icon)
tintcast_gtest(platform_tests "platform.")

# 10,000 random actions per driver, checked against a model after each one.
add_executable(platform_model_tests model_test.cpp)
target_link_libraries(platform_model_tests
    PRIVATE win32_test_support GTest::gtest_main tintcast_warnings)
tintcast_gtest(platform_model_tests "platform.model.")

# Both copy through the one clipboard of the shared Wine server.
set_tests_properties(platform.all platform.model.all PROPERTIES RESOURCE_LOCK wine_clipboard)
