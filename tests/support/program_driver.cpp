#include "support/program_driver.h"

#include "support/win_test_util.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace program {

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Nap() { MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT); }

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT fallback)
{
    LRESULT result = fallback;
    return Send(window, message, wParam, lParam, &result) ? result : fallback;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

// ---- Windows and controls ----------------------------------------------------------

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

bool IsVisibleDialogOf(HWND window, DWORD processId)
{
    return IsWindow(window) && ProcessOf(window) == processId && IsWindowVisible(window) &&
           wintest::ClassName(window) == "#32770";
}

bool IsMonitorWindow(HWND window) { return GetDlgItem(window, kListId) != nullptr; }
bool IsReport(HWND window) { return GetDlgItem(window, kReportMessageId) != nullptr; }
bool IsAboutBox(HWND window)
{
    return !IsMonitorWindow(window) && !IsReport(window) && GetDlgItem(window, IDOK) != nullptr &&
           wintest::WindowText(window) == kProgramCaption;
}

std::vector<HWND> VisibleDialogsOf(DWORD processId)
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

std::vector<HWND> TopWindows(const char* windowClass)
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, nullptr)) != nullptr;)
        found.push_back(window);
    return found;
}

HWND TopWindowOf(const char* windowClass, DWORD processId)
{
    for (HWND window : TopWindows(windowClass))
        if (ProcessOf(window) == processId)
            return window;
    return nullptr;
}

HWND MessageTextControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && lstrcmpiA(wintest::ClassName(child).c_str(), "Static") == 0)
            return child;
    return nullptr;
}

HWND FindMessageBox(DWORD process)
{
    for (HWND window : VisibleDialogsOf(process))
        if (!IsMonitorWindow(window) && !IsReport(window) && MessageTextControl(window))
            return window;
    return nullptr;
}

RECT RectIn(HWND control, HWND dialog)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

int ControlId(HWND control)
{
    const int id = GetDlgCtrlID(control);
    return (id & 0xFFFF) == 0xFFFF ? -1 : id;
}

std::vector<Control> Controls(HWND dialog)
{
    std::vector<Control> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(Control{child, ControlId(child), RectIn(child, dialog)});
    return controls;
}

// ---- The profile list ----------------------------------------------------------------

std::string RowText(HWND list, int row)
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

std::vector<std::string> Rows(HWND list)
{
    std::vector<std::string> rows;
    const LRESULT count = Ask(list, LB_GETCOUNT);
    for (int row = 0; row < count; ++row)
        rows.push_back(RowText(list, row));
    return rows;
}

int RowOf(HWND list, const std::string& text)
{
    const std::vector<std::string> rows = Rows(list);
    const auto found = std::find(rows.begin(), rows.end(), text);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

int Selection(HWND list) { return static_cast<int>(Ask(list, LB_GETCURSEL, 0, 0, -2)); }

std::string SelectedText(HWND list)
{
    const int row = Selection(list);
    return row >= 0 ? RowText(list, row) : std::string();
}

bool ClickRow(HWND list, int row)
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

bool PressKey(HWND control, WPARAM key)
{
    return PostMessageW(control, WM_KEYDOWN, key, 1) &&
           PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

bool Flush(HWND list)
{
    const LRESULT before = Ask(list, LB_GETHORIZONTALEXTENT, 0, 0, 0);
    const WPARAM marker = static_cast<WPARAM>(before % 50 + 1);
    if (!PostMessageW(list, LB_SETHORIZONTALEXTENT, marker, 0))
        return false;
    return WaitFor([&] { return Ask(list, LB_GETHORIZONTALEXTENT, 0, 0, 0) == static_cast<LRESULT>(marker); });
}

// ---- The running program ---------------------------------------------------------------

RunningProgram* RunningProgram::s_watched = nullptr;

bool RunningProgram::Start(std::string& error, const std::string& program, const std::string& arguments,
                           const std::string& language)
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
    if (!language.empty())
        return StartInLanguage(error, exe, commandLine, folder, language);
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
    Watch();
    ResumeThread(m_thread.Get());
    return true;
}

void RunningProgram::Watch()
{
    s_watched = this;
    // Wine tells other processes of creations and focus changes, not of destructions.
    m_hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, OnEvent, m_id, 0,
                             WINEVENT_OUTOFCONTEXT);
}

