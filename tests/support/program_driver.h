// Drives the built kestrava.exe from outside, the way a user meets it: starts it, finds
// its windows, reads and works their controls through window messages only, and makes
// sure it ends. What the program works on is in program_state.h.
#pragma once

#include "res/resource.h"
#include "support/program_state.h"
#include "support/win_handles.h"

#include <windows.h>

#include <chrono>
#include <string>
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

// Every running copy's own hidden window, which carries the icon's tooltip as its text,
// and the commands of the icon's menu that it takes.
constexpr const char* kProgramWindowClass = KESTRAVA_PROGRAM_CLASS;
constexpr WPARAM kTrayOpen = 0x2010;
constexpr WPARAM kTrayReload = 0x2020;
constexpr WPARAM kTrayReset = 0x2030;
constexpr WPARAM kTrayKeepLoaded = 0x2040;
constexpr WPARAM kTrayLoadAtLogon = 0x2050;
constexpr WPARAM kTrayExit = 0x2060;
// The icon's events reach that window as this message, as the shell sends them to a
// version 4 icon: where the icon is in wParam, the event in lParam's low word.
constexpr UINT kTrayCallback = WM_APP + 5;

constexpr std::chrono::milliseconds kTimeout = 20s;
constexpr UINT kSendTimeoutMs = 10000;

// Hands this thread's messages to their targets; the creation events of the watched
// program arrive this way.
void PumpMessages();
// Waits for input or 10 ms.
void Nap();

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
        Nap();
    }
}

// A message to another process's window that cannot hang the test: false when the
// window did not answer in time.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);
// The answer to a message, or fallback when there was none in time.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, LRESULT fallback = -1);

std::string Narrow(const std::wstring& text);

// ---- Windows and controls ----------------------------------------------------------

DWORD ProcessOf(HWND window);
bool IsVisibleDialogOf(HWND window, DWORD processId);

// The program's dialogs by kind: a monitor window holds the profile list, a report its
// message, and the About box neither but an OK button.
bool IsMonitorWindow(HWND window);
bool IsReport(HWND window);
bool IsAboutBox(HWND window);

// The visible top-level dialogs of a process, in z order.
std::vector<HWND> VisibleDialogsOf(DWORD processId);

// The top-level windows of a class, of every process.
std::vector<HWND> TopWindows(const char* windowClass);
// The top-level window of a class that a process made, or null.
HWND TopWindowOf(const char* windowClass, DWORD processId);

// The text of a message box: its static control with id 0xFFFF (however the id was
// stored); null when the dialog has none.
HWND MessageTextControl(HWND dialog);
// A visible message box of the process: neither a monitor window nor a report.
HWND FindMessageBox(DWORD process);

// A window's rectangle in the client coordinates of another (a control in its dialog).
RECT RectIn(HWND control, HWND dialog);
RECT WindowRect(HWND window);
bool SameRect(const RECT& a, const RECT& b);
std::string Describe(const RECT& r);

// One child control and where it sits in its dialog.
struct Control {
    HWND window;
    int id;   // -1 for the unnamed ones, however the template stored it
    RECT rect;
};

int ControlId(HWND control);
// The dialog's children in stacking order.
std::vector<Control> Controls(HWND dialog);

// ---- The profile list ----------------------------------------------------------------

std::string RowText(HWND list, int row);
std::vector<std::string> Rows(HWND list);
int RowOf(HWND list, const std::string& text);
int Selection(HWND list);
// The selected row's text, or "" when nothing is selected.
std::string SelectedText(HWND list);

// Clicks a row with the mouse: button down and up at the row's middle, queued like
// real input. Returns false when the row is not on screen.
bool ClickRow(HWND list, int row);
// Presses and releases a key where it is queued for the given control.
bool PressKey(HWND control, WPARAM key);

// Waits until the program's thread has handled everything queued for it before this
// call. A marker that changes nothing on screen (the list's horizontal extent, without
// a horizontal scroll bar) goes behind the queued input; the list handles messages in
// order, so once the marker has arrived so has everything before it, including any
// modal window that input opened.
bool Flush(HWND list);

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
    //
    // Given a language (a Unix locale name such as "fr_FR.UTF-8"), the program runs
    // with that display language. Wine 8 takes a process's display language, and its
    // locale, from its Unix locale: LC_ALL, or, where that locale is not installed (as
    // in the test bed), the name LC_ALL gives. It reads neither HKCU\Control
    // Panel\International, which it writes anew at each start, nor the Windows
    // environment, and a program started by a Windows program inherits that program's
    // Unix environment. A Unix program started by a Windows program is given the
    // Windows environment as its own, so the program is started through the Wine
    // loader as a Unix program, with LC_ALL in the environment it is given; nothing of
    // the test program's changes. The program's windows may then come before the watch.
    bool Start(std::string& error, const std::string& program = {}, const std::string& arguments = {},
               const std::string& language = {});

    DWORD Id() const { return m_id; }
    HANDLE Process() const { return m_process.Get(); }
    bool IsRunning() const;

    // The visible monitor windows, in the order the program created them.
    std::vector<HWND> MonitorWindows();

    // Waits until count monitor windows are up and the program has finished starting:
    // it answers messages only from its message loop, once every window is built.
    // Returns what it found, or fewer when a report or the clock stopped it.
    std::vector<HWND> WaitForMonitorWindows(size_t count);

    // Whether the program has been seen creating window, and where in its order; the
    // end of the order when it has not.
    size_t CreationIndex(HWND window) const;
    bool SawCreation(HWND window) const { return CreationIndex(window) < m_created.size(); }

    // The windows that took the keyboard focus since the last ForgetFocusChanges, in
    // order. A window that gets the focus back when the active one is destroyed shows
    // that destruction while the process is still there to show it.
    const std::vector<HWND>& FocusChanges();
    void ForgetFocusChanges();

    // The program's active window, or null.
    HWND ActiveWindow() const;

    std::vector<HWND> Reports() const;
    HWND FindReport() const;
    HWND WaitForReport(std::chrono::milliseconds timeout = kTimeout);

    HWND FindAboutBox() const;
    HWND WaitForAboutBox();

    // What a report says, for failure messages.
    static std::string ReportText(HWND report);
    std::string OpenReports() const;

    // Waits for the process to end; its exit code, or false when it is still running.
    bool WaitForExit(DWORD& code, std::chrono::milliseconds timeout = kTimeout);

    // Ends the program the way a user would, and by force when that does not work:
    // every open report and About box is confirmed, then the monitor windows closed.
    void End();

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD);

    // Starts the program through the Wine loader with LC_ALL=language, and takes the
    // process that runs it once it shows.
    bool StartInLanguage(std::string& error, const std::string& exe, const std::string& commandLine,
                         const std::string& folder, const std::string& language);
    void Watch();

    static RunningProgram* s_watched;

    wintest::HandleOwner m_process;
    wintest::HandleOwner m_thread;
    DWORD m_id = 0;
    DWORD m_threadId = 0;
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<HWND> m_created;
    std::vector<HWND> m_focused;
};

}  // namespace program
