# Run by CPack once the installer is made (and after everything that changes it): the
# Windows Package Manager's manifest of the installer, in its multi-file form, in
# dist/winget/<PackageIdentifier>/<version>/. The templates are package/winget/*.yaml.in;
# the hash is the installer's as it lies beside the zip, its address the release's base
# address (KESTRAVA_RELEASE_URL) and its name, ProductCode the name of the key the
# installer writes under Uninstall, and the texts are taken from README.md (the short
# description: its first sentence), package/README.txt (the description: its first
# paragraph) and LICENSE (the copyright line).
if(NOT EXISTS "${CPACK_KESTRAVA_INSTALLER}")
    message(FATAL_ERROR "${CPACK_KESTRAVA_INSTALLER} is missing: the manifest describes it")
endif()

# kestrava_paragraph(FILE AFTER OUT): the first paragraph of FILE after the first line that
# matches AFTER, its lines joined by spaces.
function(kestrava_paragraph file after out)
    file(STRINGS "${file}" lines ENCODING UTF-8)
    set(text "")
    set(started OFF)
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(NOT started)
            if(line MATCHES "${after}")
                set(started ON)
            endif()
        elseif(line STREQUAL "")
            if(NOT text STREQUAL "")
                break()
            endif()
        else()
            string(APPEND text " ${line}")
        endif()
    endforeach()
    string(STRIP "${text}" text)
    if(text STREQUAL "")
        message(FATAL_ERROR "${file}: no paragraph after a line matching ${after}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A text inside a YAML double-quoted scalar.
function(kestrava_yaml_quoted text out)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

kestrava_paragraph("${CPACK_KESTRAVA_README_MD}" "^# " summary)
string(REPLACE "`" "" summary "${summary}")
string(FIND "${summary}" ". " end)
if(end GREATER 0)
    string(SUBSTRING "${summary}" 0 ${end} summary)
    string(APPEND summary ".")
endif()
kestrava_paragraph("${CPACK_KESTRAVA_README_TXT}" "^====" description)
file(STRINGS "${CPACK_KESTRAVA_LICENSE}" copyright REGEX "^Copyright " LIMIT_COUNT 1)
if(copyright STREQUAL "")
    message(FATAL_ERROR "${CPACK_KESTRAVA_LICENSE} has no line \"Copyright ...\"")
endif()

file(SHA256 "${CPACK_KESTRAVA_INSTALLER}" INSTALLER_SHA256)
string(TOUPPER "${INSTALLER_SHA256}" INSTALLER_SHA256)
get_filename_component(installer_name "${CPACK_KESTRAVA_INSTALLER}" NAME)
string(REGEX REPLACE "/+$" "" base "${CPACK_KESTRAVA_RELEASE_URL}")
set(INSTALLER_URL "${base}/${installer_name}")
set(PACKAGE_IDENTIFIER "${CPACK_KESTRAVA_WINGET_ID}")
set(PACKAGE_VERSION "${CPACK_PACKAGE_VERSION}")
set(MANIFEST_VERSION "${CPACK_KESTRAVA_WINGET_MANIFEST_VERSION}")
set(PRODUCT_CODE "${CPACK_KESTRAVA_PRODUCT_CODE}")
kestrava_yaml_quoted("${summary}" SHORT_DESCRIPTION)
kestrava_yaml_quoted("${description}" DESCRIPTION)
kestrava_yaml_quoted("${copyright}" COPYRIGHT)

set(out "${CPACK_KESTRAVA_WINGET_OUTPUT}")
file(REMOVE_RECURSE "${out}")
set(out "${out}/${PACKAGE_IDENTIFIER}/${PACKAGE_VERSION}")
foreach(part "" .installer .locale.en-US)
    configure_file("${CPACK_KESTRAVA_WINGET_TEMPLATES}/Kestrava.Kestrava${part}.yaml.in"
                   "${out}/${PACKAGE_IDENTIFIER}${part}.yaml" @ONLY NEWLINE_STYLE UNIX)
endforeach()
message(STATUS "- manifest: ${out} generated.")
