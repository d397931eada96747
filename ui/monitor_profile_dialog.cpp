// Win32 only: the window of one monitor.
#include "ui/monitor_profile_dialog.h"

#include "cms/CMSSupport.h"
#include "cms/CMSSupportEx.h"
#include "cms/monitor_strings.h"
#include "fw/app.h"
#include "fw/gdi.h"
#include "fw/window.h"
#include "platform/win32/win32_platform.h"
#include "report/mbstring.h"
#include "report/report.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"
#include "ui/about_dialog.h"
#include "ui/window_math.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

constexpr UINT kSessionChange = 0x02B1;   // WM_WTSSESSION_CHANGE


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
        // Moved onto a monitor of another DPI, the window took that DPI's size on the
        // way (WM_DPICHANGED): it is centred again at that size.
        RECT moved{};
        ::GetWindowRect(window, &moved);
        if (Width(ToRect32(moved)) != Width(ToRect32(windowRect)) ||
            Height(ToRect32(moved)) != Height(ToRect32(windowRect))) {
            const Point32 again = CenteredOrigin(ToRect32(moved), area);
            ::SetWindowPos(window, nullptr, again.x, again.y, 0, 0, kKeepOrder | SWP_NOSIZE);
        }
    } else if (mode == 4) {
        ::SetWindowPos(window, nullptr, area.left, area.top, Width(area), Height(area), kKeepOrder);
    }
}

MonitorProfileDialog::MonitorProfileDialog(const DesktopMonitor& monitor, MonitorWindowHost& host)
    : fw::Dialog(IDD_MONITOR_PROFILE), m_hMonitor(monitor.handle), m_identity(monitor.identity), m_calibration(host)
{
    host.WindowOpened(*this);
    m_nView = 1;
    fw::App* app = fw::App::Current();
    // The building counts as a handler: a report raised while the list is filled lets
    // the user close the window, and the object must outlive this constructor.
    EnterHandler();
    if (Create(nullptr) && app && !IsDestroyed())
        app->SetMainWindow(m_hWnd);
}

MonitorProfileDialog::~MonitorProfileDialog() { m_calibration.Host().WindowGone(*this); }

bool MonitorProfileDialog::OwnSelf()
{
    if (!m_hWnd && !IsDestroyed()) {
        delete this;
        return true;
    }
    // A window that the program closed meanwhile ended nothing.
    const bool ended = IsDestroyed() && !m_bClosedByProgram;
    LeaveHandler();
    return !ended;
}

void MonitorProfileDialog::DoDataExchange(bool save) { DDX_Radio(save, IDC_VIEW_ALL, m_nView); }

void MonitorProfileDialog::PostNcDestroy()
{
    const bool byUser = !m_bClosedByProgram;
    MonitorWindowHost& host = m_calibration.Host();
    delete this;
    host.WindowClosed(byUser);
}

