# Authenticode signatures (SHA-256, by osslsigncode) on the PE files of the release. The
# certificate is read from the environment when the package target runs, not when the
# build is configured, so the same build tree packages with another certificate, or none:
#   KESTRAVA_SIGN_PFX        the certificate with its private key, a .pfx (PKCS #12) file;
#                            unset or empty: the release is not signed
#   KESTRAVA_SIGN_PASSWORD   its password (none when unset); osslsigncode reads it from a
#                            pipe, never from its command line
#   KESTRAVA_SIGN_TIMESTAMP  an http:// or https:// URL of an RFC 3161 timestamp server
#                            (optional): the signatures then outlive the certificate
#
# Included by the CPack scripts (sign_stage.cmake, installer.cmake) for its functions.
# Run as a script,
#   cmake -DKESTRAVA_SIGN_FILE=<file> -P signing.cmake
# it signs that one file in place (makensis does so for the uninstaller and the installer).

# kestrava_signing(OUT): OUT is TRUE when a certificate is given, after checking the settings.
function(kestrava_signing out)
    set(${out} FALSE PARENT_SCOPE)
    if("$ENV{KESTRAVA_SIGN_PFX}" STREQUAL "")
        return()
    endif()
    if(NOT EXISTS "$ENV{KESTRAVA_SIGN_PFX}" OR IS_DIRECTORY "$ENV{KESTRAVA_SIGN_PFX}")
        message(FATAL_ERROR "KESTRAVA_SIGN_PFX names $ENV{KESTRAVA_SIGN_PFX}, which is not a file")
    endif()
    if(NOT "$ENV{KESTRAVA_SIGN_TIMESTAMP}" STREQUAL "" AND NOT "$ENV{KESTRAVA_SIGN_TIMESTAMP}" MATCHES "^https?://[^ \t]+$")
        message(FATAL_ERROR "KESTRAVA_SIGN_TIMESTAMP is '$ENV{KESTRAVA_SIGN_TIMESTAMP}', not an http:// or https:// URL")
    endif()
    find_program(KESTRAVA_OSSLSIGNCODE osslsigncode)
    if(NOT KESTRAVA_OSSLSIGNCODE)
        message(FATAL_ERROR "KESTRAVA_SIGN_PFX is set but osslsigncode is not installed "
                            "(the Debian package osslsigncode; tools/setup.sh installs it)")
    endif()
    set(${out} TRUE PARENT_SCOPE)
endfunction()

# kestrava_sign(FILE): signs FILE in place with the certificate of KESTRAVA_SIGN_PFX.
function(kestrava_sign file)
    kestrava_signing(signing)
    if(NOT signing)
        message(FATAL_ERROR "cannot sign ${file}: KESTRAVA_SIGN_PFX is not set")
    endif()
    set(options -pkcs12 "$ENV{KESTRAVA_SIGN_PFX}" -h sha256 -n Kestrava)
    if(NOT "$ENV{KESTRAVA_SIGN_PASSWORD}" STREQUAL "")
        list(APPEND options -readpass -)
    endif()
    if(NOT "$ENV{KESTRAVA_SIGN_TIMESTAMP}" STREQUAL "")
        list(APPEND options -ts "$ENV{KESTRAVA_SIGN_TIMESTAMP}")
    endif()
    set(signed "${file}.signed")
    file(REMOVE "${signed}")
    execute_process(
        COMMAND sh -c "printf '%s' \"$KESTRAVA_SIGN_PASSWORD\" | \"$0\" \"$@\""
                "${KESTRAVA_OSSLSIGNCODE}" sign ${options} -in "${file}" -out "${signed}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT EXISTS "${signed}")
        file(REMOVE "${signed}")
        message(FATAL_ERROR "osslsigncode could not sign ${file} (${result}):\n${output}")
    endif()
    file(RENAME "${signed}" "${file}")
    message(STATUS "- signed: ${file}")
endfunction()

if(DEFINED KESTRAVA_SIGN_FILE)
    kestrava_sign("${KESTRAVA_SIGN_FILE}")
endif()
