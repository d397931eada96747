// Win32 only. What the bare programs share: the classes by which the benchmarks find
// their top-level windows, and the start-up calls each makes as the program does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

// bare_tray.exe's hidden window, which it also names itself by.
#define KESTRAVA_BARE_TRAY_CLASS "KestravaBareTray"
// bare_start.exe's hidden window; its single-copy mutex is named after it too.
#define KESTRAVA_BARE_START_CLASS "KestravaBareStart"

namespace bare {

// The common controls (which the program's reports need), and a look for a resource
// library beside the program, loaded as data and let go again.
inline void StartLikeTheProgram()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    if (HMODULE resources =
            LoadLibraryExA("Res.dll", nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE))
        FreeLibrary(resources);
    SetThreadErrorMode(oldMode, nullptr);
}

// The desktop's monitors, in enumeration order.
inline std::vector<HMONITOR> DesktopMonitors()
{
    std::vector<HMONITOR> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HMONITOR>*>(data)->push_back(monitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

}  // namespace bare
