// Win32 only. The application: start-up, the desktop it follows, the keeping it owns.
#include "app/chooser_app.h"

#include "app/resource_library.h"
#include "cms/current_calibration.h"
#include "cms/monitor_strings.h"
#include "fw/dialog.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "ui/calibration_commands.h"
#include "ui/info_page_dialog.h"
#include "ui/settings.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <utility>
#include <vector>

namespace {

// How often the desktop's monitors are looked at: Wine changes them when an X output
// comes or goes without telling any window, and a driver may do the same.
constexpr UINT kMonitorPollMs = 2000;
// How often a kept calibration is read back: often enough to mend a reset ramp within
// five seconds, seldom enough to cost an idle program next to nothing.
constexpr UINT kKeepPeriodMs = 2500;
// Windows tells of a display change more than once while the desktop settles: the
// monitors are looked at once, a moment after the last notice.
constexpr UINT kRefreshDelayMs = 300;

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kKeepTimer = 2;
constexpr UINT_PTR kRefreshTimer = 3;

// The program window's own messages. A second copy sends the last two.
constexpr UINT kMsgNotice = WM_APP + 1;     // wParam: the notices since the last one was handled
constexpr UINT kMsgActivate = WM_APP + 2;   // bring the windows to the front
constexpr UINT kMsgLoad = WM_APP + 3;       // wParam: quiet; the result is the load's
constexpr UINT kMsgResident = WM_APP + 4;   // stay in the notification area (/tray beside it)

constexpr WPARAM kNoticeDisplay = 0x1;   // the desktop changed
constexpr WPARAM kNoticeResume = 0x2;    // resume, unlock, reconnect: the ramp may be linear again

// The system's resume notices, and the session notices that follow an unlock or a
// reconnect: each may come with a ramp the system put back.
constexpr WPARAM kResumeAutomatic = 0x12;   // PBT_APMRESUMEAUTOMATIC
constexpr WPARAM kResumeSuspend = 0x07;     // PBT_APMRESUMESUSPEND
constexpr UINT kSessionChange = 0x02B1;     // WM_WTSSESSION_CHANGE
constexpr WPARAM kConsoleConnect = 0x1;     // WTS_CONSOLE_CONNECT
constexpr WPARAM kRemoteConnect = 0x3;      // WTS_REMOTE_CONNECT
constexpr WPARAM kSessionUnlock = 0x8;      // WTS_SESSION_UNLOCK

// One copy per session: the first window copy owns the name, and its program window is
// how a later start finds it.
constexpr const char* kSingleCopyName = "Local\\Kestrava.Program";
constexpr const char* kProgramClass = "KestravaTray";
// A second copy gives up on the first after this, and a forwarded /load after that.
constexpr DWORD kFindOtherCopyMs = 1500;
constexpr UINT kForwardedLoadMs = 10 * 60 * 1000;

// The running copy's program window. Null when none showed in time, or, given the name
// this copy waits for, when the other copy ended meanwhile and the name is this copy's
// now (ours says which).
HWND FindOtherCopy(HANDLE singleCopy, bool& ours)
{
    ours = false;
    const ULONGLONG deadline = ::GetTickCount64() + kFindOtherCopyMs;
    for (;;) {
        if (HWND other = ::FindWindowA(kProgramClass, nullptr))
            return other;
        if (singleCopy) {
            const DWORD wait = ::WaitForSingleObject(singleCopy, 50);
            ours = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
            if (ours)
                return nullptr;
        } else {
            ::Sleep(50);
        }
        if (::GetTickCount64() >= deadline)
            return nullptr;
    }
}

}  // namespace

