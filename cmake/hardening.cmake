# The protections Debian, Fedora and Ubuntu build their programs with, for every
# binary of the build (the program, the keeper, the tests that run their code). What
# a packager passes in CXXFLAGS, CPPFLAGS and LDFLAGS comes first on the command
# line and stays (cmake/packager_flags.cmake); there is no C code, so CFLAGS has
# nothing to apply to.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    # Tintcast.exe: the linker's defaults already give ASLR, high-entropy ASLR and
    # DEP; tests/e2e/test_windows_file.py sees that they stay. The stack protector's
    # runtime (libssp) is linked in statically.
    add_compile_options(-fstack-protector-strong)
    add_link_options(-fstack-protector-strong)
    return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -fstack-clash-protection -fcf-protection)
add_link_options(-Wl,-z,relro -Wl,-z,now)

# Fortified functions need the optimiser (GCC warns without it, an error under
# -Werror), so not in Debug builds, the sanitizer build among them. A packager who
# chose a level keeps it: a second definition would be a redefinition. The -U first
# drops a level the compiler itself predefines, as some distributions' compilers do.
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
if(NOT "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}}" MATCHES "_FORTIFY_SOURCE")
    set(optimised "$<NOT:$<CONFIG:Debug>>")
    add_compile_options("$<${optimised}:-U_FORTIFY_SOURCE>" "$<${optimised}:-D_FORTIFY_SOURCE=3>")
endif()
