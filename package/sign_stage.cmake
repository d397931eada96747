# Run by CPack before it zips: signs the staged (stripped) program and German resource
# library, so that the zip and the installer made from the stage carry signed copies
# (signing.cmake: the certificate comes from KESTRAVA_SIGN_PFX). Without a certificate
# it says, in one line, that the release is unsigned.
include("${CPACK_KESTRAVA_SIGNING}")
kestrava_signing(signing)
if(NOT signing)
    message(STATUS "- unsigned: KESTRAVA_SIGN_PFX is not set, so the program, Res.dll and the installer carry no signature")
    return()
endif()
foreach(file kestrava.exe de/Res.dll)
    kestrava_sign("${CPACK_TEMPORARY_DIRECTORY}/${file}")
endforeach()
