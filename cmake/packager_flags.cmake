# CMake takes a packager's CXXFLAGS and LDFLAGS from the environment when a build
# folder is first configured, but not CPPFLAGS (where dpkg-buildflags, for one, puts
# -D_FORTIFY_SOURCE): they join CXXFLAGS the same way. Included before project().
if(DEFINED ENV{CPPFLAGS})
    set(CMAKE_CXX_FLAGS_INIT "$ENV{CPPFLAGS}")
endif()
