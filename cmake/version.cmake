# The version is written once, in project(VERSION); everything else derives from it.
# TINTCAST_VERSION is the form people read ("1.00": major, and the minor number in
# two digits), used by the program, the Windows version record and the packages.
# PROJECT_VERSION (1.0.0.0) is the four-part form Windows wants in binary fields.
if(PROJECT_VERSION_MINOR LESS 10)
    set(TINTCAST_VERSION ${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR})
else()
    set(TINTCAST_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
endif()
set(TINTCAST_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
