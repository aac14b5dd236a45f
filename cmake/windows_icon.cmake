# The application icon for Windows, made at build time from the artwork the Linux
# build installs: window/tintcast.xpm at 32 x 32, data/tintcast.svg at every other size.
find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

function(tintcast_windows_icon output)
    set(script ${PROJECT_SOURCE_DIR}/cmake/windows_icon.py)
    set(drawn ${PROJECT_SOURCE_DIR}/window/tintcast.xpm)
    set(scalable ${PROJECT_SOURCE_DIR}/data/tintcast.svg)
    add_custom_command(OUTPUT ${output}
        COMMAND ${SYSTEM_PYTHON} ${script} ${drawn} ${scalable} ${RSVG_CONVERT} ${output}
        DEPENDS ${script} ${drawn} ${scalable}
        COMMENT "Making the icon for Windows"
        VERBATIM)
endfunction()
