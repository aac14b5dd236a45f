# The Debian package of the Linux program: `cpack` in a build folder makes
# tintcast_<version>-1_<arch>.deb.
find_program(GZIP gzip REQUIRED)

# Debian's documentation files, compressed without a name or time stamp so that
# the package comes out the same on every build.
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/changelog.Debian > ${changelog}
    DEPENDS changelog.Debian
    VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${changelog})
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/tintcast)
install(FILES copyright ${changelog} DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintcast)
# The version as the program states it, with the first package release.
set(CPACK_PACKAGE_VERSION ${TINTCAST_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_VENDOR Olundar)
set(CPACK_PACKAGE_CONTACT "Olundar <tintcast@olundar.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.olundar.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compose a colour and copy it as text")
set(CPACK_PACKAGE_DESCRIPTION [[
Tintcast composes a colour from its red, green and blue parts, with three
bars or eight preset buttons, shows it in a swatch and writes it as text in
one of three notations: VBasic (&H and hexadecimal digits, red in the low
byte), HTML (#RRGGBB) and DBasic (the three decimal values in parentheses).

One click copies the text to the clipboard, where it stays after Tintcast
ends, even when no clipboard manager runs. The window can be kept above all
others.]])
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, but needed: Qt's Wayland platform plugin for sessions without XWayland,
# and wl-copy, which keeps the copied text on compositors with data-control.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, wl-clipboard")
# The layout is measured against a face metrically equal to the classic sans serif;
# without it fontconfig draws a wider one (DejaVu Sans). The program works with any
# face, so it is recommended, which apt installs by default, rather than required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation | fonts-liberation2")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The package is made and unpacked as a set-up step of its tests, so the tests
# see exactly what apt would install.
if(BUILD_TESTING)
    find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
    find_program(DPKG dpkg REQUIRED)
    find_program(DPKG_DEB dpkg-deb REQUIRED)
    find_program(LINTIAN lintian REQUIRED)
    execute_process(COMMAND ${DPKG} --print-architecture
        OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(package_dir ${CMAKE_BINARY_DIR}/package)
    set(deb ${package_dir}/tintcast_${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}_${architecture}.deb)
    set(root ${package_dir}/root)

    add_test(NAME package.build
        COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${package_dir})
    add_test(NAME package.unpack
        COMMAND sh -c [[rm -rf "$3" && "$1" -x "$2" "$3"]] sh ${DPKG_DEB} ${deb} ${root})
    add_test(NAME package.contents
        COMMAND ${SYSTEM_PYTHON} -m unittest -v test_package
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/packaging)
    # Warnings and notes fail too (a missing protection is a note), but for the one
    # that only an upload to Debian's archive can answer (the bug that a first upload
    # closes) and the compiler's version note, which CPack's strip leaves in.
    add_test(NAME package.lintian
        COMMAND ${LINTIAN} --fail-on error,warning,info
            --suppress-tags initial-upload-closes-no-bugs,binary-has-unneeded-section ${deb})
    # The unpacked program, started and closed by the end-to-end harness.
    add_test(NAME package.runs
        COMMAND ${SYSTEM_PYTHON} -m unittest -v test_startup
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/e2e)

    set_tests_properties(package.build PROPERTIES FIXTURES_SETUP package_file)
    set_tests_properties(package.unpack PROPERTIES
        FIXTURES_REQUIRED package_file FIXTURES_SETUP package_root)
    set_tests_properties(package.lintian PROPERTIES FIXTURES_REQUIRED package_file)
    set_tests_properties(package.contents package.runs PROPERTIES FIXTURES_REQUIRED package_root)
    set_tests_properties(package.contents PROPERTIES
        ENVIRONMENT "TINTCAST_DEB=${deb};TINTCAST_PACKAGE_ROOT=${root};TINTCAST_FORTIFIED=$<IF:$<CONFIG:Debug>,0,1>;PYTHONDONTWRITEBYTECODE=1")
    set_tests_properties(package.runs PROPERTIES
        TIMEOUT 120
        ENVIRONMENT "TINTCAST_PREFIX=${root}/usr;TINTCAST_FORM_JSON=$<TARGET_FILE:form_json>;PYTHONDONTWRITEBYTECODE=1"
        ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=unset:")
    set_tests_properties(package.build package.unpack package.contents package.lintian
        package.runs PROPERTIES LABELS e2e)

    # tools/dev release twice, in two scratch copies of the source: the same bytes.
    # The release makes its own builds, so the sanitizer build need not run it again.
    if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
        add_test(NAME release.reproducible
            COMMAND ${SYSTEM_PYTHON} -m unittest -v test_release
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/packaging)
        # It compiles on every core, so ctest runs nothing beside it.
        set_tests_properties(release.reproducible PROPERTIES
            LABELS slow TIMEOUT 1500 PROCESSORS 2
            ENVIRONMENT "TINTCAST_SOURCE=${PROJECT_SOURCE_DIR};PYTHONDONTWRITEBYTECODE=1")
    endif()
endif()