BOOL ChooserApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetHelpCommand(ShowInfoPage);

    const CommandLine line = ParseCommandLine(SkipProgramName(::GetCommandLineA()));
    if (line.mode != StartMode::Usage && !ClaimSingleCopy(line)) {
        m_bWindows = false;
        return TRUE;
    }

    // Loaded as resources only: no code in a library of that name ever runs. Whatever
    // it holds is taken, and whatever it lacks (a window, the menu, a string) still
    // comes from the program, resource by resource; so even a library with none of
    // ours is harmless, and it is simply never asked.
    if (HMODULE resources = LoadResourceLibrary("Res.dll"))
        SetResourceModule(resources);

    // Selections, keeping, Verify, the tooltips and /load all go by it.
    m_settings = settings::Load();
    m_pauseFor = settings::PauseFor();

    switch (line.mode) {
    case StartMode::Tray:
    case StartMode::Windows:
        CreateProgramWindow();
        m_layout = TakeDesktopLayout();
        m_desktop = TakeDesktopSnapshot();
        m_keepers.Follow(m_desktop);
        // A report raised while a window is built runs a modal loop: a look at the
        // desktop asked for meanwhile waits until every window is there.
        m_bFollowing = true;
        if (line.mode == StartMode::Windows) {
            EnumerateMonitors();
        } else {
            // The icon first: a failure of the load is told by its balloon.
            BecomeResident(line.quiet);
            LoadCurrentCalibrations(line.quiet, m_settings.extendedTables, &m_keepers);
            UpdateTrayTip();
        }
        m_bFollowing = false;
        // The program that goes to the front is looked at once, only where some are listed.
        if (!m_pauseFor.empty())
            m_hForegroundHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                  OnForegroundChange, 0, 0, WINEVENT_OUTOFCONTEXT);
        if (m_hProgram) {
            ::SetTimer(m_hProgram.Get(), kPollTimer, kMonitorPollMs, nullptr);
            ::SetTimer(m_hProgram.Get(), kKeepTimer, kKeepPeriodMs, nullptr);
            if (m_bFollowAgain)
                ::SetTimer(m_hProgram.Get(), kRefreshTimer, kRefreshDelayMs, nullptr);
        }
        break;
    case StartMode::Load:
        m_bWindows = false;
        m_nExitCode = LoadCurrentCalibrations(line.quiet, m_settings.extendedTables);
        break;
    case StartMode::Usage:
        m_bWindows = false;
        m_nExitCode = line.exitCode;
        if (!line.quiet)
            ::MessageBoxA(nullptr, GetResourceString(IDS_USAGE), "Kestrava", MB_OK | MB_ICONINFORMATION);
        break;
    }
    return TRUE;
}

int ChooserApp::ExitInstance(int code)
{
    if (m_hForegroundHook)
        ::UnhookWinEvent(m_hForegroundHook);
    if (m_trayReports.windows)
        SetReportPresenter(std::exchange(m_trayReports.windows, nullptr));
    m_trayIcon.Remove();
    if (m_bSessionNotices)
        ::WTSUnRegisterSessionNotification(m_hProgram.Get());
    m_hProgram.Reset();
    return m_bWindows ? code : m_nExitCode;
}

