# Run by CPack before it zips: a release holds a Release build, nothing else.
if(NOT CPACK_KESTRAVA_BUILD_TYPE STREQUAL "Release")
    message(FATAL_ERROR "This build tree is a '${CPACK_KESTRAVA_BUILD_TYPE}' build; only a Release build is "
                        "packaged (configure with -DCMAKE_BUILD_TYPE=Release, or run tools/package.sh).")
endif()
