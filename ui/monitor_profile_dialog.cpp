// Win32 only: the window of one monitor.
#include "ui/monitor_profile_dialog.h"

#include "cms/CMSSupport.h"
#include "cms/CMSSupportEx.h"
#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "cms/monitor_strings.h"
#include "fw/app.h"
#include "fw/gdi.h"
#include "report/mbstring.h"
#include "report/report.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"
#include "ui/about_dialog.h"
#include "ui/settings.h"
#include "ui/window_math.h"

#include <wtsapi32.h>

#include <algorithm>
#include <string>

namespace {

// What the messages call a monitor whose description cannot be found.
constexpr const char* kUnknownMonitor = "*unknown*";

// How often a kept calibration is read back: often enough to mend a reset ramp within
// five seconds, seldom enough to cost an idle program next to nothing.
constexpr UINT kKeepTimer = 1;
constexpr UINT kKeepPeriodMs = 2500;
// The system's resume notices, and the session notices that follow an unlock or a
// reconnect: each may come with a ramp the system put back.
constexpr WPARAM kResumeAutomatic = 0x12;   // PBT_APMRESUMEAUTOMATIC
constexpr WPARAM kResumeSuspend = 0x07;     // PBT_APMRESUMESUSPEND
constexpr UINT kSessionChange = 0x02B1;     // WM_WTSSESSION_CHANGE
constexpr WPARAM kConsoleConnect = 0x1;     // WTS_CONSOLE_CONNECT
constexpr WPARAM kSessionUnlock = 0x8;      // WTS_SESSION_UNLOCK
constexpr size_t kMessageSize = 1024;

// "Keep calibration loaded", shared by every window and read from the settings once.
bool& KeepLoaded()
{
    static bool keep = settings::KeepLoaded();
    return keep;
}

// The file name of a profile path, without folder and extension.
std::string FileNameOf(const std::string& path)
{
    std::string name;
    SplitPath(path.c_str(), &name, nullptr);
    return name;
}

Rect32 ToRect32(const RECT& r) { return Rect32{r.left, r.top, r.right, r.bottom}; }

RECT ToRect(const Rect32& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void CenterOnMonitor(HWND window, MonitorHandle monitor, int mode)
{
    RECT windowRect{};
    ::GetWindowRect(window, &windowRect);
    // A failed read leaves the zeroed rectangle, and the window goes to (0, 0).
    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    Sys().GetMonitorInfoA(monitor, &info);
    const Rect32 area = info.rcMonitor;

    constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOACTIVATE;
    if (mode == 1) {
        const Point32 origin = CenteredOrigin(ToRect32(windowRect), area);
        ::SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, kKeepOrder | SWP_NOSIZE);
    } else if (mode == 4) {
        ::SetWindowPos(window, nullptr, area.left, area.top, Width(area), Height(area), kKeepOrder);
    }
}

std::vector<MonitorProfileDialog*> MonitorProfileDialog::s_windows;

MonitorProfileDialog::MonitorProfileDialog(HWND /*parent*/, MonitorHandle monitor)
    : fw::Dialog(IDD_MONITOR_PROFILE), m_hMonitor(monitor), m_keeper(monitor)
{
    s_windows.push_back(this);
    GetMonitorStrings(monitor, &m_adapterName, nullptr, nullptr, nullptr, 1);
    m_nView = 1;
    fw::App* app = fw::App::Current();
    HINSTANCE icons = app ? app->ResourceModuleFor(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN)) : nullptr;
    m_hIcon = static_cast<HICON>(::LoadImageA(icons, MAKEINTRESOURCEA(IDI_MAIN),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    // The building counts as a handler: a report raised while the list is filled lets
    // the user close the window, and the object must outlive this constructor.
    EnterHandler();
    if (Create(nullptr) && app && !IsDestroyed())
        app->SetMainWindow(m_hWnd);
}

MonitorProfileDialog::~MonitorProfileDialog()
{
    s_windows.erase(std::remove(s_windows.begin(), s_windows.end(), this), s_windows.end());
}

bool MonitorProfileDialog::OwnSelf()
{
    if (!m_hWnd && !IsDestroyed()) {
        delete this;
        return true;
    }
    const bool closed = IsDestroyed();
    LeaveHandler();
    return !closed;
}

void MonitorProfileDialog::DoDataExchange(bool save) { DDX_Radio(save, IDC_VIEW_ALL, m_nView); }

void MonitorProfileDialog::PostNcDestroy()
{
    // A window whose monitor went away is no request to end, unless it was the last.
    const bool end = !m_bMonitorGone || s_windows.size() == 1;
    delete this;
    if (end) {
        ::PostQuitMessage(0);
        return;
    }
    // Quit closes the main window; had it gone with its monitor, Quit would close
    // nothing. The window made last takes its place, as it would have at start-up.
    fw::App* app = fw::App::Current();
    if (app && !app->MainWindow() && !s_windows.empty())
        app->SetMainWindow(s_windows.back()->m_hWnd);
}

BOOL MonitorProfileDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_ProfileList.SubclassDlgItem(IDC_PROFILE_LIST, m_hWnd);

    ::GetClientRect(m_hWnd, &m_rcClient);
    GetSizeGripRect(m_rcGrip);
    {
        // The controls as made, each with the way OnSize moves it.
        RECT window{};
        ::GetWindowRect(m_hWnd, &window);
        std::vector<PlacedControl> controls;
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            controls.push_back(PlacedControl{ToRect32(fw::ChildRect(m_hWnd, child)),
                                             AnchorOf(static_cast<int16_t>(::GetDlgCtrlID(child)))});
        const auto rowHeight = static_cast<int32_t>(::SendMessageA(m_ProfileList.Handle(), LB_GETITEMHEIGHT, 0, 0));
        const Point32 minimum = MinimumWindowSize(ToRect32(window), ToRect32(m_rcClient), controls, rowHeight, 4);
        m_ptMinTrack = POINT{minimum.x, minimum.y};
    }

    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    CenterOnMonitor(m_hWnd, m_hMonitor, 1);

    std::string description;
    GetMonitorStrings(m_hMonitor, nullptr, nullptr, &description, nullptr, 1);
    // With nothing found the template's caption stays, rather than an empty title.
    if (!description.empty())
        ::SetWindowTextA(m_hWnd, description.c_str());

    AddCalibrationCommands();
    m_nKeepTimer = ::SetTimer(m_hWnd, kKeepTimer, kKeepPeriodMs, nullptr);
    m_bSessionNotices = ::WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION) != FALSE;

