// Win32 only. The application resident in the notification area: the icon's menu and
// events, and the program in front, which the core may pause for.
#include "app/chooser_app.h"

#include "report/resource_strings.h"
#include "res/resource.h"
#include "ui/calibration_commands.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

struct Search {
    DWORD frame;     // the frame host's process
    DWORD process;   // the app's own, once found
};

// A packaged app's window in front belongs to the frame host (ApplicationFrameHost.exe);
// the app's own window is a child of it, of another process.
BOOL CALLBACK FindAppWindow(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(child, &process);
    if (process != 0 && process != search->frame) {
        search->process = process;
        return FALSE;
    }
    return TRUE;
}

// The file name of a process's program: from its image where the process can be
// opened, else from a snapshot of the processes (one of another account, or a
// protected one, cannot be opened, and is listed all the same).
std::wstring ProgramOf(DWORD process)
{
    struct HandleTraits {
        static void Close(HANDLE handle) { ::CloseHandle(handle); }
    };
    Owner<HANDLE, HandleTraits> running(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (running) {
        std::vector<wchar_t> image(32768);
        DWORD length = static_cast<DWORD>(image.size());
        if (::QueryFullProcessImageNameW(running.Get(), 0, image.data(), &length)) {
            const std::wstring path(image.data(), std::min<size_t>(length, image.size()));
            return path.substr(path.find_last_of(L"\\/") + 1);
        }
    }
    Owner<HANDLE, HandleTraits> snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE)
        return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ProcessID == process)
            return std::wstring(entry.szExeFile, wcsnlen(entry.szExeFile, std::size(entry.szExeFile)));
    return {};
}

}  // namespace

std::u16string ChooserApp::ForegroundProgram()
{
    HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground)
        ::GetWindowThreadProcessId(foreground, &process);
    char type[32] = {};
    if (foreground && ::GetClassNameA(foreground, type, static_cast<int>(std::size(type))) &&
        std::strcmp(type, "ApplicationFrameWindow") == 0) {
        Search search{process, 0};
        ::EnumChildWindows(foreground, FindAppWindow, reinterpret_cast<LPARAM>(&search));
        if (search.process != 0)
            process = search.process;
    }
    if (process == 0 || process == ::GetCurrentProcessId())
        return {};
    std::wstring name = ProgramOf(process);
    if (name.empty())
        return {};
    ::CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return std::u16string(name.begin(), name.end());
}

void ChooserApp::OnTrayEvent(UINT event, POINT anchor)
{
    switch (event) {
    case WM_CONTEXTMENU:
        ShowTrayMenu(anchor);
        break;
    case NIN_SELECT:
    case NIN_KEYSELECT:
        OnTrayCommand(IDM_TRAY_OPEN);
        break;
    case NIN_BALLOONUSERCLICK:
        m_core->ShowLastReport();
        break;
    default:
        break;
    }
}

void ChooserApp::ShowTrayMenu(POINT at)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    const Settings& settings = m_core->CurrentSettings();
    const auto add = [&](UINT id, uint32_t text, bool checked) {
        ::AppendMenuA(menu, MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), id, GetResourceString(text));
    };
    add(IDM_TRAY_OPEN, IDS_TRAY_OPEN, false);
    add(IDM_TRAY_RELOAD, IDS_CMD_RELOAD, false);
    add(IDM_TRAY_RESET, IDS_TRAY_RESET, false);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(IDM_TRAY_KEEP_LOADED, IDS_CMD_KEEP_LOADED, settings.keepLoaded);
    add(IDM_TRAY_LOAD_AT_LOGON, IDS_CMD_LOAD_AT_LOGON, settings.loadAtLogon);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(IDM_TRAY_EXIT, IDS_TRAY_EXIT, false);
    ::SetMenuDefaultItem(menu, IDM_TRAY_OPEN, FALSE);
    // The menu closes when the user clicks elsewhere only while its window is in front.
    ::SetForegroundWindow(m_hProgram.Get());
    ::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, at.x, at.y, m_hProgram.Get(), nullptr);
    ::PostMessageA(m_hProgram.Get(), WM_NULL, 0, 0);
    ::DestroyMenu(menu);
}

void ChooserApp::OnTrayCommand(UINT id)
{
    switch (id) {
    case IDM_TRAY_OPEN:
        m_core->OpenRequested();
        break;
    case IDM_TRAY_RELOAD:
        m_core->ReloadAll();
        break;
    case IDM_TRAY_RESET:
        m_core->ResetAll();
        break;
    case IDM_TRAY_KEEP_LOADED:
        m_core->ToggleFromTray(CalibrationAction::KeepLoaded);
        break;
    case IDM_TRAY_LOAD_AT_LOGON:
        m_core->ToggleFromTray(CalibrationAction::LoadAtLogon);
        break;
    case IDM_TRAY_EXIT:
        m_core->Exit();
        break;
    default:
        break;
    }
}
