// Win32 only: the resource library loader.
#include "app/resource_library.h"

HMODULE LoadResourceLibrary(const char* fileName)
{
    if (!fileName || !*fileName) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    // The ordinary search walks PATH, which may name a removable drive with no medium;
    // the system would stop start-up with a critical-error box for it. An absent
    // library is no error here, so those boxes are turned off for this one call.
    DWORD oldMode = 0;
    const BOOL quiet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);

    // As a data file the module stays out of the loader's list, so nothing in it is
    // called; as an image resource its sections lie at their virtual addresses, so the
    // resource directory resolves as in a loaded module.
    HMODULE module = ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);

    const DWORD error = ::GetLastError();
    if (quiet)
        ::SetThreadErrorMode(oldMode, nullptr);
    ::SetLastError(error);
    return module;
}