    FillProfileList();
    return TRUE;
}

INT_PTR MonitorProfileDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_HELP:
        OnHelp();
        return TRUE;
    case WM_SYSCOMMAND:
        if (!OnCalibrationCommand(static_cast<UINT>(wParam & 0xFFF0)))
            return FALSE;
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            UpdateCalibrationCommands();
        return FALSE;
    case WM_TIMER:
        if (wParam == kKeepTimer)
            KeepCalibration();
        return TRUE;
    case WM_DISPLAYCHANGE:
        KeepCalibration();
        if (fw::App* app = fw::App::Current())
            app->OnDisplayChange();
        return FALSE;
    case WM_POWERBROADCAST:
        if (wParam == kResumeAutomatic || wParam == kResumeSuspend)
            KeepCalibration();
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case kSessionChange:
        if (wParam == kConsoleConnect || wParam == kSessionUnlock)
            KeepCalibration();
        return TRUE;
    case WM_DESTROY:
        if (m_nKeepTimer)
            ::KillTimer(m_hWnd, m_nKeepTimer);
        if (m_bSessionNotices)
            ::WTSUnRegisterSessionNotification(m_hWnd);
        return FALSE;
    case WM_NCHITTEST: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, OnNcHitTest(point));
        return TRUE;
    }
    default:
        return fw::Dialog::HandleMessage(message, wParam, lParam);
    }
}

bool MonitorProfileDialog::OnCommand(UINT id, UINT code, HWND)
{
    switch (id) {
    case IDC_PROFILE_LIST:
        if (code == LBN_SELCHANGE)
            OnSelChangeProfile();
        return true;
    case IDC_VIEW_ALL:
    case IDC_VIEW_ASSOCIATED:
        if (code == BN_CLICKED)
            OnViewChanged();
        return true;
    case IDC_REFRESH:
        if (code == BN_CLICKED)
            OnRefresh();
        return true;
    case fw::kIdAppAbout:
        OnAppAbout();
        return true;
    default:
        return false;
    }
}

