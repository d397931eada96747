# The release: a portable zip a Windows user unzips anywhere and runs from there.
#
#   cmake --build build/win --target package
#
# makes dist/kestrava-<version>-win64.zip in the build tree, holding the stripped
# program, the info page (Docs\infoID.htm), the translated resource libraries in their
# language folders (de\Res.dll, fr\Res.dll, es\Res.dll), README.txt and LICENSE.txt (both with Windows line ends); beside it the installer for
# one user, dist/kestrava-<version>-win64-setup.exe (installer.nsi, made by makensis from
# the same files), and SHA256SUMS listing both; and the Windows Package Manager's manifest
# of the installer in dist/winget/ (winget.cmake). Only a Release build is packaged.
# Given a certificate in the environment when it runs (signing.cmake), it signs the
# program, the resource libraries, the installer and the uninstaller the installer
# writes.

set(KESTRAVA_PACKAGE_TEXTS ${CMAKE_BINARY_DIR}/package-texts)
set(KESTRAVA_PACKAGE_TEXT_FILES ${KESTRAVA_PACKAGE_TEXTS}/README.txt ${KESTRAVA_PACKAGE_TEXTS}/LICENSE.txt)
add_custom_command(
    OUTPUT ${KESTRAVA_PACKAGE_TEXT_FILES}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/package/README.txt -DOUT=${KESTRAVA_PACKAGE_TEXTS}/README.txt
            -DVERSION=${PROJECT_VERSION} -P ${CMAKE_SOURCE_DIR}/package/crlf.cmake
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/LICENSE -DOUT=${KESTRAVA_PACKAGE_TEXTS}/LICENSE.txt
            -P ${CMAKE_SOURCE_DIR}/package/crlf.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/package/README.txt ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/package/crlf.cmake
    COMMENT "Writing README.txt and LICENSE.txt with Windows line ends")
add_custom_target(kestrava_package_texts ALL DEPENDS ${KESTRAVA_PACKAGE_TEXT_FILES})

install(TARGETS kestrava RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/Docs/infoID.htm DESTINATION Docs)
foreach(language IN LISTS KESTRAVA_LANGUAGES)
    install(FILES $<TARGET_FILE:kestrava_res_${language}> DESTINATION ${language})
endforeach()
install(FILES ${KESTRAVA_PACKAGE_TEXT_FILES} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kestrava)
set(CPACK_PACKAGE_VENDOR Kestrava)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# CPack's own variables change while it writes its configurations; these stay.
set(KESTRAVA_PACKAGE_NAME kestrava-${PROJECT_VERSION}-win64)
set(KESTRAVA_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
set(CPACK_PACKAGE_FILE_NAME ${KESTRAVA_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${KESTRAVA_PACKAGE_DIRECTORY})
# The files lie at the top of the zip; unzipping makes the folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_KESTRAVA_BUILD_TYPE "${CMAKE_BUILD_TYPE}")
# The language folders, each with its Res.dll: signed, and installed by the installer.
set(CPACK_KESTRAVA_LANGUAGES "${KESTRAVA_LANGUAGES}")

# The installer, from the files CPack staged for the zip. makensis comes with the Debian
# package nsis; without it the package target fails with a message that says so.
find_program(KESTRAVA_MAKENSIS makensis DOC "makensis, of the Debian package nsis")
if(NOT KESTRAVA_MAKENSIS)
    message(STATUS "makensis not found: the package target fails until the Debian package nsis is "
                   "installed (tools/setup.sh does) and the build is configured again")
endif()
set(KESTRAVA_INSTALLER_NAME ${KESTRAVA_PACKAGE_NAME}-setup.exe)
set(CPACK_KESTRAVA_MAKENSIS "${KESTRAVA_MAKENSIS}")
set(CPACK_KESTRAVA_INSTALLER ${KESTRAVA_PACKAGE_DIRECTORY}/${KESTRAVA_INSTALLER_NAME})
set(CPACK_KESTRAVA_INSTALLER_SCRIPT ${CMAKE_SOURCE_DIR}/package/installer.nsi)
set(CPACK_KESTRAVA_ICON ${KESTRAVA_ART_DIR}/kestrava.ico)
# The installer takes the program's ids and the texts it names from the resource scripts.
set(CPACK_KESTRAVA_RESOURCES ${CMAKE_SOURCE_DIR}/res)
set(CPACK_KESTRAVA_INSTALLER_TEXTS ${CMAKE_BINARY_DIR}/installer/program_texts.nsh)
# The name of the key the installer writes under ...\CurrentVersion\Uninstall: makensis
# takes it, and the package manager's manifest names it as the ProductCode.
set(KESTRAVA_PRODUCT_CODE Kestrava)
set(CPACK_KESTRAVA_PRODUCT_CODE ${KESTRAVA_PRODUCT_CODE})

# The package manager's manifest: where the installer is downloaded from is the base
# address below and the installer's file name.
set(KESTRAVA_RELEASE_URL "https://downloads.example.com/kestrava" CACHE STRING
    "Base address (http or https) of the released files; the manifest's InstallerUrl is it plus the installer's name")
if(NOT KESTRAVA_RELEASE_URL MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://.+")
    message(FATAL_ERROR "KESTRAVA_RELEASE_URL (${KESTRAVA_RELEASE_URL}) is not an http or https address")
endif()
set(KESTRAVA_WINGET_ID Kestrava.Kestrava)
set(KESTRAVA_WINGET_MANIFEST_VERSION 1.6.0)
set(KESTRAVA_WINGET_DIRECTORY ${KESTRAVA_PACKAGE_DIRECTORY}/winget)
set(CPACK_KESTRAVA_RELEASE_URL "${KESTRAVA_RELEASE_URL}")
set(CPACK_KESTRAVA_WINGET_ID ${KESTRAVA_WINGET_ID})
set(CPACK_KESTRAVA_WINGET_MANIFEST_VERSION ${KESTRAVA_WINGET_MANIFEST_VERSION})
set(CPACK_KESTRAVA_WINGET_OUTPUT ${KESTRAVA_WINGET_DIRECTORY})
set(CPACK_KESTRAVA_WINGET_TEMPLATES ${CMAKE_SOURCE_DIR}/package/winget)
set(CPACK_KESTRAVA_README_MD ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_KESTRAVA_README_TXT ${CMAKE_SOURCE_DIR}/package/README.txt)
set(CPACK_KESTRAVA_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)

# The signing reads the environment at package time; makensis runs it again through
# cmake for the uninstaller and the installer.
set(CPACK_KESTRAVA_SIGNING ${CMAKE_SOURCE_DIR}/package/signing.cmake)
set(CPACK_KESTRAVA_CMAKE ${CMAKE_COMMAND})

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/package/release_only.cmake
                            ${CMAKE_SOURCE_DIR}/package/installer_tools.cmake
                            ${CMAKE_SOURCE_DIR}/package/sign_stage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/package/installer.cmake
                             ${CMAKE_SOURCE_DIR}/package/checksums.cmake
                             ${CMAKE_SOURCE_DIR}/package/winget.cmake)
include(CPack)
