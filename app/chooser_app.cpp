// Win32 only. The application: start-up, the program window, and what the core asks of
// the system.
#include "app/chooser_app.h"

#include "app/resource_library.h"
#include "cms/current_calibration.h"
#include "cms/monitor_strings.h"
#include "fw/dialog.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "ui/info_page_dialog.h"
#include "ui/monitor_profile_dialog.h"

#include <commctrl.h>
#include <windowsx.h>
#include <wtsapi32.h>

#include <string>
#include <vector>

namespace {

// How often the desktop's monitors are looked at: Wine changes them when an X output
// comes or goes without telling any window, and a driver may do the same.
constexpr UINT kMonitorPollMs = 2000;
// Windows tells of a display change more than once while the desktop settles: the
// monitors are looked at once, a moment after the last notice.
constexpr UINT kRefreshDelayMs = 300;
// The icon is tried again this often while the shell takes none (it may be up and
// still time out at logon, and never say TaskbarCreated).
constexpr UINT kIconRetryMs = 5000;

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kKeepTimer = 2;
constexpr UINT_PTR kRefreshTimer = 3;
constexpr UINT_PTR kIconTimer = 4;

// The program window's own messages. A second copy sends the last three.
constexpr UINT kMsgNotice = WM_APP + 1;     // the notices since the last one was handled
constexpr UINT kMsgActivate = WM_APP + 2;   // bring the windows to the front; 1 when done
constexpr UINT kMsgLoad = WM_APP + 3;       // wParam: quiet; the result is the load's
constexpr UINT kMsgResident = WM_APP + 4;   // stay in the notification area (/tray beside it); 1 when done
constexpr UINT kMsgState = KESTRAVA_MSG_STATE;   // what this copy is doing (the installer asks)
static_assert(kMsgState == WM_APP + 6, "the program window's messages are WM_APP + 1 to 6");

// One copy per session: the first window copy owns the name, and its program window is
// how a later start finds it.
constexpr const char* kSingleCopyName = "Local\\Kestrava.Program";
constexpr const char* kProgramClass = KESTRAVA_PROGRAM_CLASS;
// A second copy looks for the first's window this long; a copy that holds the name
// without one, or that does not answer, is waited for this long more, and then this
// copy goes on by itself.
constexpr DWORD kFindOtherCopyMs = 1500;
constexpr DWORD kOtherCopyEndsMs = 3000;
// A request is answered within this, unless the other copy hangs.
constexpr UINT kRequestMs = 2000;
constexpr UINT kForwardedLoadMs = 5000;

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

ChooserApp::ChooserApp(Win32Platform& platform) : m_platform(platform) {}

ChooserApp::~ChooserApp() = default;

BOOL ChooserApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetHelpCommand(ShowInfoPage);

    const CommandLine line =
        ParseCommandLine(SkipProgramName(reinterpret_cast<const char16_t*>(::GetCommandLineW())));
    if (line.mode != StartMode::Usage && !ClaimSingleCopy(line)) {
        m_bWindows = false;
        return TRUE;
    }

    // Res.dll beside the program, else the one of the user's display language in its
    // language folder. Loaded as resources only: no code in a library of that name ever
    // runs. Whatever it holds is taken, and whatever it lacks (a window, the menu, a
    // string) still comes from the program, resource by resource; so even a library
    // with none of ours is harmless, and it is simply never asked.
    if (HMODULE resources = LoadProgramResourceLibrary())
        SetResourceModule(resources);

    // Selections, keeping, Verify, the tooltips and /load all go by it.
    const Settings settings = settings::Load();