void MonitorProfileDialog::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (::IsIconic(m_hWnd)) {
        ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        const Point32 origin = IconOrigin(client.right - client.left, client.bottom - client.top,
                                          ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
        ::DrawIcon(dc, origin.x, origin.y, m_hIcon);
    } else {
        ::DrawFrameControl(dc, &m_rcGrip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
    ::EndPaint(m_hWnd, &paint);
}

HICON MonitorProfileDialog::OnQueryDragIcon() { return m_hIcon; }

void MonitorProfileDialog::OnClose() { ::DestroyWindow(m_hWnd); }

void MonitorProfileDialog::OnSize(UINT type, int cx, int cy)
{
    if (type == SIZE_MINIMIZED)
        return;
    const int dx = cx - (m_rcClient.right - m_rcClient.left);
    const int dy = cy - (m_rcClient.bottom - m_rcClient.top);
    ::GetClientRect(m_hWnd, &m_rcClient);

    const RECT oldGrip = m_rcGrip;
    GetSizeGripRect(m_rcGrip);
    RECT grips{};
    ::UnionRect(&grips, &oldGrip, &m_rcGrip);
    ::InvalidateRect(m_hWnd, &grips, TRUE);

    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const Anchor anchor = AnchorOf(static_cast<int16_t>(::GetDlgCtrlID(child)));
        if (anchor == Anchor::Stay)
            continue;
        if (anchor != Anchor::Stretch)
            ::InvalidateRect(child, nullptr, TRUE);
        const RECT moved = ToRect(FollowResize(ToRect32(fw::ChildRect(m_hWnd, child)), anchor, dx, dy));
        ::MoveWindow(child, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
    }
}

void MonitorProfileDialog::OnGetMinMaxInfo(MINMAXINFO& info) const
{
    if (m_ptMinTrack.x > 0 && m_ptMinTrack.y > 0)
        info.ptMinTrackSize = m_ptMinTrack;
}

std::string MonitorProfileDialog::MonitorDescription() const
{
    std::string description;
    GetMonitorStrings(m_hMonitor, nullptr, nullptr, &description, nullptr, 1);
    return description.empty() ? kUnknownMonitor : description;
}

void MonitorProfileDialog::OnSelChangeProfile()
{
    const int selection = m_ProfileList.GetCurSel();
    if (selection == m_nLastSel)
        return;
    m_nLastSel = selection;
    // A list that lost its selection names no profile to apply.
    if (selection < 0)
        return;

    const std::string path = m_ProfileList.GetFullPath(selection);
    int32_t messageId = 0;
    const int32_t result = SetDefaultProfile(m_hMonitor, path.c_str(), 1, messageId);
    if (result == 0)
        RampWritten(path);
    else
        m_keeper.Forget();
    // A failure before the calibration step has been reported where it happened and
    // leaves no message id: one report is enough.
    if (result == 0 || messageId == 0)
        return;

    ReportCalibrationFailure(m_hMonitor, path.c_str(), messageId, result);
}

void MonitorProfileDialog::OnRefresh()
{
    FillProfileList();
    ::InvalidateRect(m_ProfileList.Handle(), nullptr, TRUE);
}

void MonitorProfileDialog::OnViewChanged()
{
    UpdateData(true);
    FillProfileList();
    ::InvalidateRect(m_ProfileList.Handle(), nullptr, TRUE);
}

LRESULT MonitorProfileDialog::OnNcHitTest(POINT screenPoint)
{
    POINT client = screenPoint;
    ::ScreenToClient(m_hWnd, &client);
    if (IsInGrip(ToRect32(m_rcGrip), Point32{client.x, client.y}))
        return HTBOTTOMRIGHT;
    return ::DefWindowProcA(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
}

void MonitorProfileDialog::OnAppAbout()
{
    AboutDialog about;
    about.DoModal(m_hWnd);
}

void MonitorProfileDialog::OnHelp()
{
    if (fw::App* app = fw::App::Current())
        app->OnCommand(fw::kIdHelp);
}

int MonitorProfileDialog::FillProfileList()
{
    std::string current;
    GetProfileNameUsingDeviceID(m_hMonitor, nullptr, &current, nullptr);

    // Thousands of profiles take seconds to open and mark.
    fw::WaitCursor wait;
    // A visible sorted list repaints on every insertion; fill it unseen and show it once.
    HWND list = m_ProfileList.Handle();
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    if (m_nView == 0)
        AddAllProfilesToList(nullptr, m_ProfileList.Profiles());
    else
        AddProfilesToList(m_hMonitor, m_ProfileList.Profiles(), kListByDeviceId);
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);

    // The whole name, not its first letters: "sRGB" must not select "sRGB-2" when the
    // current profile itself is not listed.
    const LRESULT row = ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(current.c_str()));
    ::SendMessageA(list, LB_SETCURSEL, row == LB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(row), 0);
    m_nLastSel = m_ProfileList.GetCurSel();
    return m_nLastSel;
}

void MonitorProfileDialog::GetSizeGripRect(RECT& rc)
{
    ::GetClientRect(m_hWnd, &rc);
    rc = ToRect(SizeGripRect(ToRect32(rc), ::GetSystemMetrics(SM_CXHSCROLL), ::GetSystemMetrics(SM_CYVSCROLL)));
}

void MonitorProfileDialog::AddCalibrationCommands()
{
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!menu)
        return;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (const auto& [command, text] : {std::pair<UINT, uint32_t>{kCmdReloadCalibration, IDS_CMD_RELOAD},
                                        {kCmdVerifyCalibration, IDS_CMD_VERIFY},
                                        {kCmdResetToLinear, IDS_CMD_RESET},
                                        {kCmdKeepLoaded, IDS_CMD_KEEP_LOADED},
                                        {kCmdLoadAtLogon, IDS_CMD_LOAD_AT_LOGON},
                                        {kCmdExtendedTables, IDS_CMD_EXTENDED_TABLES}})
        ::AppendMenuA(menu, MF_STRING, command, GetResourceString(text));
    UpdateCalibrationCommands();
}