bool ChooserApp::ClaimSingleCopy(const CommandLine& line)
{
    if (line.mode == StartMode::Load) {
        // A load beside a running copy would be undone or fought over by its keeping:
        // the running copy loads, and keeps what it loaded.
        Owner<HANDLE, HandleTraits> running(::OpenMutexA(SYNCHRONIZE, FALSE, kSingleCopyName));
        if (!running)
            return true;
        bool ours = false;
        HWND other = FindOtherCopy(nullptr, ours);
        DWORD_PTR result = 0;
        if (!other || !::SendMessageTimeoutA(other, kMsgLoad, line.quiet ? 1 : 0, 0, SMTO_NORMAL,
                                             kForwardedLoadMs, &result))
            return true;
        m_nExitCode = static_cast<int>(static_cast<int32_t>(result));
        return false;
    }

    m_hSingleCopy.Reset(::CreateMutexA(nullptr, TRUE, kSingleCopyName));
    if (!m_hSingleCopy || ::GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    bool ours = false;
    HWND other = FindOtherCopy(m_hSingleCopy.Get(), ours);
    if (!other) {
        // The other copy ended meanwhile, and this one goes on; or it never showed its
        // window, and the desktop is left to it.
        m_nExitCode = 0;
        return ours;
    }
    // Started by the user, this copy may hand the foreground on.
    DWORD process = 0;
    ::GetWindowThreadProcessId(other, &process);
    ::AllowSetForegroundWindow(process);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(other, line.mode == StartMode::Tray ? kMsgResident : kMsgActivate, 0, 0, SMTO_ABORTIFHUNG,
                          2000, &ignored);
    m_nExitCode = 0;
    return false;
}

bool ChooserApp::CreateProgramWindow()
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = ProgramWindowProc;
    type.hInstance = instance;
    type.lpszClassName = kProgramClass;
    ::RegisterClassExA(&type);
    // A top-level window, never shown: the system's broadcasts reach it, as a
    // message-only window they would not.
    m_hProgram.Reset(::CreateWindowExA(WS_EX_TOOLWINDOW, kProgramClass, "Kestrava", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, this));
    if (!m_hProgram)
        return false;
    m_bSessionNotices = ::WTSRegisterSessionNotification(m_hProgram.Get(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    m_nTaskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    return true;
}

LRESULT CALLBACK ChooserApp::ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* app = reinterpret_cast<ChooserApp*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (app && app->m_hProgram.Get() == window)
        return app->OnProgramMessage(message, wParam, lParam);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ChooserApp::OnProgramMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DISPLAYCHANGE:
    case WM_POWERBROADCAST:
    case kSessionChange:
        SystemNotice(message, wParam);
        return message == WM_POWERBROADCAST ? TRUE : 0;
    case kMsgNotice: {
        const WPARAM notices = m_nPendingNotices;
        m_nPendingNotices = 0;
        OnNotice(notices);
        return 0;
    }
    case kMsgActivate:
        BringWindowsToFront();
        return 1;
    case kMsgResident:
        BecomeResident(false);
        return 1;
    case kMsgTray:
        OnTrayEvent(LOWORD(lParam));
        return 0;
    case WM_COMMAND:
        OnTrayCommand(LOWORD(wParam));
        return 0;
    case kMsgLoad:
        return static_cast<LRESULT>(LoadForOtherCopy(wParam != 0));
    case WM_TIMER:
        switch (wParam) {
        case kPollTimer:
            if (!m_bFollowing && !SameLayout(TakeDesktopLayout(), m_layout))
                FollowDesktop();
            break;
        case kKeepTimer:
            CheckKeepers();
            break;
        case kRefreshTimer:
            ::KillTimer(m_hProgram.Get(), kRefreshTimer);
            FollowDesktop();
            break;
        default:
            break;
        }
        return 0;
    default:
        // The shell started again (Explorer restarted, or it came late): the icon with it.
        if (message == m_nTaskbarCreated && m_nTaskbarCreated != 0 && m_bResident) {
            m_trayIcon.Remove();
            BecomeResident(m_bQuiet);
        }
        return ::DefWindowProcA(m_hProgram.Get(), message, wParam, lParam);
    }
}

void ChooserApp::SystemNotice(UINT message, WPARAM wParam)
{
    WPARAM notice = 0;
    if (message == WM_DISPLAYCHANGE)
        notice = kNoticeDisplay;
    else if (message == WM_POWERBROADCAST && (wParam == kResumeAutomatic || wParam == kResumeSuspend))
        notice = kNoticeResume;
    else if (message == kSessionChange &&
             (wParam == kConsoleConnect || wParam == kRemoteConnect || wParam == kSessionUnlock))
        notice = kNoticeResume;
    if (!notice || !m_hProgram)
        return;
    // Answered at once; what it asks for runs once the sender has its answer, so no
    // report ever opens inside another program's call.
    const bool posted = m_nPendingNotices != 0;
    m_nPendingNotices |= notice;
    if (!posted)
        ::PostMessageA(m_hProgram.Get(), kMsgNotice, 0, 0);
}

