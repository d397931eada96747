// Hovering over a profile list as a user does: the mouse pointer, the tooltips it
// brings up (in this process or in the running program), and what they read.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <string>

namespace wintest {

// Moves the pointer to a point of the screen. The move is a real one: SetCursorPos
// queues a WM_MOUSEMOVE for the window under the point, like the mouse's own, on
// Windows and under Wine 8 alike, so no SendInput move is needed.
inline bool MovePointer(POINT to) { return SetCursorPos(to.x, to.y) != FALSE; }

// The pointer where it disturbs no other test: the desktop's top-left corner, which no
// test window covers. A pointer left resting on a list would show its tooltip over
// whatever a later test reads off the screen.
inline void ParkPointer() { MovePointer(POINT{0, 0}); }

// Parks the pointer on every way out of a test that hovers.
struct PointerParking {
    PointerParking() = default;
    ~PointerParking() { ParkPointer(); }
    PointerParking(const PointerParking&) = delete;
    PointerParking& operator=(const PointerParking&) = delete;
};

// A row's centre on the screen; false when the list has no such row.
inline bool RowCentre(HWND list, int row, POINT& centre)
{
    RECT rc{};
    DWORD_PTR answer = static_cast<DWORD_PTR>(LB_ERR);
    if (!SendMessageTimeoutW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc),
                             SMTO_NORMAL, 10000, &answer) ||
        static_cast<LRESULT>(answer) == LB_ERR)
        return false;
    centre = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    return ClientToScreen(list, &centre) != FALSE;
}

// A tooltip's text: its WM_GETTEXT answer, the text it shows. GetWindowText from another
// process reads the window server's copy instead; where that differs, it is given too.
inline std::string TipText(HWND tip)
{
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(tip, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000,
                             &copied))
        return {};
    const int length = static_cast<int>(copied < std::size(text) ? copied : std::size(text) - 1);
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), needed, nullptr, nullptr);
    char caption[512] = {};
    GetWindowTextA(tip, caption, static_cast<int>(std::size(caption)));
    return out == caption ? out : out + " (window text \"" + caption + "\")";
}

// What the visible tooltips of a process read, " | " between two; kNoTip when none shows.
constexpr const char* kNoTip = "(no tooltip)";
inline std::string ShownTips(DWORD process)
{
    struct Search {
        DWORD process;
        std::string shown;
    } search{process, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char name[64] = {};
            GetClassNameA(window, name, static_cast<int>(std::size(name)));
            if (owner == s->process && IsWindowVisible(window) && lstrcmpiA(name, "tooltips_class32") == 0)
                s->shown += (s->shown.empty() ? "" : " | ") + TipText(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.shown.empty() ? kNoTip : search.shown;
}

// Waits, handing this thread's messages on (a tooltip of this process runs its timers
// here), until what ShownTips(process) reads is done. Returns what it read last, and the
// last tip it saw when that has gone since (a tooltip hides itself after some seconds).
inline std::string WaitForTip(DWORD process, const std::function<bool(const std::string&)>& done,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string seen;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const std::string shown = ShownTips(process);
        if (done(shown))
            return shown;
        if (shown != kNoTip)
            seen = shown;
        if (std::chrono::steady_clock::now() >= deadline)
            return shown == kNoTip && !seen.empty() ? seen + " (since hidden)" : shown;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Waits until ShownTips(process) reads expected.
inline std::string WaitForTip(DWORD process, const std::string& expected,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    return WaitForTip(process, [&](const std::string& shown) { return shown == expected; }, timeout);
}

}  // namespace wintest
