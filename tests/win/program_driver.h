// Drives the built kestrava.exe from outside, the way a user meets it: starts it, finds
// its windows, reads and works their controls through window messages only, and makes
// sure it ends. Also the state the program works on: the colour directory and its
// associations in the Wine prefix, and the X server's gamma ramp.
#pragma once

#include "win_test_util.h"

#include <windows.h>

#include <icm.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace program {

using namespace std::chrono_literals;

// The controls and commands of a monitor window, the report and the About box.
constexpr int kListId = 1000;
constexpr int kViewAllId = 1001;
constexpr int kViewAssociatedId = 1002;
constexpr int kRefreshId = 1003;
constexpr int kReportMessageId = 1157;
constexpr int kReportFileLineId = 1158;
constexpr int kReportSystemTextId = 1159;
constexpr UINT kAboutCommand = 57664;
constexpr UINT kQuitCommand = 57665;
constexpr const char* kProgramCaption = "Kestrava";

constexpr std::chrono::milliseconds kTimeout = 20s;
constexpr UINT kSendTimeoutMs = 10000;

// Hands this thread's messages to their targets; the creation events of the watched
// program arrive this way.
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Polls until ready() holds, pumping messages in between; false when time ran out.
template <class Condition>
bool WaitFor(Condition ready, std::chrono::milliseconds timeout = kTimeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        PumpMessages();
        if (ready())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A message to another process's window that cannot hang the test: false when the
// window did not answer in time.
inline bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

// The answer to a message, or fallback when there was none in time.
inline LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, LRESULT fallback = -1)
{
    LRESULT result = fallback;
    return Send(window, message, wParam, lParam, &result) ? result : fallback;
}

inline std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

// ---- Monitors -------------------------------------------------------------------

struct Monitor {
    std::string adapter;        // \\.\DISPLAYn
    RECT rect{};                // the full monitor rectangle
    std::string deviceString;   // what the monitor's window is captioned with
    std::string deviceId;       // what the colour store keys associations by
};

