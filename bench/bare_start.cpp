// Win32 only. A start with a window on each monitor written straight against the Win32
// API: the yardstick that tools/bench.sh times `kestrava.exe` against, spawn to both
// windows shown, in the same run. It makes the calls the program's windows cannot show
// without, and nothing else: the common controls, a single-copy mutex (of its own name),
// a look for a resource library beside it, the settings read from the registry, a
// hidden top-level window, then for each monitor in enumeration order a window from the
// program's own template (it carries the program's resources): its icons, shown and
// centred on its monitor, captioned with the monitor's name, the window menu's six
// calibration commands, and its list filled unseen with every monitor profile (open,
// two tag tests and close per file, as the program marks its rows) and the monitor's
// current profile selected. Like the program it links the C runtime statically. Closing
// a window ends it with exit code 0.
#include "bare_programs.h"
#include "res/resource.h"

#include <windows.h>
#include <icm.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr DWORD kTagVcgt = 0x76636774;        // 'vcgt'
constexpr DWORD kTagCreator = 0x54435074;     // 'TCPt'
constexpr DWORD kMonitorClass = 0x6D6E7472;   // 'mntr'
constexpr UINT kCalibrationCommands[] = {IDM_RELOAD_CALIBRATION, IDM_VERIFY_CALIBRATION, IDM_RESET_TO_LINEAR,
                                         IDM_KEEP_LOADED,        IDM_LOAD_AT_LOGON,      IDM_EXTENDED_TABLES};

// The names the colour store lists for the criteria, one after another.
std::vector<std::string> ListedProfiles(const ENUMTYPEA& criteria)
{
    ENUMTYPEA query = criteria;
    DWORD size = 0;
    DWORD count = 0;
    EnumColorProfilesA(nullptr, &query, nullptr, &size, &count);
    std::vector<std::string> names;
    if (count == 0 || size == 0)
        return names;
    std::vector<BYTE> buffer(size, 0);
    if (!EnumColorProfilesA(nullptr, &query, buffer.data(), &size, &count))
        return names;
    const char* p = reinterpret_cast<const char*>(buffer.data());
    const char* end = p + buffer.size();
    while (p < end && *p) {
        const size_t length = strnlen(p, static_cast<size_t>(end - p));
        names.emplace_back(p, length);
        p += length + 1;
    }
    return names;
}

ENUMTYPEA MonitorProfiles()
{
    ENUMTYPEA criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = ENUM_TYPE_VERSION;
    criteria.dwFields = ET_CLASS;
    criteria.dwClass = kMonitorClass;
    return criteria;
}

// Open, two tag tests and close: a row's marks.
LPARAM Marks(const std::string& path)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
    HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!profile)
        return 0;
    BOOL vcgt = FALSE;
    BOOL creator = FALSE;
    IsColorProfileTagPresent(profile, kTagVcgt, &vcgt);
    IsColorProfileTagPresent(profile, kTagCreator, &creator);
    CloseColorProfile(profile);
    return (vcgt ? 1 : 0) | (creator ? 2 : 0);
}

struct Monitor {
    HMONITOR handle;
    MONITORINFOEXA info;
    std::string name;       // the monitor device's description, the caption
    std::string deviceId;
};

Monitor Describe(HMONITOR handle)
{
    Monitor monitor{handle, {}, {}, {}};
    monitor.info.cbSize = sizeof monitor.info;
    GetMonitorInfoA(handle, &monitor.info);
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    if (EnumDisplayDevicesA(monitor.info.szDevice, 0, &device, 0)) {
        monitor.name.assign(device.DeviceString, strnlen(device.DeviceString, sizeof device.DeviceString));
        monitor.deviceId.assign(device.DeviceID, strnlen(device.DeviceID, sizeof device.DeviceID));
    }
    return monitor;
}

void Fill(HWND window, const Monitor& monitor)
{
    char directory[MAX_PATH] = {};
    DWORD size = sizeof directory;
    GetColorDirectoryA(nullptr, directory, &size);
    const HWND list = GetDlgItem(window, IDC_PROFILE_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const std::string& name : ListedProfiles(MonitorProfiles())) {
        const LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), Marks(std::string(directory) + "\\" + name));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    ENUMTYPEA current = MonitorProfiles();
    current.dwFields |= ET_DEVICENAME;
    current.pDeviceName = monitor.deviceId.c_str();
    const std::vector<std::string> names = ListedProfiles(current);
    const LRESULT row = names.empty() ? LB_ERR
                                      : SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                     reinterpret_cast<LPARAM>(names.front().c_str()));
    SendMessageA(list, LB_SETCURSEL, row == LB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(row), 0);
}

void Centre(HWND window, const Monitor& monitor)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& area = monitor.info.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const Monitor& monitor = *reinterpret_cast<const Monitor*>(lParam);
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        for (const auto& [which, width, height] :
             {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}})
            SendMessageA(window, WM_SETICON, which,
                         reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                             GetSystemMetrics(width), GetSystemMetrics(height),
                                                             LR_SHARED)));
        ShowWindow(window, SW_SHOWNORMAL);
        Centre(window, monitor);
        if (!monitor.name.empty())
            SetWindowTextA(window, monitor.name.c_str());
        const HMENU menu = GetSystemMenu(window, FALSE);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        for (UINT command : kCalibrationCommands)
            AppendMenuA(menu, MF_STRING, command, "Command");
        Fill(window, monitor);
        return TRUE;
    }
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 16;
        return TRUE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.itemID == static_cast<UINT>(-1))
            return TRUE;
        char text[MAX_PATH] = {};
        if (SendMessageA(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(item.itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        RECT rc = item.rcItem;
        DrawTextA(item.hDC, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        return TRUE;
    }
    case WM_CLOSE:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

// The settings the windows go by.
void ReadSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrava", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (const char* name : {"KeepLoaded", "ExtendedTables"}) {
        DWORD value = 0;
        DWORD size = sizeof value;
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    }
    RegCloseKey(key);
}

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    GetCommandLineW();
    const std::unique_ptr<void, decltype(&CloseHandle)> singleCopy(
        CreateMutexA(nullptr, TRUE, "Local\\" KESTRAVA_BARE_START_CLASS), &CloseHandle);
    bare::StartLikeTheProgram();
    ReadSettings();

    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = HiddenWindowProc;
    type.hInstance = instance;
    type.lpszClassName = KESTRAVA_BARE_START_CLASS;
    RegisterClassExA(&type);
    const HWND hidden = CreateWindowExA(WS_EX_TOOLWINDOW, KESTRAVA_BARE_START_CLASS, "", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, instance, nullptr);

    std::vector<Monitor> monitors;
    for (HMONITOR handle : bare::DesktopMonitors())
        monitors.push_back(Describe(handle));
    std::vector<HWND> windows;
    for (const Monitor& monitor : monitors)
        windows.push_back(CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MONITOR_PROFILE), nullptr,
                                             MonitorWindowProc, reinterpret_cast<LPARAM>(&monitor)));

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(GetActiveWindow(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    for (HWND window : windows)
        if (window)
            DestroyWindow(window);
    if (hidden)
        DestroyWindow(hidden);
    return 0;
}
