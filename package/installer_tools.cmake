# Run by CPack before it zips: the installer made beside the zip needs makensis, so the
# package target fails here when it is missing.
if(NOT EXISTS "${CPACK_KESTRAVA_MAKENSIS}")
    message(FATAL_ERROR "makensis was not found: the package target makes the installer beside the zip "
                        "with it. Install the Debian package nsis and configure the build again "
                        "(tools/package.sh does both).")
endif()
