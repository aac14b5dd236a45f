find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

# Drives real widgets the way a person does, and the test main that starts Qt.
add_library(qt_test_support STATIC
    drivers.h
    event_log.h
    qt_driver.cpp
    qt_driver.h
    qt_test_main.cpp)
target_include_directories(qt_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qt_test_support
    PUBLIC platform_qt window test_fakes Qt6::Test Qt6::Widgets GTest::gtest GTest::gmock
    PRIVATE tintcast_warnings)

# Every test gets its own process and the offscreen platform: no display needed.
function(tintcast_platform_tests target)
    add_executable(${target} ${ARGN})
    target_link_libraries(${target} PRIVATE qt_test_support tintcast_warnings)
    gtest_discover_tests(${target}
        TEST_PREFIX "platform."
        DISCOVERY_TIMEOUT 30
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS unit)
endfunction()

tintcast_platform_tests(platform_tests
    form_contract_test.cpp
    qt_form_test.cpp
    session_start_test.cpp)
target_link_libraries(platform_tests PRIVATE platform_session)

# The desktop session's rules and its question to the compositor, without Qt.
add_executable(session_rules_tests session_rules_test.cpp wayland_registry_test.cpp)
target_link_libraries(session_rules_tests
    PRIVATE session_start_core session_handover_core GTest::gtest_main tintcast_warnings)
tintcast_forbid_qt(session_rules_tests)
tintcast_gtest(session_rules_tests "platform.session." PROPERTIES LABELS unit)

# 10,000 random actions per driver, checked against a model after each one.
tintcast_platform_tests(platform_model_tests
    model_test.cpp)