// The desktop's monitors, in the platform's enumeration order.
inline std::vector<Monitor> Monitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, LPRECT, LPARAM param) -> BOOL {
            MONITORINFOEXA info{};
            info.cbSize = sizeof info;
            if (!GetMonitorInfoA(handle, &info))
                return TRUE;
            Monitor monitor;
            monitor.adapter = info.szDevice;
            monitor.rect = info.rcMonitor;
            DISPLAY_DEVICEA device{};
            device.cb = sizeof device;
            if (EnumDisplayDevicesA(info.szDevice, 0, &device, 0)) {
                monitor.deviceString = device.DeviceString;
                monitor.deviceId = device.DeviceID;
            }
            reinterpret_cast<std::vector<Monitor>*>(param)->push_back(monitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// ---- The colour directory and its associations ----------------------------------

class ColourStore {
public:
    ColourStore()
    {
        char directory[MAX_PATH] = {};
        DWORD size = sizeof directory;
        if (GetColorDirectoryA(nullptr, directory, &size))
            m_directory = directory;
        char temp[MAX_PATH] = {};
        if (GetTempPathA(MAX_PATH, temp))
            m_parking = std::string(temp) + "kestrava-parked-profiles";
    }

    bool Valid() const { return !m_directory.empty() && !m_parking.empty(); }
    std::string PathOf(const std::string& file) const { return m_directory + "\\" + file; }

    // Every file of the directory whose name matches pattern.
    std::vector<std::string> Files(const std::string& pattern = "*") const
    {
        return FilesIn(m_directory, pattern);
    }

    // The test profiles come and go with the tests; any other file is the prefix's own.
    void RemoveTestProfiles()
    {
        for (const std::string& file : Files("kv-*"))
            DeleteFileA(PathOf(file).c_str());
    }

    // Associations outlast a run: no file of the directory stays associated.
    void ForgetAssociations(const std::string& deviceId)
    {
        for (const std::string& file : Files())
            DisassociateColorProfileFromDeviceA(nullptr, PathOf(file).c_str(), deviceId.c_str());
    }

    // Copies a generated profile in, under its own name or another one.
    bool Install(const std::string& profile, const std::string& asName = {})
    {
        const std::string source = wintest::ProfileDir() + "\\" + profile;
        return CopyFileA(source.c_str(), PathOf(asName.empty() ? profile : asName).c_str(), FALSE) != FALSE;
    }

    bool Remove(const std::string& file) { return DeleteFileA(PathOf(file).c_str()) != FALSE; }

    bool Associate(const std::string& file, const std::string& deviceId)
    {
        return AssociateColorProfileWithDeviceA(nullptr, PathOf(file).c_str(), deviceId.c_str()) != FALSE;
    }

    // Moves every file out of the directory, for a system with no profiles at all.
    bool ParkEverything()
    {
        CreateDirectoryA(m_parking.c_str(), nullptr);
        bool moved = true;
        for (const std::string& file : Files())
            moved = MoveFileExA(PathOf(file).c_str(), (m_parking + "\\" + file).c_str(),
                                MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING) &&
                    moved;
        return moved;
    }

    // Brings parked files back; also after an earlier run that could not.
    void RestoreParked()
    {
        for (const std::string& file : FilesIn(m_parking, "*"))
            MoveFileExA((m_parking + "\\" + file).c_str(), PathOf(file).c_str(), MOVEFILE_COPY_ALLOWED);
        RemoveDirectoryA(m_parking.c_str());
    }

    static std::vector<std::string> FilesIn(const std::string& directory, const std::string& pattern)
    {
        std::vector<std::string> files;
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((directory + "\\" + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return files;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return files;
    }

private:
    std::string m_directory;
    std::string m_parking;
};

// The file name of the profile the colour store lists first for a monitor device: the
// device's current profile. Wine's store lists every monitor profile for any device, in
// file name order, so there it is the first of the directory.
inline std::string FirstProfileOf(const std::string& deviceId)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, deviceId.c_str(), -1, nullptr, 0);
    std::wstring device(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, deviceId.c_str(), -1, device.data(), length);
    ENUMTYPEW criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = 0x300;
    criteria.dwFields = ET_DEVICENAME | ET_CLASS;
    criteria.pDeviceName = device.c_str();
    criteria.dwClass = 0x6D6E7472;   // 'mntr'
    DWORD size = 0;
    DWORD count = 0;
    EnumColorProfilesW(nullptr, &criteria, nullptr, &size, &count);
    if (count == 0 || size == 0)
        return {};
    std::vector<BYTE> names(size + sizeof(wchar_t));
    if (!EnumColorProfilesW(nullptr, &criteria, names.data(), &size, &count))
        return {};
    return Narrow(std::wstring(reinterpret_cast<const wchar_t*>(names.data())));
}

// The profile the graphics system names for an adapter, as a full path.
inline std::string AdapterProfile(const std::string& adapter)
{
    wintest::DcOwner dc(CreateDCA(adapter.c_str(), adapter.c_str(), nullptr, nullptr));
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (!dc.Get() || !GetICMProfileA(dc.Get(), &size, path))
        return {};
    return path;
}

// ---- The gamma ramp --------------------------------------------------------------

struct Ramp {
    WORD values[3][256];
};

inline bool ReadRamp(Ramp& ramp)
{
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    return dc.Get() && GetDeviceGammaRamp(dc.Get(), &ramp);
}

inline bool WriteIdentityRamp()
{
    Ramp identity{};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            identity.values[c][i] = static_cast<WORD>(i << 8);
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    return dc.Get() && SetDeviceGammaRamp(dc.Get(), &identity);
}

// A profile's 768 table bytes (red, green, blue) from its 786-byte calibration tag, read
// with the colour-management calls; empty when it has none.
inline std::vector<BYTE> CalibrationTable(const std::string& path)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
    HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!profile)
        return {};
    std::vector<BYTE> tag(786);
    DWORD size = static_cast<DWORD>(tag.size());
    BOOL reference = FALSE;
    const bool read = GetColorProfileElement(profile, 0x76636774, 0, &size, tag.data(), &reference) && size == 786;
    CloseColorProfile(profile);
    if (!read)
        return {};
    return std::vector<BYTE>(tag.begin() + 18, tag.end());
}

