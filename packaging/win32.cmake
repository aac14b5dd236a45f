# The Windows installer (an MSI made by wixl) and the portable zip of Tintcast.exe,
# both built with the program. Both carry SOURCE_DATE_EPOCH as their only time.
find_program(WIXL wixl REQUIRED)
find_program(SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(TINTCAST_MSI ${CMAKE_CURRENT_BINARY_DIR}/Tintcast-${TINTCAST_VERSION}-x64.msi
    CACHE INTERNAL "The Windows installer")
set(TINTCAST_ZIP ${CMAKE_CURRENT_BINARY_DIR}/Tintcast-${TINTCAST_VERSION}-x64.zip
    CACHE INTERNAL "The portable zip")

# A new version is a new product with a new package; the upgrade code stays, so that
# the new version replaces the old. Derived, not random: one source makes one file.
set(upgrade_code 6B0C2D52-7F3E-4C8A-9D41-3A2E6F1B8C07)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "product ${TINTCAST_VERSION}"
    TYPE SHA1 UPPER)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "package ${TINTCAST_VERSION}"
    TYPE SHA1 UPPER)

# wixl takes files by names relative to its folder and stores their modification
# times in the cabinet: copies with the fixed time, in a folder of their own. It also
# writes a random revision number and the time of the run into the summary
# information, which msi_summary.py then replaces.
set(staged ${CMAKE_CURRENT_BINARY_DIR}/msi)
file(MAKE_DIRECTORY ${staged})
add_custom_command(OUTPUT ${TINTCAST_MSI}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tintcast> ${staged}/Tintcast.exe
    # The icon the program's resources were made with (app/).
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/app/tintcast.ico ${staged}
    COMMAND touch -d @${TINTCAST_SOURCE_DATE_EPOCH} ${staged}/Tintcast.exe ${staged}/tintcast.ico
    COMMAND ${WIXL} --arch x64 -o ${TINTCAST_MSI}
        -D Version=${TINTCAST_VERSION} -D UpgradeCode=${upgrade_code}
        -D ProductCode=${product_code}
        -D PackageCode=${package_code} -D Exe=Tintcast.exe -D Icon=tintcast.ico
        ${CMAKE_CURRENT_SOURCE_DIR}/tintcast.wxs
    COMMAND ${SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/msi_summary.py
        ${TINTCAST_MSI} ${package_code} ${TINTCAST_SOURCE_DATE_EPOCH}
    DEPENDS tintcast ${CMAKE_CURRENT_SOURCE_DIR}/tintcast.wxs
        ${CMAKE_CURRENT_SOURCE_DIR}/msi_summary.py
    WORKING_DIRECTORY ${staged}
    COMMENT "Making the Windows installer"
    VERBATIM)

configure_file(portable.txt.in ${CMAKE_CURRENT_BINARY_DIR}/Tintcast.txt @ONLY
    NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${TINTCAST_ZIP}
    COMMAND ${SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/portable_zip.py
        ${TINTCAST_SOURCE_DATE_EPOCH} ${TINTCAST_ZIP}
        Tintcast.exe=$<TARGET_FILE:tintcast> Tintcast.txt=${CMAKE_CURRENT_BINARY_DIR}/Tintcast.txt
    DEPENDS tintcast ${CMAKE_CURRENT_SOURCE_DIR}/portable_zip.py
        ${CMAKE_CURRENT_BINARY_DIR}/Tintcast.txt
    COMMENT "Making the portable zip"
    VERBATIM)

add_custom_target(windows_packages ALL DEPENDS ${TINTCAST_MSI} ${TINTCAST_ZIP})
