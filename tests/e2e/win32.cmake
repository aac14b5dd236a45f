# Tintcast.exe under Wine, on a display of each test's own, with a copy of the Wine
# prefix the unit tests use. The version record and imports are read from the file.
find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
# Runs under Wine beside the program, with no DLL of the toolchain's.
target_link_options(form_json PRIVATE -static)

function(tintcast_e2e_windows_test module)
    cmake_parse_arguments(ARG "" "TIMEOUT" "" ${ARGN})
    add_test(NAME e2e.${module}
        COMMAND ${SYSTEM_PYTHON} -m unittest -v ${module}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(e2e.${module} PROPERTIES
        FIXTURES_REQUIRED wine
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "TINTCAST_WINDOWS_EXE=$<TARGET_FILE:tintcast>;TINTCAST_FORM_JSON=$<TARGET_FILE:form_json>;TINTCAST_WINEPREFIX=${TINTCAST_WINEPREFIX};TINTCAST_XPM=${PROJECT_SOURCE_DIR}/window/tintcast.xpm;PYTHONDONTWRITEBYTECODE=1")
endfunction()

tintcast_e2e_windows_test(test_windows_file TIMEOUT 30)
tintcast_e2e_windows_test(test_windows TIMEOUT 300)
# Alone: a click in a bar's track that the loaded machine lets last past the scroll
# bar's repeat delay moves it by another step.
set_tests_properties(e2e.test_windows PROPERTIES RUN_SERIAL TRUE)

# The installer: installed, started and removed in a prefix of the test's own.
tintcast_e2e_windows_test(test_windows_installer TIMEOUT 240)
set_tests_properties(e2e.test_windows_installer PROPERTIES
    ENVIRONMENT_MODIFICATION "TINTCAST_MSI=set:${TINTCAST_MSI}")