    switch (line.mode) {
    case StartMode::Tray:
    case StartMode::Windows: {
        CreateProgramWindow();
        m_core = std::make_unique<ProgramCore>(*this, settings);
        const std::vector<std::u16string> pauseFor = m_pauseForWatch.Read();
        m_core->SetPauseFor(pauseFor);
        if (line.mode == StartMode::Windows)
            m_core->StartWindows();
        else
            m_core->StartResident(line.quiet);
        // The program that goes to the front is looked at at once, only where some are
        // listed (the list is read again when it changes: the hook comes then).
        if (!pauseFor.empty())
            m_hForegroundHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                  OnForegroundChange, 0, 0, WINEVENT_OUTOFCONTEXT);
        if (m_hProgram) {
            // Asked for once the windows are up (its library is loaded then), before the
            // message loop takes the first notice.
            m_bSessionNotices =
                ::WTSRegisterSessionNotification(m_hProgram.Get(), NOTIFY_FOR_THIS_SESSION) != FALSE;
            ::SetTimer(m_hProgram.Get(), kPollTimer, kMonitorPollMs, nullptr);
            ::SetTimer(m_hProgram.Get(), kKeepTimer, static_cast<UINT>(ProgramCore::kKeepPeriodMs), nullptr);
        }
        break;
    }
    case StartMode::Load:
        m_bWindows = false;
        m_nExitCode = LoadCurrentCalibrations(line.quiet, settings.extendedTables);
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
    // The core puts the windows' report presenter back.
    m_core.reset();
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
        // the running copy loads, and keeps what it loaded. One that hangs, or takes
        // too long, is left alone, and this copy loads.
        Owner<HANDLE, HandleTraits> running(::OpenMutexA(SYNCHRONIZE, FALSE, kSingleCopyName));
        if (!running)
            return true;
        bool ours = false;
        HWND other = FindOtherCopy(nullptr, ours);
        DWORD_PTR result = 0;
        if (!other || !::SendMessageTimeoutA(other, kMsgLoad, line.quiet ? 1 : 0, 0, SMTO_ABORTIFHUNG,
                                             kForwardedLoadMs, &result))
            return true;
        m_nExitCode = static_cast<int>(static_cast<int32_t>(result));
        return false;
    }

    m_hSingleCopy.Reset(::CreateMutexA(nullptr, TRUE, kSingleCopyName));
    if (!m_hSingleCopy || ::GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    bool ours = false;
    if (HWND other = FindOtherCopy(m_hSingleCopy.Get(), ours)) {
        // Started by the user, this copy may hand the foreground on.
        DWORD process = 0;
        ::GetWindowThreadProcessId(other, &process);
        ::AllowSetForegroundWindow(process);
        DWORD_PTR done = 0;
        if (::SendMessageTimeoutA(other, line.mode == StartMode::Tray ? kMsgResident : kMsgActivate, 0, 0,
                                  SMTO_ABORTIFHUNG, kRequestMs, &done) &&
            done == 1) {
            m_nExitCode = 0;
            return false;
        }
    }
    // The other copy is on its way out (it answers no more), hangs, or holds the name
    // without a window of its own: it is waited for a moment, and then this copy goes
    // on by itself rather than leave the desktop to nobody.
    if (!ours)
        ::WaitForSingleObject(m_hSingleCopy.Get(), kOtherCopyEndsMs);
    return true;
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
    if (app && app->m_hProgram.Get() == window && app->m_core)
        return app->OnProgramMessage(message, wParam, lParam);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ChooserApp::OnProgramMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // On its way out the program takes no more requests: a second start then waits for
    // it to end and goes on by itself.
    const bool ending = m_core->HasEnded();
    if (const std::optional<SystemNotice> notice = NoticeOf(message, wParam)) {
        if (!ending)
            m_core->Notice(*notice);
        return message == WM_POWERBROADCAST ? TRUE : 0;
    }
    switch (message) {
    case kMsgNotice:
        if (!ending)
            m_core->HandleNotices();
        return 0;
    case kMsgActivate:
        if (ending)
            return 0;
        m_core->OpenRequested();
        return 1;
    case kMsgResident:
        if (ending)
            return 0;
        m_core->BecomeResident(false);
        return 1;
    case kMsgState:
        if (ending)
            return 0;
        return (m_core->IsResident() ? KESTRAVA_STATE_RESIDENT : 0) | (m_core->IsQuiet() ? KESTRAVA_STATE_QUIET : 0) |
               (m_core->Windows().empty() ? 0 : KESTRAVA_STATE_WINDOWS);
    case kMsgTray:
        if (!ending)
            OnTrayEvent(LOWORD(lParam), POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
        return 0;
    case WM_COMMAND:
        if (!ending)
            OnTrayCommand(LOWORD(wParam));
        return 0;
    case kMsgLoad:
        return static_cast<LRESULT>(m_core->LoadRequested(wParam != 0));
    case WM_TIMER:
        if (!ending)
            OnTimer(wParam);
        return 0;
    default:
        // The shell started again (Explorer restarted, or it came late): the icon with it.
        if (message == m_nTaskbarCreated && m_nTaskbarCreated != 0 && !ending) {
            m_trayIcon.Remove();
            m_core->AddIconAgain();
        }
        return ::DefWindowProcA(m_hProgram.Get(), message, wParam, lParam);
    }
}

void ChooserApp::OnTimer(UINT_PTR timer)
{
    switch (timer) {
    case kPollTimer:
        m_core->Poll();
        break;
    case kKeepTimer:
        FollowPauseFor();
        m_core->CheckKeepers();
        break;
    case kRefreshTimer:
        ::KillTimer(m_hProgram.Get(), kRefreshTimer);
        m_core->FollowNow();
        break;
    case kIconTimer:
        m_core->AddIconAgain();
        if (m_trayIcon.IsShown() || !m_core->IsResident())
            ::KillTimer(m_hProgram.Get(), kIconTimer);
        break;
    default:
        break;
    }
}

void ChooserApp::FollowPauseFor()
{
    if (!m_pauseForWatch.Changed())
        return;
    const std::vector<std::u16string> pauseFor = m_pauseForWatch.Read();
    if (!pauseFor.empty() && !m_hForegroundHook)
        m_hForegroundHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                              OnForegroundChange, 0, 0, WINEVENT_OUTOFCONTEXT);
    m_core->SetPauseFor(pauseFor);
}