// The X server keeps 8 bits per entry: the high bytes are what was written.
inline std::vector<BYTE> HighBytes(const Ramp& ramp)
{
    std::vector<BYTE> bytes;
    bytes.reserve(768);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<BYTE>(ramp.values[c][i] >> 8));
    return bytes;
}

inline std::vector<BYTE> IdentityTable()
{
    std::vector<BYTE> bytes;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            bytes.push_back(static_cast<BYTE>(i));
    return bytes;
}

inline std::vector<BYTE> CurrentTable()
{
    Ramp ramp{};
    if (!ReadRamp(ramp))
        return {};
    return HighBytes(ramp);
}

// ---- Windows and controls ----------------------------------------------------------

inline DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

inline bool IsVisibleDialogOf(HWND window, DWORD processId)
{
    return IsWindow(window) && ProcessOf(window) == processId && IsWindowVisible(window) &&
           wintest::ClassName(window) == "#32770";
}

// The program's dialogs by kind: a monitor window holds the profile list, a report its
// message, and the About box neither but an OK button.
inline bool IsMonitorWindow(HWND window) { return GetDlgItem(window, kListId) != nullptr; }
inline bool IsReport(HWND window) { return GetDlgItem(window, kReportMessageId) != nullptr; }
inline bool IsAboutBox(HWND window)
{
    return !IsMonitorWindow(window) && !IsReport(window) && GetDlgItem(window, IDOK) != nullptr &&
           wintest::WindowText(window) == kProgramCaption;
}

// The visible top-level dialogs of a process, in z order.
inline std::vector<HWND> VisibleDialogsOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (IsVisibleDialogOf(window, s->processId))
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A window's rectangle in the client coordinates of another (a control in its dialog).
inline RECT RectIn(HWND control, HWND dialog)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// One child control and where it sits in its dialog.
struct Control {
    HWND window;
    int id;   // -1 for the unnamed ones, however the template stored it
    RECT rect;
};

inline int ControlId(HWND control)
{
    const int id = GetDlgCtrlID(control);
    return (id & 0xFFFF) == 0xFFFF ? -1 : id;
}

// The dialog's children in stacking order.
inline std::vector<Control> Controls(HWND dialog)
{
    std::vector<Control> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(Control{child, ControlId(child), RectIn(child, dialog)});
    return controls;
}

// ---- The profile list ----------------------------------------------------------------

inline std::string RowText(HWND list, int row)
{
    const LRESULT length = Ask(list, LB_GETTEXTLEN, static_cast<WPARAM>(row));
    if (length < 0)
        return "(no row " + std::to_string(row) + ")";
    // Across processes the list answers in UTF-16, whatever form was asked for.
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()), &copied) ||
        copied < 0)
        return "(unreadable row " + std::to_string(row) + ")";
    text.resize(static_cast<size_t>(copied));
    return Narrow(text);
}

inline std::vector<std::string> Rows(HWND list)
{
    std::vector<std::string> rows;
    const LRESULT count = Ask(list, LB_GETCOUNT);
    for (int row = 0; row < count; ++row)
        rows.push_back(RowText(list, row));
    return rows;
}

inline int RowOf(HWND list, const std::string& text)
{
    const std::vector<std::string> rows = Rows(list);
    const auto found = std::find(rows.begin(), rows.end(), text);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

inline int Selection(HWND list) { return static_cast<int>(Ask(list, LB_GETCURSEL, 0, 0, -2)); }

// The selected row's text, or "" when nothing is selected.
inline std::string SelectedText(HWND list)
{
    const int row = Selection(list);
    return row >= 0 ? RowText(list, row) : std::string();
}

// Clicks a row with the mouse: button down and up at the row's middle, queued like
// real input. Returns false when the row is not on screen.
inline bool ClickRow(HWND list, int row)
{
    RECT item{};
    LRESULT result = LB_ERR;
    if (!Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item), &result) ||
        result == LB_ERR)
        return false;
    RECT client{};
    GetClientRect(list, &client);
    const int x = (item.left + item.right) / 2;
    const int y = (item.top + item.bottom) / 2;
    if (x < client.left || x >= client.right || y < client.top || y >= client.bottom)
        return false;
    const LPARAM at = MAKELPARAM(x, y);
    return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// Presses and releases a key where it is queued for the given control.
