// Win32 only. The system libraries that the first windows do not need (the shell's for
// the notification icon, COM's and OLE Automation's for the info page, Active
// Accessibility's for a screen reader that asks for the list, and the terminal
// services' for the session notices) are delay-loaded: the program links them through
// delay-import libraries (platform/win32/delay/*.def), and each is loaded at the first
// call into it. Like every library the program loads, they come from the system
// directory only, never from beside the program or the path.
#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// The library's module, loaded from the system directory; null leaves the helper to
// report the failure as an unloadable library.
HMODULE LoadFromSystem(const char* name)
{
    std::wstring wide;
    for (const char* c = name; *c; ++c)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    if (HMODULE module = ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Windows 7 without the update that brings the search flags: the full path.
    if (::GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size())
        return nullptr;
    path.resize(length);
    return ::LoadLibraryW((path + L"\\" + wide).c_str());
}

FARPROC WINAPI OnDelayLoad(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    return reinterpret_cast<FARPROC>(LoadFromSystem(info->szDll));
}

}  // namespace

// The delay-load helper asks this before it loads a library itself (declared by
// <delayimp.h>; the build has the linker take it from here, not the C runtime's null one).
PfnDliHook __pfnDliNotifyHook2 = OnDelayLoad;