void CALLBACK ChooserApp::OnForegroundChange(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    auto* app = static_cast<ChooserApp*>(fw::App::Current());
    if (app && app->m_core && !app->m_core->HasEnded())
        app->m_core->ForegroundChanged();
}

// ---- What the core asks ----

bool ChooserApp::MakeWindow(const DesktopMonitor& monitor, MonitorWindowHost& host)
{
    auto* dialog = new MonitorProfileDialog(monitor, host);
    return dialog->OwnSelf();
}

void ChooserApp::HandOverMainWindow(MonitorView& window)
{
    if (!MainWindow())
        SetMainWindow(static_cast<MonitorProfileDialog&>(window).Handle());
}

void ChooserApp::ActivateWindows()
{
    if (HWND main = MainWindow())
        ::SetForegroundWindow(::GetLastActivePopup(main));
}

void ChooserApp::PostNotices()
{
    if (m_hProgram)
        ::PostMessageA(m_hProgram.Get(), kMsgNotice, 0, 0);
}

void ChooserApp::FollowSoon()
{
    if (!m_hProgram || !::SetTimer(m_hProgram.Get(), kRefreshTimer, kRefreshDelayMs, nullptr))
        m_core->FollowNow();
}

bool ChooserApp::AddIcon()
{
    if (!m_hProgram)
        return false;
    HINSTANCE icons = ResourceModuleFor(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN));
    const auto icon = static_cast<HICON>(::LoadImageA(icons, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (m_trayIcon.Add(m_hProgram.Get(), kMsgTray, icon))
        return true;
    // The shell took no icon: asked again on a timer, and when it says it is there.
    ::SetTimer(m_hProgram.Get(), kIconTimer, kIconRetryMs, nullptr);
    return false;
}

void ChooserApp::ShowTip(const std::u16string& tip, const std::u16string& whole)
{
    m_trayIcon.SetTip(std::wstring(tip.begin(), tip.end()));
    // The program's window carries the whole text, for whoever cannot see the icon: a
    // screen reader, a test, a shell without a notification area.
    const std::wstring text(whole.begin(), whole.end());
    ::SetWindowTextW(m_hProgram.Get(), text.c_str());
}

void ChooserApp::ShowProgramMessage(const std::string& text)
{
    // The program's window owns the box; its text is the tooltip, not a caption.
    ::MessageBoxA(m_hProgram.Get(), text.c_str(), "Kestrava", MB_OK | MB_ICONWARNING);
}

bool ChooserApp::OnCommand(UINT id)
{
    if (id == fw::kIdAppExit && m_core && m_core->IsResident()) {
        m_core->Exit();
        return true;
    }
    return fw::App::OnCommand(id);
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
    auto* app = static_cast<ChooserApp*>(fw::App::Current());
    return app && app->m_core && app->m_core->OpenWindow(monitor) ? TRUE : FALSE;
}