void ChooserApp::OnNotice(WPARAM notices)
{
    m_keepers.Resume();
    CheckKeepers();
    if (notices & kNoticeDisplay)
        ::SetTimer(m_hProgram.Get(), kRefreshTimer, kRefreshDelayMs, nullptr);
}

void ChooserApp::RefreshMonitors() { FollowDesktop(); }

void ChooserApp::FollowDesktop()
{
    if (m_bFollowing) {
        m_bFollowAgain = true;
        return;
    }
    m_bFollowing = true;
    do {
        m_bFollowAgain = false;
        m_layout = TakeDesktopLayout();
        DesktopSnapshot now = TakeDesktopSnapshot();
        // A mode switch, or the only monitor powered off: the windows stay, and the
        // program waits for the monitors to come back.
        if (now.empty()) {
            m_bDesktopWasEmpty = true;
            continue;
        }
        const DesktopSnapshot before = std::move(m_desktop);
        const DesktopDifference difference = CompareDesktops(before, now);
        const bool wasEmpty = m_bDesktopWasEmpty;
        m_bDesktopWasEmpty = false;
        m_desktop = now;
        m_keepers.Follow(now);

        for (const auto& [was, is] : difference.kept) {
            if (MonitorProfileDialog* window = MonitorProfileDialog::Find(now[is].identity))
                window->MonitorMoved(now[is].handle);
            // Back from a desktop without monitors: as good as a monitor that came.
            if (wasEmpty && m_settings.keepLoaded && m_keepers.StateOf(now[is].handle) != KeepState::Keeping)
                LoadReturning(now[is].handle);
        }
        // The windows of monitors that came open before those of monitors that went
        // close, so that the program never finds itself without a window on the way.
        for (size_t is : difference.added) {
            const DesktopMonitor& monitor = now[is];
            if (!MonitorProfileDialog::Find(monitor.identity)) {
                auto* dialog = new MonitorProfileDialog(nullptr, monitor.handle);
                // Closed while it was built: the program is ending.
                if (!dialog->OwnSelf())
                    break;
            }
            if (m_settings.keepLoaded)
                LoadReturning(monitor.handle);
        }
        for (size_t was : difference.gone)
            if (MonitorProfileDialog* window = MonitorProfileDialog::Find(before[was].identity))
                window->MonitorGone();
    } while (m_bFollowAgain);
    m_bFollowing = false;
    UpdateTrayTip();
}

void ChooserApp::LoadReturning(MonitorHandle monitor)
{
    std::string path;
    LoadedRamp loaded;
    bool didLoad = false;
    LoadCurrentCalibration(monitor, m_settings.extendedTables, path, loaded, didLoad);
    if (didLoad)
        m_keepers.Loaded(monitor, path, loaded);
}

void ChooserApp::CheckKeepers()
{
    if (m_bChecking) {
        m_bCheckAgain = true;
        return;
    }
    m_bChecking = true;
    std::vector<MonitorHandle> backedOff;
    m_pausedFor = PausingProgram();
    do {
        m_bCheckAgain = false;
        if (m_settings.keepLoaded && m_pausedFor.empty())
            for (MonitorHandle monitor : m_keepers.Check(::GetTickCount64()))
                backedOff.push_back(monitor);
    } while (m_bCheckAgain);
    m_bChecking = false;
    UpdateTrayTip();

    for (MonitorHandle monitor : backedOff) {
        const Keeper* keeper = m_keepers.Find(monitor);
        if (!keeper)
            continue;
        const MonitorIdentity identity = keeper->monitor.identity;
        const std::string text = BackedOffText(keeper->monitor.description);
        if (MonitorProfileDialog* window = MonitorProfileDialog::Find(identity))
            window->ShowMessage(text, MB_ICONWARNING);
    }
}

