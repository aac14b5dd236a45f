# Tintcast.exe: the icon is made from the same artwork the Linux build installs; the
# version record and the manifest take the version from project().
# window/tintcast.xpm at 32 x 32, data/tintcast.svg at every other size.
find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(TINTCAST_ICO ${CMAKE_CURRENT_BINARY_DIR}/tintcast.ico)
set(TINTCAST_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/tintcast.manifest)
set(icon_script ${PROJECT_SOURCE_DIR}/cmake/windows_icon.py)
set(icon_sources ${PROJECT_SOURCE_DIR}/window/tintcast.xpm ${PROJECT_SOURCE_DIR}/data/tintcast.svg)
add_custom_command(OUTPUT ${TINTCAST_ICO}
    COMMAND ${SYSTEM_PYTHON} ${icon_script} ${icon_sources} ${RSVG_CONVERT} ${TINTCAST_ICO}
    DEPENDS ${icon_script} ${icon_sources}
    COMMENT "Making the icon for Windows"
    VERBATIM)
# For the tests, which carry the same icon.
add_custom_target(tintcast_icon DEPENDS ${TINTCAST_ICO})
configure_file(tintcast.manifest.in ${TINTCAST_MANIFEST} @ONLY)
configure_file(tintcast.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tintcast.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/tintcast.rc PROPERTIES
    OBJECT_DEPENDS "${TINTCAST_ICO};${TINTCAST_MANIFEST}")
add_executable(tintcast WIN32 main_win32.cpp ${CMAKE_CURRENT_BINARY_DIR}/tintcast.rc)
target_link_libraries(tintcast PRIVATE window platform_win32 tintcast_warnings)
# Static and stripped: no MinGW DLL to ship, nothing but system DLLs imported.
# No link time in the PE header, so that two builds of one source are the same file.
target_compile_options(tintcast PRIVATE -ffunction-sections -fdata-sections)
target_link_options(tintcast PRIVATE
    -municode -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
set_target_properties(tintcast PROPERTIES OUTPUT_NAME Tintcast)
install(TARGETS tintcast RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
