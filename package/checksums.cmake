# Run by CPack once the zip and the installer are made: SHA256SUMS beside them, in the
# format of sha256sum (hash, two spaces, file name), so that `sha256sum -c SHA256SUMS`
# checks both.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES CPACK_KESTRAVA_INSTALLER)
    file(SHA256 "${package}" hash)
    get_filename_component(name "${package}" NAME)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
