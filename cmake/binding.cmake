# The one place that chooses the window-system binding: Win32 when building for
# Windows (the mingw-w64 toolchain of the windows preset), Qt on X otherwise.
# platform/ adds TINTCAST_BINDING_FOLDERS; every other folder whose build differs by
# binding (app/, tests/, tests/platform/, tests/e2e/, packaging/) includes its
# ${TINTCAST_BINDING}.cmake.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(TINTCAST_BINDING win32)
    set(TINTCAST_BINDING_FOLDERS win32)
    enable_language(RC)
else()
    set(TINTCAST_BINDING qt)
    # The X11 protocol helpers serve the Qt binding, the Linux desktop session and the
    # clipboard keeper; the session stands on both.
    set(TINTCAST_BINDING_FOLDERS qt x11 session)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
    qt_standard_project_setup()
    # Only the Qt binding has classes for moc; the rest is plain C++.
    set(CMAKE_AUTOMOC OFF)
    set(CMAKE_AUTOUIC OFF)
endif()
