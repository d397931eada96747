// Owners for the handles the Windows tests and the bench take.
#pragma once

#include "platform/owner.h"

#include <windows.h>

namespace wintest {

struct ModuleTraits {
    static void Close(HMODULE module) { FreeLibrary(module); }
};
struct HandleTraits {
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct WindowTraits {
    static void Close(HWND window) { DestroyWindow(window); }
};
struct DcTraits {
    static void Close(HDC dc) { DeleteDC(dc); }
};
using ModuleOwner = Owner<HMODULE, ModuleTraits>;
using HandleOwner = Owner<HANDLE, HandleTraits>;
using WindowOwner = Owner<HWND, WindowTraits>;
using DcOwner = Owner<HDC, DcTraits>;

}  // namespace wintest
