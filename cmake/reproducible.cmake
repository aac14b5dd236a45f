# What makes two builds of one source the same bytes, wherever and whenever they run.
# SOURCE_DATE_EPOCH is the one time stamp every artefact carries: the environment's
# when set, else the last commit's time.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(TINTCAST_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE TINTCAST_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET)
    if(NOT TINTCAST_SOURCE_DATE_EPOCH)
        set(TINTCAST_SOURCE_DATE_EPOCH 0)
    endif()
endif()

# No build folder in any binary (__FILE__, debug information). Only for releases:
# a developer's debugger still finds the sources by their real paths.
option(TINTCAST_REPRODUCIBLE "Map the source and build folders out of the binaries" OFF)
if(TINTCAST_REPRODUCIBLE)
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
