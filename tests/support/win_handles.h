// Owners for the handles the Windows tests and the bench take, and for a value in
// another process's memory.
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

// A value in the program's memory, for a message that points at one: Wine passes the
// pointer on as it is.
template <class Value>
class Remote {
public:
    Remote(HANDLE process, const Value& value)
        : m_process(process),
          m_at(VirtualAllocEx(process, nullptr, sizeof value, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
        if (m_at)
            WriteProcessMemory(process, m_at, &value, sizeof value, nullptr);
    }
    ~Remote() { VirtualFreeEx(m_process, m_at, 0, MEM_RELEASE); }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    LPARAM Get() const { return reinterpret_cast<LPARAM>(m_at); }
    Value Read() const
    {
        Value value{};
        ReadProcessMemory(m_process, m_at, &value, sizeof value, nullptr);
        return value;
    }

private:
    HANDLE m_process;
    void* m_at;
};

}  // namespace wintest