BOOL MonitorProfileDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    LoadIcons();
    // Bound before the layout is measured: the list makes its rows as tall as its font.
    m_ProfileList.SubclassDlgItem(IDC_PROFILE_LIST, m_hWnd);
    GetSizeGripRect(m_rcGrip);
    RememberLayout();

    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    CenterOnMonitor(m_hWnd, m_hMonitor, 1);

    std::string description;
    GetMonitorStrings(m_hMonitor, nullptr, nullptr, &description, nullptr, 1);
    // With nothing found the template's caption stays, rather than an empty title.
    if (!description.empty())
        ::SetWindowTextA(m_hWnd, description.c_str());

    m_calibration.AddCommands(m_hWnd);
    UpdateVerdictContext();

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
            m_calibration.UpdateCommands(m_hWnd, m_ProfileList.GetCurSel() >= 0);
        return FALSE;
    case WM_DISPLAYCHANGE:
    case WM_POWERBROADCAST:
    case kSessionChange:
        // The program acts on it once the sender has returned.
        if (const std::optional<SystemNotice> notice = NoticeOf(message, wParam))
            m_calibration.Host().Notice(*notice);
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        return message != WM_DISPLAYCHANGE;
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
    fw::PaintDc paint(m_hWnd);
    HDC dc = paint.Get();
    if (::IsIconic(m_hWnd)) {
        ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        const int width = fw::SystemMetricForDpi(SM_CXICON, Dpi());
        const int height = fw::SystemMetricForDpi(SM_CYICON, Dpi());
        const Point32 origin = IconOrigin(client.right - client.left, client.bottom - client.top, width, height);
        ::DrawIconEx(dc, origin.x, origin.y, m_bigIcon.Get(), width, height, 0, nullptr, DI_NORMAL);
    } else {
        ::DrawFrameControl(dc, &m_rcGrip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
}

HICON MonitorProfileDialog::OnQueryDragIcon() { return m_bigIcon.Get(); }

void MonitorProfileDialog::OnClose() { ::DestroyWindow(m_hWnd); }

void MonitorProfileDialog::OnSize(UINT type, int, int)
{
    if (type == SIZE_MINIMIZED)
        return;
    const RECT oldGrip = m_rcGrip;
    GetSizeGripRect(m_rcGrip);
    RECT grips{};
    ::UnionRect(&grips, &oldGrip, &m_rcGrip);
    ::InvalidateRect(m_hWnd, &grips, TRUE);
    LayOut();
}

void MonitorProfileDialog::RememberLayout()
{
    // The controls are where the template puts them, for its size, even when the
    // window could not be made that large (a small screen at a high DPI).
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const SIZE made = TemplateClientSize();
    m_rcMadeClient = made.cx > 0 && made.cy > 0 ? Rect32{0, 0, made.cx, made.cy} : ToRect32(client);
    m_madeUnits = BaseUnits();
    m_made.clear();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        m_made.push_back(MadeControl{child, PlacedControl{ToRect32(fw::ChildRect(m_hWnd, child)),
                                                          AnchorOf(static_cast<int16_t>(::GetDlgCtrlID(child)))}});
    LayOut();
    UpdateMinimum();
}

void MonitorProfileDialog::UpdateMinimum()
{
    RECT window{};
    RECT client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    HWND list = m_ProfileList.Handle();
    const auto rowHeight = static_cast<int32_t>(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    RECT listWindow{};
    RECT listClient{};
    ::GetWindowRect(list, &listWindow);
    ::GetClientRect(list, &listClient);
    const auto listFrame = static_cast<int32_t>((listWindow.bottom - listWindow.top) - listClient.bottom);
    const Point32 frame{(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
    std::vector<PlacedControl> made;
    for (const MadeControl& control : m_made)
        made.push_back(control.placed);
    const Point32 minimum = ScaledMinimumSize(made, m_rcMadeClient, LayoutScale(), frame, rowHeight, 4, listFrame);
    m_ptMinTrack = POINT{minimum.x, minimum.y};
}

Scale MonitorProfileDialog::LayoutScale() const
{
    const SIZE units = BaseUnits();
    return Scale{m_madeUnits.cx, units.cx, m_madeUnits.cy, units.cy};
}

void MonitorProfileDialog::LayOut()
{
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const Scale scale = LayoutScale();
    for (const MadeControl& made : m_made) {
        const RECT now = fw::ChildRect(m_hWnd, made.window);
        const RECT rect = ToRect(LayOutControl(made.placed, m_rcMadeClient, scale, ToRect32(client)));
        if (::EqualRect(&now, &rect))
            continue;
        // The list repaints its rows itself; the others would leave their old place
        // behind.
        if (made.placed.anchor != Anchor::Stretch)
            ::InvalidateRect(made.window, nullptr, TRUE);
        ::MoveWindow(made.window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
}

void MonitorProfileDialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    // Meanwhile no smallest size: the old one is for the old DPI.
    m_ptMinTrack = POINT{};
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        fw::Dialog::OnDpiChanged(oldUnits, suggested);
    // Opening at another DPI than the dialog manager made it for, the window is not
    // made up yet: the base has laid it out as the template would be.
    if (m_made.empty())
        return;
    LoadIcons();
    UpdateMinimum();
    // Suggested smaller than that (by a system that scales the window by the DPIs
    // alone, while the font grew less), it grows to it.
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    if (window.right - window.left < m_ptMinTrack.x || window.bottom - window.top < m_ptMinTrack.y)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, std::max(window.right - window.left, m_ptMinTrack.x),
                       std::max(window.bottom - window.top, m_ptMinTrack.y),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetSizeGripRect(m_rcGrip);
    LayOut();
}

void MonitorProfileDialog::LoadIcons()
{
    fw::App* app = fw::App::Current();
    HINSTANCE module = app ? app->ResourceModuleFor(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN)) : nullptr;
    const auto load = [&](int width, int height) {
        return fw::Icon(static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                        fw::SystemMetricForDpi(width, Dpi()),
                                                        fw::SystemMetricForDpi(height, Dpi()), 0)));
    };
    fw::Icon bigIcon = load(SM_CXICON, SM_CYICON);
    fw::Icon smallIcon = load(SM_CXSMICON, SM_CYSMICON);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    // The window shows the new ones now: the old ones can go.
    m_bigIcon = std::move(bigIcon);
    m_smallIcon = std::move(smallIcon);
}

void MonitorProfileDialog::OnGetMinMaxInfo(MINMAXINFO& info) const
{
    if (m_ptMinTrack.x > 0 && m_ptMinTrack.y > 0)
        info.ptMinTrackSize = m_ptMinTrack;
}

std::string MonitorProfileDialog::MonitorDescription() const { return MonitorNameForMessages(m_hMonitor); }

void MonitorProfileDialog::OnSelChangeProfile()
{
    const int selection = m_ProfileList.GetCurSel();
    if (selection == m_nLastSel)
        return;
    m_nLastSel = selection;
    // A list that lost its selection names no profile to apply.
    if (selection < 0)
        return;

    m_calibration.Host().Select(m_hMonitor, m_ProfileList.GetFullPath(selection));
}

std::string MonitorProfileDialog::SelectedPath() const
{
    const int selection = m_ProfileList.GetCurSel();
    return selection < 0 ? std::string() : m_ProfileList.GetFullPath(selection);
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
    rc = ToRect(SizeGripRect(ToRect32(rc), fw::SystemMetricForDpi(SM_CXHSCROLL, Dpi()),
                             fw::SystemMetricForDpi(SM_CYVSCROLL, Dpi())));
}

void MonitorProfileDialog::UpdateVerdictContext()
{
    m_ProfileList.SetVerdictContext(m_calibration.CurrentSettings().extendedTables,
                                    m_calibration.IsAdvancedColor(m_hMonitor), MonitorDescription());
}

void MonitorProfileDialog::SettingsChanged() { UpdateVerdictContext(); }

bool MonitorProfileDialog::OnCalibrationCommand(UINT id)
{
    return m_calibration.Command(m_hWnd, *this, id, m_hMonitor, SelectedPath(), MonitorDescription());
}

void MonitorProfileDialog::MonitorMoved(const DesktopMonitor& monitor)
{
    m_hMonitor = monitor.handle;
    if (!monitor.description.empty())
        ::SetWindowTextA(m_hWnd, monitor.description.c_str());
    // Still on its monitor: a window the change left elsewhere goes back to the middle.
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const POINT centre{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
    const RECT area{monitor.rect.left, monitor.rect.top, monitor.rect.right, monitor.rect.bottom};
    if (!::IsRectEmpty(&area) && !::PtInRect(&area, centre))
        CenterOnMonitor(m_hWnd, monitor.handle, 1);
    UpdateVerdictContext();
}

void MonitorProfileDialog::Close()
{
    m_bClosedByProgram = true;
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

void MonitorProfileDialog::BringToFront()
{
    if (::IsIconic(m_hWnd))
        ::ShowWindow(m_hWnd, SW_RESTORE);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