inline bool PressKey(HWND control, WPARAM key)
{
    return PostMessageW(control, WM_KEYDOWN, key, 1) &&
           PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// Waits until the program's thread has handled everything queued for it before this
// call. A marker that changes nothing on screen (the list's horizontal extent, without
// a horizontal scroll bar) goes behind the queued input; the list handles messages in
// order, so once the marker has arrived so has everything before it, including any
// modal window that input opened.
inline bool Flush(HWND list)
{
    const LRESULT before = Ask(list, LB_GETHORIZONTALEXTENT, 0, 0, 0);
    const WPARAM marker = static_cast<WPARAM>(before % 50 + 1);
    if (!PostMessageW(list, LB_SETHORIZONTALEXTENT, marker, 0))
        return false;
    return WaitFor([&] { return Ask(list, LB_GETHORIZONTALEXTENT, 0, 0, 0) == static_cast<LRESULT>(marker); });
}

// ---- The running program ---------------------------------------------------------------

// One run of kestrava.exe. The destructor ends it whatever state the test left it in.
class RunningProgram {
public:
    RunningProgram() = default;
    ~RunningProgram() { End(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Starts the program, with a watch on the windows it creates set before its first
    // instruction runs; arguments follow its quoted path on the command line. Fills
    // error when it could not be started.
    bool Start(std::string& error, const std::string& program = {}, const std::string& arguments = {})
    {
        // The creation events come through this thread's queue.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

        const std::string exe = program.empty() ? wintest::ProgramExe() : program;
        std::string commandLine = "\"" + exe + "\"";
        if (!arguments.empty())
            commandLine += " " + arguments;
        // Started in its own folder, so that the resource library it finds is the one
        // beside it (none, for the build's own), whatever the test's working folder holds.
        const std::string folder = exe.substr(0, exe.find_last_of('\\'));
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                            folder.c_str(), &startup, &info)) {
            error = "cannot start " + exe + ": error " + std::to_string(GetLastError());
            return false;
        }
        m_process.Reset(info.hProcess);
        m_thread.Reset(info.hThread);
        m_id = info.dwProcessId;
        m_threadId = info.dwThreadId;
        s_watched = this;
        // Wine tells other processes of creations and focus changes, not of destructions.
        m_hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, OnEvent, m_id, 0,
                                 WINEVENT_OUTOFCONTEXT);
        ResumeThread(m_thread.Get());
        return true;
    }

    DWORD Id() const { return m_id; }
    HANDLE Process() const { return m_process.Get(); }
    bool IsRunning() const { return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }

    // The visible monitor windows, in the order the program created them.
    std::vector<HWND> MonitorWindows()
    {
        PumpMessages();
        std::vector<HWND> windows;
        for (HWND window : VisibleDialogsOf(m_id))
            if (IsMonitorWindow(window))
                windows.push_back(window);
        std::stable_sort(windows.begin(), windows.end(),
                         [this](HWND a, HWND b) { return CreationIndex(a) < CreationIndex(b); });
        return windows;
    }

    // Waits until count monitor windows are up and the program has finished starting:
    // it answers messages only from its message loop, once every window is built.
    // Returns what it found, or fewer when a report or the clock stopped it.
    std::vector<HWND> WaitForMonitorWindows(size_t count)
    {
        std::vector<HWND> windows;
        WaitFor([&] {
            windows = MonitorWindows();
            return windows.size() >= count || FindReport() || !IsRunning();
        });
        for (HWND window : windows)
            Send(window, WM_NULL, 0, 0);
        return MonitorWindows();
    }

    // Whether the program has been seen creating window, and where in its order; the
    // end of the order when it has not.
    size_t CreationIndex(HWND window) const
    {
        const auto found = std::find(m_created.begin(), m_created.end(), window);
        return static_cast<size_t>(found - m_created.begin());
    }
    bool SawCreation(HWND window) const { return CreationIndex(window) < m_created.size(); }

    // The windows that took the keyboard focus since the last ForgetFocusChanges, in
    // order. A window that gets the focus back when the active one is destroyed shows
    // that destruction while the process is still there to show it.
    const std::vector<HWND>& FocusChanges()
    {
        PumpMessages();
        return m_focused;
    }
    void ForgetFocusChanges()
    {
        PumpMessages();
        m_focused.clear();
    }

    // The program's active window, or null.
    HWND ActiveWindow() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(m_threadId, &info) ? info.hwndActive : nullptr;
    }

    std::vector<HWND> Reports() const
    {
        std::vector<HWND> reports;
        for (HWND window : VisibleDialogsOf(m_id))
            if (IsReport(window))
                reports.push_back(window);
        return reports;
    }
    HWND FindReport() const
    {
        const std::vector<HWND> reports = Reports();
        return reports.empty() ? nullptr : reports.front();
    }
    HWND WaitForReport(std::chrono::milliseconds timeout = kTimeout)
    {
        HWND report = nullptr;
        WaitFor([&] { return (report = FindReport()) != nullptr || !IsRunning(); }, timeout);
        return report;
    }

    HWND FindAboutBox() const
    {
        for (HWND window : VisibleDialogsOf(m_id))
            if (IsAboutBox(window))
                return window;
        return nullptr;
    }
    HWND WaitForAboutBox()
    {
        HWND about = nullptr;
        WaitFor([&] { return (about = FindAboutBox()) != nullptr || !IsRunning(); });
        return about;
    }

    // What a report says, for failure messages.
    static std::string ReportText(HWND report)
    {
        return "report: \"" + wintest::ControlText(report, kReportMessageId) + "\" / \"" +
               wintest::ControlText(report, kReportFileLineId) + "\"";
    }
    std::string OpenReports() const
    {
        std::string text;
        for (HWND report : Reports())
            text += ReportText(report) + "\n";
        return text;
    }

    // Waits for the process to end; its exit code, or false when it is still running.
    bool WaitForExit(DWORD& code, std::chrono::milliseconds timeout = kTimeout)
    {
        if (!WaitFor([&] { return !IsRunning(); }, timeout))
            return false;
        return GetExitCodeProcess(m_process.Get(), &code) != FALSE;
    }

    // Ends the program the way a user would, and by force when that does not work:
    // every open report and About box is confirmed, then the monitor windows closed.
    void End()
    {
        if (IsRunning()) {
            for (int round = 0; round < 5 && IsRunning(); ++round) {
                for (HWND window : VisibleDialogsOf(m_id))
                    if (IsReport(window) || IsAboutBox(window))
                        PostMessageW(window, WM_COMMAND, IDOK, 0);
                for (HWND window : VisibleDialogsOf(m_id))
                    if (IsMonitorWindow(window))
                        PostMessageW(window, WM_CLOSE, 0, 0);
                WaitFor([&] { return !IsRunning(); }, 2s);
            }
            if (IsRunning()) {
                TerminateProcess(m_process.Get(), 99);
                WaitForSingleObject(m_process.Get(), 10000);
            }
        }
        if (m_hook) {
            UnhookWinEvent(m_hook);
            m_hook = nullptr;
        }
        if (s_watched == this)
            s_watched = nullptr;
    }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD)
    {
        if (!s_watched || !window)
            return;
        if (event == EVENT_OBJECT_CREATE && object == OBJID_WINDOW)
            s_watched->m_created.push_back(window);
        else if (event == EVENT_OBJECT_FOCUS)
            s_watched->m_focused.push_back(window);
    }

    static inline RunningProgram* s_watched = nullptr;

    wintest::HandleOwner m_process;
    wintest::HandleOwner m_thread;
    DWORD m_id = 0;
    DWORD m_threadId = 0;
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<HWND> m_created;
    std::vector<HWND> m_focused;
};

}  // namespace program