void MonitorProfileDialog::UpdateCalibrationCommands()
{
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!menu)
        return;
    // The check marks say what is so now, whichever window changed it.
    ::CheckMenuItem(menu, kCmdKeepLoaded, MF_BYCOMMAND | (KeepLoaded() ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(menu, kCmdLoadAtLogon, MF_BYCOMMAND | (settings::LoadsAtLogon() ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(menu, kCmdExtendedTables, MF_BYCOMMAND | (ExtendedTables() ? MF_CHECKED : MF_UNCHECKED));
    const UINT selected = m_ProfileList.GetCurSel() >= 0 ? MF_ENABLED : MF_GRAYED;
    ::EnableMenuItem(menu, kCmdReloadCalibration, MF_BYCOMMAND | selected);
    ::EnableMenuItem(menu, kCmdVerifyCalibration, MF_BYCOMMAND | selected);
}

bool MonitorProfileDialog::OnCalibrationCommand(UINT command)
{
    switch (command) {
    case kCmdReloadCalibration:
        OnReloadCalibration();
        return true;
    case kCmdVerifyCalibration:
        OnVerifyCalibration();
        return true;
    case kCmdResetToLinear:
        OnResetToLinear();
        return true;
    case kCmdKeepLoaded:
        KeepLoaded() = !KeepLoaded();
        settings::SetKeepLoaded(KeepLoaded());
        UpdateCalibrationCommands();
        return true;
    case kCmdLoadAtLogon:
        settings::SetLoadAtLogon(!settings::LoadsAtLogon());
        UpdateCalibrationCommands();
        return true;
    case kCmdExtendedTables:
        // What a row will do changes with it, in every window.
        SetExtendedTables(!ExtendedTables());
        settings::SetExtendedTables(ExtendedTables());
        for (MonitorProfileDialog* window : s_windows)
            window->m_ProfileList.ForgetVerdicts();
        UpdateCalibrationCommands();
        return true;
    default:
        return false;
    }
}

void MonitorProfileDialog::OnReloadCalibration()
{
    const int selection = m_ProfileList.GetCurSel();
    if (selection < 0)
        return;
    const std::string path = m_ProfileList.GetFullPath(selection);
    int32_t messageId = 0;
    const int32_t result = LoadCalibration(m_hMonitor, path.c_str(), messageId);
    if (result == 0) {
        RampWritten(path);
        return;
    }
    m_keeper.Forget();
    ReportCalibrationFailure(m_hMonitor, path.c_str(), messageId, result);
}

void MonitorProfileDialog::OnVerifyCalibration()
{
    const int selection = m_ProfileList.GetCurSel();
    if (selection < 0)
        return;
    const std::string path = m_ProfileList.GetFullPath(selection);
    const std::string name = MbsTruncate(FileNameOf(path), 255);
    const std::string monitor = MbsTruncate(MonitorDescription(), 255);

    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str());
    if (diagnosis.verdict != CalibrationVerdict::Loads) {
        const char* format = GetResourceString(IDS_VERIFY_NOTHING);
        ShowMessage(FormatMatches(format, "s") ? FormatBounded(kMessageSize, format, name.c_str())
                                               : std::string(format) + " (" + name + ")",
                    MB_ICONINFORMATION);
        return;
    }
    HardwareRamp actual{};
    if (const int32_t result = ReadMonitorRamp(m_hMonitor, actual)) {
        const char* format = GetResourceString(IDS_VERIFY_UNREADABLE);
        ShowMessage(FormatMatches(format, "s d")
                        ? FormatBounded(kMessageSize, format, monitor.c_str(), static_cast<int>(result))
                        : std::string(format) + " (" + monitor + ", " + std::to_string(result) + ")",
                    MB_ICONWARNING);
        return;
    }
    const RampDifference difference = CompareRamp(actual, diagnosis.hardware);
    if (difference.entries == 0) {
        const char* format = GetResourceString(IDS_VERIFY_LOADED);
        ShowMessage(FormatMatches(format, "s s") ? FormatBounded(kMessageSize, format, name.c_str(), monitor.c_str())
                                                 : std::string(format) + " (" + name + ", " + monitor + ")",
                    MB_ICONINFORMATION);
        return;
    }
    const char* format = GetResourceString(IDS_VERIFY_NOT_LOADED);
    ShowMessage(FormatMatches(format, "s s d d")
                    ? FormatBounded(kMessageSize, format, name.c_str(), monitor.c_str(),
                                    static_cast<int>(difference.entries), static_cast<int>(difference.largest))
                    : std::string(format) + " (" + name + ", " + monitor + ", " + std::to_string(difference.entries) +
                          ", " + std::to_string(difference.largest) + ")",
                MB_ICONWARNING);
}

void MonitorProfileDialog::OnResetToLinear()
{
    // Put back on purpose: nothing of this window's is kept over it, and the other
    // windows learn that their ramp may be gone too.
    m_keeper.Forget();
    SetDevGammaTable(m_hMonitor, IdentityRamp());
    OthersWroteRamp();
}

void MonitorProfileDialog::KeepCalibration()
{
    if (KeepLoaded() && m_keeper.IsKeeping())
        m_keeper.Keep();
}

void MonitorProfileDialog::RampWritten(const std::string& path)
{
    m_keeper.Wrote(DiagnoseProfile(path.c_str()).hardware, path);
    OthersWroteRamp();
}

void MonitorProfileDialog::OthersWroteRamp()
{
    for (MonitorProfileDialog* window : s_windows)
        if (window != this)
            window->m_keeper.OtherWrote();
}

void MonitorProfileDialog::ShowMessage(const std::string& text, UINT type) const
{
    char caption[256] = {};
    ::GetWindowTextA(m_hWnd, caption, static_cast<int>(sizeof caption));
    ::MessageBoxA(m_hWnd, text.c_str(), caption, MB_OK | type);
}

void MonitorProfileDialog::MonitorMoved(MonitorHandle monitor)
{
    m_hMonitor = monitor;
    m_keeper.SetMonitor(monitor);
    std::string description;
    GetMonitorStrings(monitor, nullptr, nullptr, &description, nullptr, 1);
    if (!description.empty())
        ::SetWindowTextA(m_hWnd, description.c_str());
    // Still on its monitor: a window the change left elsewhere goes back to the middle.
    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const POINT centre{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
    if (Sys().GetMonitorInfoA(monitor, &info)) {
        const RECT area{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
        if (!::PtInRect(&area, centre))
            CenterOnMonitor(m_hWnd, monitor, 1);
    }
    KeepCalibration();
}

void MonitorProfileDialog::MonitorGone()
{
    m_bMonitorGone = true;
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}
