// Win32 only: the window of one monitor.
#include "ui/monitor_profile_dialog.h"

#include "cms/CMSSupport.h"
#include "cms/CMSSupportEx.h"
#include "cms/monitor_strings.h"
#include "fw/app.h"
#include "fw/gdi.h"
#include "res/resource.h"
#include "ui/about_dialog.h"
#include "ui/monitor_placement.h"
#include "ui/monitor_window_layout.h"

#include <string>

MonitorProfileDialog::MonitorProfileDialog(const DesktopMonitor& monitor, MonitorWindowHost& host)
    : fw::Dialog(IDD_MONITOR_PROFILE),
      m_hMonitor(monitor.handle),
      m_identity(monitor.identity),
      m_description(monitor.description),
      m_calibration(host)
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

MonitorProfileDialog::~MonitorProfileDialog()
{
    // The curves window goes with this one; until it has, it asks nothing of it.
    if (m_pCurves)
        m_pCurves->Orphan();
    m_calibration.Host().WindowGone(*this);
}

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
    fw::FollowSizeGrip(m_hWnd, m_rcGrip, Dpi());
    m_layout.Remember(m_hWnd, TemplateClientSize(), BaseUnits(), kMonitorWindowLayout);
    m_layout.Apply(m_hWnd, BaseUnits());
    UpdateMinimum();
    FitWorkArea(m_hWnd, m_hMonitor, m_ptMinTrack);

    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    CenterOnMonitor(m_hWnd, m_hMonitor, 1);

    // With nothing found the template's caption stays, rather than an empty title.
    if (!m_description.empty())
        ::SetWindowTextA(m_hWnd, m_description.c_str());

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
        if ((wParam & 0xFFF0) == IDM_SHOW_CURVES)
            OnShowCurves();
        else if (!OnCalibrationCommand(static_cast<UINT>(wParam & 0xFFF0)))
            return FALSE;
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            m_calibration.UpdateCommands(m_hWnd, m_ProfileList.GetCurSel() >= 0);
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
    fw::PaintDc paint(m_hWnd);
    HDC dc = paint.Get();
    if (::IsIconic(m_hWnd))
        m_icons.PaintMinimised(m_hWnd, dc, Dpi());
    else
        fw::PaintSizeGrip(dc, m_rcGrip);
}

HICON MonitorProfileDialog::OnQueryDragIcon() { return m_icons.Big(); }

void MonitorProfileDialog::OnClose() { ::DestroyWindow(m_hWnd); }

void MonitorProfileDialog::OnSize(UINT type, int, int)
{
    if (type == SIZE_MINIMIZED)
        return;
    fw::FollowSizeGrip(m_hWnd, m_rcGrip, Dpi());
    m_layout.Apply(m_hWnd, BaseUnits());
}

void MonitorProfileDialog::UpdateMinimum()
{
    m_ptMinTrack = MinimumOnMonitor(m_hMonitor, m_layout.MinimumSize(m_hWnd, BaseUnits(), m_ProfileList.Handle(),
                                                                      kMonitorWindowMinimumRows));
}

void MonitorProfileDialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    // Meanwhile no smallest size: the old one is for the old DPI.
    m_ptMinTrack = POINT{};
    TakeSuggestedRect(oldUnits, suggested);
    // Opening at another DPI than the dialog manager made it for, the window is not
    // made up yet: the base has laid it out as the template would be.
    if (!m_layout.IsMade())
        return;
    LoadIcons();
    UpdateMinimum();
    // Suggested smaller than that (by a system that scales the window by the DPIs
    // alone, while the font grew less), it grows to it; never beyond its monitor.
    FitWorkArea(m_hWnd, MonitorOf(m_hWnd), m_ptMinTrack);
    fw::FollowSizeGrip(m_hWnd, m_rcGrip, Dpi());
    m_layout.Apply(m_hWnd, BaseUnits());
}

void MonitorProfileDialog::LoadIcons()
{
    fw::App* app = fw::App::Current();
    m_icons.Load(m_hWnd, app ? app->ResourceModuleFor(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN)) : nullptr, IDI_MAIN,
                 Dpi());
}

void MonitorProfileDialog::OnGetMinMaxInfo(MINMAXINFO& info) const
{
    if (m_ptMinTrack.x > 0 && m_ptMinTrack.y > 0)
        info.ptMinTrackSize = m_ptMinTrack;
}

std::string MonitorProfileDialog::MonitorDescription() const { return MonitorNameForMessages(m_description); }

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
    FollowCurves();
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

LRESULT MonitorProfileDialog::OnNcHitTest(POINT screenPoint) { return fw::SizeGripHitTest(m_hWnd, m_rcGrip, screenPoint); }

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
    m_nLastSel = m_ProfileList.Show(
        [&](ProfileList& profiles) {
            if (m_nView == 0)
                AddAllProfilesToList(nullptr, profiles);
            else
                AddProfilesToList(m_hMonitor, profiles, kListByDeviceId);
        },
        current);
    FollowCurves();
    return m_nLastSel;
}

void MonitorProfileDialog::GetSizeGripRect(RECT& rc) { rc = fw::SizeGripRectFor(m_hWnd, Dpi()); }

void MonitorProfileDialog::UpdateVerdictContext()
{
    m_ProfileList.SetVerdictContext(m_calibration.CurrentSettings().extendedTables,
                                    m_calibration.IsAdvancedColor(m_hMonitor), MonitorDescription());
}

void MonitorProfileDialog::SettingsChanged()
{
    UpdateVerdictContext();
    FollowCurves();
}

void MonitorProfileDialog::RampsChecked()
{
    if (m_pCurves)
        m_pCurves->RampsChecked();
}

CurvesDialog::Subject MonitorProfileDialog::CurvesSubject() const
{
    CurvesDialog::Subject subject;
    subject.monitor = m_hMonitor;
    subject.path = SelectedPath();
    subject.monitorName = MonitorDescription();
    subject.extendedTables = m_calibration.CurrentSettings().extendedTables;
    subject.advancedColor = m_calibration.IsAdvancedColor(m_hMonitor);
    subject.state = m_calibration.Host().KeepStateOf(m_hMonitor);
    subject.keeping = m_calibration.CurrentSettings().keepLoaded;
    return subject;
}

void MonitorProfileDialog::FollowCurves()
{
    if (m_pCurves)
        m_pCurves->Follow();
}

void MonitorProfileDialog::OnShowCurves()
{
    if (m_pCurves) {
        m_pCurves->BringToFront();
        return;
    }
    m_pCurves = CurvesDialog::Open(
        m_hWnd, [this] { return CurvesSubject(); }, [this] { m_pCurves = nullptr; });
}

bool MonitorProfileDialog::OnCalibrationCommand(UINT id)
{
    return m_calibration.Command(m_hWnd, *this, id, m_hMonitor, SelectedPath(), MonitorDescription());
}

void MonitorProfileDialog::MonitorMoved(const DesktopMonitor& monitor)
{
    m_hMonitor = monitor.handle;
    if (!monitor.description.empty()) {
        m_description = monitor.description;
        ::SetWindowTextA(m_hWnd, m_description.c_str());
    }
    KeepOnMonitor(m_hWnd, monitor.handle, monitor.rect);
    UpdateVerdictContext();
    FollowCurves();
}

void MonitorProfileDialog::Close()
{
    m_bClosedByProgram = true;
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

void MonitorProfileDialog::BringToFront() { fw::RestoreAndRaise(m_hWnd); }
