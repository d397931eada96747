// Win32 only. The application resident in the notification area: the icon, its menu
// and tooltip, the failures it tells by balloon, and the programs it pauses for.
#include "app/chooser_app.h"

#include "app/tray_status.h"
#include "cms/CMSSupport.h"
#include "cms/current_calibration.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "ui/calibration_commands.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

std::string ChooserApp::PausingProgram() const
{
    if (m_pauseFor.empty())
        return {};
    DWORD process = 0;
    if (HWND foreground = ::GetForegroundWindow())
        ::GetWindowThreadProcessId(foreground, &process);
    if (process == 0 || process == ::GetCurrentProcessId())
        return {};
    Owner<HANDLE, HandleTraits> running(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!running)
        return {};
    std::vector<wchar_t> image(32768);
    DWORD length = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(running.Get(), 0, image.data(), &length))
        return {};
    std::wstring name(image.data(), std::min<size_t>(length, image.size()));
    name = name.substr(name.find_last_of(L"\\/") + 1);
    ::CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    if (std::find(m_pauseFor.begin(), m_pauseFor.end(), name) == m_pauseFor.end())
        return {};
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0,
                                            nullptr, nullptr);
    std::string narrow(static_cast<size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), narrow.data(), bytes, nullptr,
                              nullptr);
    return narrow;
}

void CALLBACK ChooserApp::OnForegroundChange(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    // The listed program left the front: keeping goes on at once.
    auto* app = static_cast<ChooserApp*>(fw::App::Current());
    if (app && !app->m_pausedFor.empty() && app->PausingProgram().empty())
        app->CheckKeepers();
}

void ChooserApp::BecomeResident(bool quiet)
{
    if (!m_bResident) {
        m_trayReports.windows = SetReportPresenter(&m_trayReports);
        m_trayReports.windowsOpen = [] { return !MonitorProfileDialog::Windows().empty(); };
        m_trayReports.iconShown = [this] { return m_trayIcon.IsShown(); };
        m_trayReports.balloon = [this](const std::string& text) { m_trayIcon.Balloon("Kestrava", text); };
    }
    m_bResident = true;
    m_bQuiet = quiet;
    m_trayReports.quiet = quiet;
    if (!m_hProgram || m_trayIcon.IsShown())
        return;
    fw::App* app = fw::App::Current();
    HINSTANCE icons = app ? app->ResourceModuleFor(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_MAIN)) : nullptr;
    const auto icon = static_cast<HICON>(::LoadImageA(icons, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // A shell without a notification area takes no icon: the calibration is kept all
    // the same, and the icon comes when the shell says it is there (TaskbarCreated).
    m_trayIcon.Add(m_hProgram.Get(), kMsgTray, icon, std::string());
    m_told.clear();
    UpdateTrayTip();
}

void ChooserApp::UpdateTrayTip()
{
    if (!m_bResident)
        return;
    // Called after every look at the ramps: the lines are made anew only when what they
    // tell may have changed, since a monitor that keeps nothing is looked up in the store.
    std::string told = (m_settings.extendedTables ? "x" : "-") + m_pausedFor + '\n';
    for (const Keeper& keeper : m_keepers.Keepers())
        told += keeper.monitor.identity.adapterName + keeper.monitor.identity.deviceId + keeper.path + '|' +
                std::to_string(static_cast<int>(keeper.state)) + (keeper.monitor.advancedColor ? "h" : "") + '\n';
    if (!m_told.empty() && told == m_told)
        return;
    m_told = told;
    const std::string tip = TrayTipText(TrayStatusLines(m_keepers, m_settings.extendedTables, m_pausedFor));
    m_trayIcon.SetTip(tip);
    // The program's window carries the same text, for whoever cannot see the icon: a
    // screen reader, a test, a shell without a notification area.
    ::SetWindowTextA(m_hProgram.Get(), tip.c_str());
}

void ChooserApp::OnTrayEvent(UINT event)
{
    switch (event) {
    case WM_CONTEXTMENU:
        ShowTrayMenu();
        break;
    case NIN_SELECT:
    case NIN_KEYSELECT:
        OnTrayCommand(IDM_TRAY_OPEN);
        break;
    case NIN_BALLOONUSERCLICK:
        m_trayReports.ShowLast();
        break;
    default:
        break;
    }
}

void ChooserApp::ShowTrayMenu()
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    const auto add = [&](UINT id, uint32_t text, bool checked) {
        ::AppendMenuA(menu, MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), id, GetResourceString(text));
    };
    add(IDM_TRAY_OPEN, IDS_TRAY_OPEN, false);
    add(IDM_TRAY_RELOAD, IDS_CMD_RELOAD, false);
    add(IDM_TRAY_RESET, IDS_TRAY_RESET, false);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(IDM_TRAY_KEEP_LOADED, IDS_CMD_KEEP_LOADED, m_settings.keepLoaded);
    add(IDM_TRAY_LOAD_AT_LOGON, IDS_CMD_LOAD_AT_LOGON, m_settings.loadAtLogon);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(IDM_TRAY_EXIT, IDS_TRAY_EXIT, false);
    ::SetMenuDefaultItem(menu, IDM_TRAY_OPEN, FALSE);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // The menu closes when the user clicks elsewhere only while its window is in front.
    ::SetForegroundWindow(m_hProgram.Get());
    ::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hProgram.Get(), nullptr);
    ::PostMessageA(m_hProgram.Get(), WM_NULL, 0, 0);
    ::DestroyMenu(menu);
}

void ChooserApp::OnTrayCommand(UINT id)
{
    switch (id) {
    case IDM_TRAY_OPEN:
        BringWindowsToFront();
        break;
    case IDM_TRAY_RELOAD:
        ReloadAll();
        break;
    case IDM_TRAY_RESET:
        ResetAll();
        break;
    case IDM_TRAY_KEEP_LOADED:
    case IDM_TRAY_LOAD_AT_LOGON:
        // Asked for from the menu just now, a refusal is answered whatever /quiet says.
        // The program's window owns the box; its text is the tooltip, not a caption.
        if (int32_t result = ToggleSetting(id == IDM_TRAY_KEEP_LOADED ? CalibrationAction::KeepLoaded
                                                                       : CalibrationAction::LoadAtLogon))
            ::MessageBoxA(m_hProgram.Get(), SettingNotSavedText(result).c_str(), "Kestrava",
                          MB_OK | MB_ICONWARNING);
        break;
    case IDM_TRAY_EXIT:
        Exit();
        break;
    default:
        break;
    }
}

void ChooserApp::ReloadAll()
{
    m_keepers.Resume();
    LoadCurrentCalibrations(m_bQuiet, m_settings.extendedTables, &m_keepers);
    UpdateTrayTip();
}

void ChooserApp::ResetAll()
{
    for (const Keeper& keeper : std::vector<Keeper>(m_keepers.Keepers())) {
        if (keeper.monitor.advancedColor)
            continue;
        // A refusal is reported for the kept profile (or the current one), and keeping
        // stops all the same, as asked.
        LoadedRamp linear;
        if (ResetToLinear(keeper.monitor.handle, keeper.path.c_str(), linear) == 0)
            m_keepers.Reset(keeper.monitor.handle, linear);
        else
            m_keepers.Forget(keeper.monitor.handle);
    }
    UpdateTrayTip();
}

void ChooserApp::Exit()
{
    if (m_trayReports.windows)
        SetReportPresenter(std::exchange(m_trayReports.windows, nullptr));
    m_trayIcon.Remove();
    m_bResident = false;
    ::PostQuitMessage(0);
}

