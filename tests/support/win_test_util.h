// Helpers shared by the Windows tests, which run under Wine on a real X server.
#pragma once

#include "fw/app.h"
#include "support/win_handles.h"

#include <windows.h>

#include <chrono>
#include <iterator>
#include <string>
#include <thread>

namespace wintest {

// A Unix path of the build as Wine's Z: drive shows it.
inline std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The generated test profiles' folder, as a Windows path.
std::string ProfileDir();
// The program the tests drive: the build's own, or the copy that KESTRAVA_PROGRAM names
// (a Windows path), such as the one unpacked from the release.
std::string ProgramExe();

// The full path of the running test program.
inline std::string OwnExe()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A window's text, of any length; it may belong to another thread or process.
inline std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

inline std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

inline std::string ClassName(HWND window)
{
    char name[256] = {};
    int length = GetClassNameA(window, name, static_cast<int>(std::size(name)));
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// Finds a visible top-level dialog (class "#32770") of a process by its caption.
// Visible means its WM_INITDIALOG has run, so its controls hold their texts.
inline HWND FindDialog(const std::string& caption, DWORD processId)
{
    struct Search {
        const std::string* caption;
        DWORD processId;
        HWND found;
    } search{&caption, processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window) || ClassName(window) != "#32770" ||
                WindowText(window) != *s->caption)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls for the dialog; null when it did not show up in time.
inline HWND WaitForDialog(const std::string& caption, DWORD processId = GetCurrentProcessId(),
                          std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (HWND dialog = FindDialog(caption, processId))
            return dialog;
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Polls for a visible top-level window of this process that holds a control with the
// given id, other than except (a window already open that holds one too); null when
// none showed up in time. Finds dialogs by what they contain where their captions
// are alike.
inline HWND WaitForWindowWithControl(int controlId, HWND except = nullptr,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    struct Search {
        int controlId;
        HWND except;
        HWND found;
    } search{controlId, except, nullptr};
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (window == s->except || process != GetCurrentProcessId() || !IsWindowVisible(window) ||
                    !GetDlgItem(window, s->controlId))
                    return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found || std::chrono::steady_clock::now() >= deadline)
            return search.found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The control with the keyboard focus in the thread that owns window, or null.
inline HWND FocusedControl(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// Presses Escape where the user would: a key-down posted to the focused control, which
// the dialog manager's IsDialogMessage turns into WM_COMMAND IDCANCEL.
inline void PressEscape(HWND dialog)
{
    HWND target = FocusedControl(dialog);
    if (!target)
        target = dialog;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
}

// Clicks a dialog button and waits until the click has been handled.
inline void ClickButton(HWND dialog, int id)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

// Waits until window is gone; false when it is still there after the timeout.
inline bool WaitUntilGone(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (IsWindow(window)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Makes a window the application's main window for the length of a test.
struct MainWindowScope {
    explicit MainWindowScope(HWND window) { fw::App::Current()->SetMainWindow(window); }
    ~MainWindowScope() { fw::App::Current()->SetMainWindow(nullptr); }
    MainWindowScope(const MainWindowScope&) = delete;
    MainWindowScope& operator=(const MainWindowScope&) = delete;
};

}  // namespace wintest
