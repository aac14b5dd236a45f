# End-to-end tests drive the installed program in Xvfb with openbox. A setup test
# installs the build into a staging prefix first, so the installed layout is tested.
set(stage ${CMAKE_BINARY_DIR}/stage)
find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

add_test(NAME e2e.install
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage})
set_tests_properties(e2e.install PROPERTIES FIXTURES_SETUP e2e_stage LABELS e2e)

# LABEL: e2e, or slow for the long reliability runs; NEEDS: a tool that only this
# test uses, without which the test is reported as skipped.
function(tintcast_e2e_test module)
    cmake_parse_arguments(ARG "" "TIMEOUT;LABEL;NEEDS" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 240)
    endif()
    if(NOT ARG_LABEL)
        set(ARG_LABEL e2e)
    endif()
    set(command ${SYSTEM_PYTHON} -m unittest -v ${module})
    if(ARG_NEEDS)
        string(TOUPPER "${ARG_NEEDS}_PROGRAM" tool)
        find_program(${tool} ${ARG_NEEDS})
        if(NOT ${tool})
            message(STATUS "${ARG_NEEDS} not found: e2e.${module} will be skipped")
            set(command ${CMAKE_COMMAND} -E echo "skipped: ${ARG_NEEDS} is not installed")
        endif()
    endif()
    add_test(NAME e2e.${module}
        COMMAND ${command}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(e2e.${module} PROPERTIES
        FIXTURES_REQUIRED e2e_stage
        TIMEOUT ${ARG_TIMEOUT}
        LABELS ${ARG_LABEL}
        SKIP_REGULAR_EXPRESSION "^skipped: "
        ENVIRONMENT "TINTCAST_PREFIX=${stage};TINTCAST_FORM_JSON=$<TARGET_FILE:form_json>;PYTHONDONTWRITEBYTECODE=1"
        ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=unset:")
endfunction()

tintcast_e2e_test(test_startup)
tintcast_e2e_test(test_layout)
tintcast_e2e_test(test_selection)
tintcast_e2e_test(test_accessibility)
tintcast_e2e_test(test_output)
tintcast_e2e_test(test_clipboard_exit)
tintcast_e2e_test(test_no_display TIMEOUT 60)
# sway headless and KWin nested in Xvfb, each with and without XWayland.
tintcast_e2e_test(test_wayland TIMEOUT 240 LABEL wayland)
tintcast_e2e_test(test_no_files TIMEOUT 120 LABEL slow NEEDS strace)
tintcast_e2e_test(test_contention LABEL slow)
# Thousands of malformed and hostile clipboard requests, to the program and its keeper.
tintcast_e2e_test(test_hostile_readers TIMEOUT 300 LABEL slow)
# Valgrind cannot run a program built with the address sanitizer.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    tintcast_e2e_test(test_valgrind TIMEOUT 400 LABEL slow NEEDS valgrind)
endif()
