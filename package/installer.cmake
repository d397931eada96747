# Run by CPack once the zip is made: the installer for one user (installer.nsi), made by
# makensis from the files just zipped (CPack's staging folder, the program stripped),
# beside the zip. SHA256SUMS (checksums.cmake, run next) lists it after the zip.
if(NOT EXISTS "${CPACK_KESTRAVA_MAKENSIS}")
    message(FATAL_ERROR "makensis was not found, so the installer cannot be made")
endif()
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
foreach(file kestrava.exe LICENSE.txt Docs/infoID.htm de/Res.dll)
    if(NOT EXISTS "${stage}/${file}")
        message(FATAL_ERROR "${stage}/${file} is missing: the installer takes the zip's files")
    endif()
endforeach()
file(REMOVE "${CPACK_KESTRAVA_INSTALLER}")
execute_process(
    COMMAND "${CPACK_KESTRAVA_MAKENSIS}" -V2 -WX -NOCD -INPUTCHARSET UTF8
            "-DVERSION=${CPACK_PACKAGE_VERSION}" "-DSTAGE=${stage}" "-DICON=${CPACK_KESTRAVA_ICON}"
            "-DOUTFILE=${CPACK_KESTRAVA_INSTALLER}" "${CPACK_KESTRAVA_INSTALLER_SCRIPT}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "${CPACK_KESTRAVA_INSTALLER}")
    message(FATAL_ERROR "makensis failed (${result}) on ${CPACK_KESTRAVA_INSTALLER_SCRIPT}")
endif()
message(STATUS "- installer: ${CPACK_KESTRAVA_INSTALLER} generated.")
