# Tintcast.exe: the icon is made from the same artwork the Linux build installs; the
# version record and the manifest take the version from project().
set(TINTCAST_ICO ${CMAKE_CURRENT_BINARY_DIR}/tintcast.ico)
set(TINTCAST_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/tintcast.manifest)
tintcast_windows_icon(${TINTCAST_ICO})
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
