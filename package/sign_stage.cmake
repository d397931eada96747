# Run by CPack before it zips: signs the staged (stripped) program and the resource
# library of each language folder, so that the zip and the installer made from the
# stage carry signed copies (signing.cmake: the certificate comes from
# KESTRAVA_SIGN_PFX). Without a certificate it says, in one line, that the release is
# unsigned.
include("${CPACK_KESTRAVA_SIGNING}")
kestrava_signing(signing)
if(NOT signing)
    message(STATUS "- unsigned: KESTRAVA_SIGN_PFX is not set, so the program, the Res.dll files and the installer carry no signature")
    return()
endif()
kestrava_sign("${CPACK_TEMPORARY_DIRECTORY}/kestrava.exe")
foreach(language IN LISTS CPACK_KESTRAVA_LANGUAGES)
    kestrava_sign("${CPACK_TEMPORARY_DIRECTORY}/${language}/Res.dll")
endforeach()