bool RunningProgram::StartInLanguage(std::string& error, const std::string& exe, const std::string& commandLine,
                                     const std::string& folder, const std::string& language)
{
    char loader[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINELOADER", loader, static_cast<DWORD>(std::size(loader)));
    if (length == 0 || length >= std::size(loader)) {
        error = "no WINELOADER: a display language is set only under Wine";
        return false;
    }
    // The test program's environment, with LC_ALL replaced.
    std::string environment;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += std::strlen(entry) + 1)
            if (_strnicmp(entry, "LC_ALL=", 7) != 0)
                environment.append(entry).push_back('\0');
        FreeEnvironmentStringsA(block);
    }
    environment.append("LC_ALL=" + language).push_back('\0');
    environment.push_back('\0');

    // The loader finds the rest of Wine from its own name, so that is its Unix path.
    const std::string loaderPath = wintest::WinePath(loader);
    std::string line = "\"" + std::string(loader) + "\" " + commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(loaderPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, environment.data(),
                        folder.c_str(), &startup, &info)) {
        error = "cannot start " + exe + " through " + loaderPath + ": error " + std::to_string(GetLastError());
        return false;
    }
    // A Unix program comes with no handles; the program's process is found by its file.
    if (info.hProcess)
        CloseHandle(info.hProcess);
    if (info.hThread)
        CloseHandle(info.hThread);
    const auto runs = [&] {
        wintest::HandleOwner snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0));
        if (snapshot.Get() == INVALID_HANDLE_VALUE)
            return false;
        PROCESSENTRY32 process{};
        process.dwSize = sizeof process;
        for (BOOL more = Process32First(snapshot.Get(), &process); more && !m_process;
             more = Process32Next(snapshot.Get(), &process)) {
            HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_QUERY_INFORMATION | SYNCHRONIZE |
                                            PROCESS_TERMINATE | PROCESS_VM_READ,
                                        FALSE, process.th32ProcessID);
            if (!handle)
                continue;
            char image[MAX_PATH] = {};
            DWORD size = static_cast<DWORD>(std::size(image));
            if (QueryFullProcessImageNameA(handle, 0, image, &size) && lstrcmpiA(image, exe.c_str()) == 0) {
                m_process.Reset(handle);
                m_id = process.th32ProcessID;
            } else {
                CloseHandle(handle);
            }
        }
        THREADENTRY32 thread{};
        thread.dwSize = sizeof thread;
        for (BOOL more = Thread32First(snapshot.Get(), &thread); more && m_process && !m_threadId;
             more = Thread32Next(snapshot.Get(), &thread))
            if (thread.th32OwnerProcessID == m_id)
                m_threadId = thread.th32ThreadID;
        return m_process.Get() != nullptr;
    };
    if (!WaitFor(runs)) {
        error = exe + " did not start through " + loaderPath;
        return false;
    }
    Watch();
    return true;
}

bool RunningProgram::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> RunningProgram::MonitorWindows()
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

std::vector<HWND> RunningProgram::WaitForMonitorWindows(size_t count)
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

size_t RunningProgram::CreationIndex(HWND window) const
{
    const auto found = std::find(m_created.begin(), m_created.end(), window);
    return static_cast<size_t>(found - m_created.begin());
}

const std::vector<HWND>& RunningProgram::FocusChanges()
{
    PumpMessages();
    return m_focused;
}

void RunningProgram::ForgetFocusChanges()
{
    PumpMessages();
    m_focused.clear();
}

HWND RunningProgram::ActiveWindow() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(m_threadId, &info) ? info.hwndActive : nullptr;
}

std::vector<HWND> RunningProgram::Reports() const
{
    std::vector<HWND> reports;
    for (HWND window : VisibleDialogsOf(m_id))
        if (IsReport(window))
            reports.push_back(window);
    return reports;
}

HWND RunningProgram::FindReport() const
{
    const std::vector<HWND> reports = Reports();
    return reports.empty() ? nullptr : reports.front();
}

HWND RunningProgram::WaitForReport(std::chrono::milliseconds timeout)
{
    HWND report = nullptr;
    WaitFor([&] { return (report = FindReport()) != nullptr || !IsRunning(); }, timeout);
    return report;
}

HWND RunningProgram::FindAboutBox() const
{
    for (HWND window : VisibleDialogsOf(m_id))
        if (IsAboutBox(window))
            return window;
    return nullptr;
}

HWND RunningProgram::WaitForAboutBox()
{
    HWND about = nullptr;
    WaitFor([&] { return (about = FindAboutBox()) != nullptr || !IsRunning(); });
    return about;
}

std::string RunningProgram::ReportText(HWND report)
{
    return "report: \"" + wintest::ControlText(report, kReportMessageId) + "\" / \"" +
           wintest::ControlText(report, kReportFileLineId) + "\"";
}

std::string RunningProgram::OpenReports() const
{
    std::string text;
    for (HWND report : Reports())
        text += ReportText(report) + "\n";
    return text;
}

bool RunningProgram::WaitForExit(DWORD& code, std::chrono::milliseconds timeout)
{
    if (!WaitFor([&] { return !IsRunning(); }, timeout))
        return false;
    return GetExitCodeProcess(m_process.Get(), &code) != FALSE;
}

void RunningProgram::End()
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

void CALLBACK RunningProgram::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (!s_watched || !window)
        return;
    if (event == EVENT_OBJECT_CREATE && object == OBJID_WINDOW)
        s_watched->m_created.push_back(window);
    else if (event == EVENT_OBJECT_FOCUS)
        s_watched->m_focused.push_back(window);
}

}  // namespace program
