# Run by CPack once the zip is made: the installer for one user (installer.nsi), made by
# makensis from the files just zipped (CPack's staging folder, the program stripped),
# beside the zip. SHA256SUMS (checksums.cmake, run next) lists it after the zip. Given
# a certificate (signing.cmake), makensis signs the uninstaller it stores in the
# installer, and the installer, each by running signing.cmake on it.
if(NOT EXISTS "${CPACK_KESTRAVA_MAKENSIS}")
    message(FATAL_ERROR "makensis was not found, so the installer cannot be made")
endif()
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(files kestrava.exe LICENSE.txt Docs/infoID.htm)
foreach(language IN LISTS CPACK_KESTRAVA_LANGUAGES)
    list(APPEND files ${language}/Res.dll)
endforeach()
foreach(file IN LISTS files)
    if(NOT EXISTS "${stage}/${file}")
        message(FATAL_ERROR "${stage}/${file} is missing: the installer takes the zip's files")
    endif()
endforeach()

# The program's texts the installer names, as each language's resource script has them
# (the accelerator marks dropped): the icon menu's Exit (IDS_TRAY_EXIT) and the window
# menu's command that ends the program (ID_APP_EXIT).
function(kestrava_rc_text script pattern out)
    file(STRINGS "${script}" lines ENCODING UTF-8 REGEX "${pattern}")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "${script}: ${count} lines match ${pattern}, not one")
    endif()
    string(REGEX MATCH "\"([^\"]*)\"" quoted "${lines}")
    string(REPLACE "&" "" text "${CMAKE_MATCH_1}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
set(texts "; Made by package/installer.cmake from the resource scripts.\n")
foreach(language EN DE)
    set(script "${CPACK_KESTRAVA_RESOURCES}/kestrava.rc")
    if(language STREQUAL "DE")
        set(script "${CPACK_KESTRAVA_RESOURCES}/res_de.rc")
    endif()
    kestrava_rc_text("${script}" "^[ \t]*IDS_TRAY_EXIT[ \t]+\"" exit)
    kestrava_rc_text("${script}" "MENUITEM[ \t]+\"[^\"]*\"[ \t]*,[ \t]*ID_APP_EXIT([ \t,]|$)" quit)
    string(APPEND texts "!define TRAY_EXIT_${language} \"${exit}\"\n!define APP_EXIT_${language} \"${quit}\"\n")
endforeach()
file(WRITE "${CPACK_KESTRAVA_INSTALLER_TEXTS}" "${texts}")

include("${CPACK_KESTRAVA_SIGNING}")
kestrava_signing(signing)
set(sign "")
if(signing)
    set(sign "-DSIGN=\"${CPACK_KESTRAVA_CMAKE}\" \"-DKESTRAVA_SIGN_FILE=%1\" -P \"${CPACK_KESTRAVA_SIGNING}\"")
endif()

file(REMOVE "${CPACK_KESTRAVA_INSTALLER}")
execute_process(
    COMMAND "${CPACK_KESTRAVA_MAKENSIS}" -V2 -WX -NOCD -INPUTCHARSET UTF8
            "-DVERSION=${CPACK_PACKAGE_VERSION}" "-DPRODUCT_CODE=${CPACK_KESTRAVA_PRODUCT_CODE}"
            "-DSTAGE=${stage}" "-DICON=${CPACK_KESTRAVA_ICON}"
            "-DOUTFILE=${CPACK_KESTRAVA_INSTALLER}" "-DRESOURCES=${CPACK_KESTRAVA_RESOURCES}"
            "-DTEXTS=${CPACK_KESTRAVA_INSTALLER_TEXTS}" ${sign} "${CPACK_KESTRAVA_INSTALLER_SCRIPT}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "${CPACK_KESTRAVA_INSTALLER}")
    message(FATAL_ERROR "makensis failed (${result}) on ${CPACK_KESTRAVA_INSTALLER_SCRIPT}")
endif()
message(STATUS "- installer: ${CPACK_KESTRAVA_INSTALLER} generated.")