void ChooserApp::BringWindowsToFront()
{
    if (MonitorProfileDialog::Windows().empty())
        OpenWindows();
    const std::vector<MonitorProfileDialog*> windows = MonitorProfileDialog::Windows();
    for (MonitorProfileDialog* window : windows) {
        if (::IsIconic(window->Handle()))
            ::ShowWindow(window->Handle(), SW_RESTORE);
        ::SetWindowPos(window->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    if (HWND main = MainWindow())
        ::SetForegroundWindow(::GetLastActivePopup(main));
}

int ChooserApp::LoadForOtherCopy(bool quiet)
{
    return LoadCurrentCalibrations(quiet, m_settings.extendedTables, &m_keepers);
}

void ChooserApp::CalibrationLoaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp)
{
    m_keepers.Loaded(monitor, path, ramp);
    UpdateTrayTip();
}

void ChooserApp::CalibrationFailed(MonitorHandle monitor)
{
    m_keepers.Forget(monitor);
    UpdateTrayTip();
}

void ChooserApp::RampReset(MonitorHandle monitor, const LoadedRamp& ramp)
{
    m_keepers.Reset(monitor, ramp);
    UpdateTrayTip();
}

KeepState ChooserApp::KeepStateOf(MonitorHandle monitor) const { return m_keepers.StateOf(monitor); }

bool ChooserApp::IsAdvancedColor(MonitorHandle monitor) const
{
    const Keeper* keeper = m_keepers.Find(monitor);
    return keeper && keeper->monitor.advancedColor;
}

int32_t ChooserApp::ToggleSetting(CalibrationAction action)
{
    const bool extended = m_settings.extendedTables;
    settings::Store store;
    const int32_t result = ToggleStoredSetting(m_settings, action, store);
    // A table only the setting allowed is not kept without it.
    if (extended && !m_settings.extendedTables)
        m_keepers.ForgetExtended();
    for (MonitorProfileDialog* window : MonitorProfileDialog::Windows())
        window->SettingsChanged();
    UpdateTrayTip();
    return result;
}

bool ChooserApp::OnCommand(UINT id)
{
    if (id == fw::kIdAppExit && m_bResident) {
        Exit();
        return true;
    }
    return fw::App::OnCommand(id);
}

void ChooserApp::OpenWindows()
{
    if (m_bFollowing)
        return;
    m_bFollowing = true;
    for (const DesktopMonitor& monitor : DesktopSnapshot(m_desktop)) {
        if (MonitorProfileDialog::Find(monitor.identity))
            continue;
        auto* dialog = new MonitorProfileDialog(nullptr, monitor.handle);
        if (!dialog->OwnSelf())
            break;
    }
    m_bFollowing = false;
}

void ChooserApp::OnHelp() { ShowInfoPage(); }

void ChooserApp::SetResourceModule(HINSTANCE module)
{
    fw::App::SetResourceModule(module);
    m_platform.SetResourceModule(module);
}

int ChooserApp::EnumerateMonitors()
{
    if (Sys().EnumDisplayMonitors(nullptr, nullptr, MonitorEnumProc, 0))
        return 0;
    return static_cast<int>(Sys().GetLastError());
}

Bool32 ChooserApp::MonitorEnumProc(MonitorHandle monitor, DcHandle, Rect32*, intptr_t)
{
    if (GetMonitorStrings(monitor, nullptr, nullptr, nullptr, nullptr, 1) != 0)
        return TRUE;
    // A window that could not be made (a resource library without its template, say)
    // is skipped. One the user closed while it was being built, a report of its own
    // open, has ended the program: no more windows are opened then.
    auto* dialog = new MonitorProfileDialog(nullptr, monitor);
    return dialog->OwnSelf() ? TRUE : FALSE;
}
