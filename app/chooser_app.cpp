#include "app/chooser_app.h"

#include "app/command_line.h"
#include "app/resource_library.h"
#include "cms/calibration_keeper.h"
#include "cms/monitor_strings.h"
#include "fw/dialog.h"
#include "platform/last_error.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "cms/CMSSupport.h"
#include "ui/info_page_dialog.h"
#include "ui/settings.h"
#include "ui/monitor_profile_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr UINT kRefreshDelayMs = 300;
// How often the desktop's monitors are looked at: Wine changes them when an X output
// comes or goes without telling any window, and a driver may do the same.
constexpr UINT kMonitorPollMs = 2000;

// The desktop's monitors as the windows follow them: adapter and rectangle of each.
std::vector<std::pair<std::string, Rect32>> MonitorLayout()
{
    std::vector<std::pair<std::string, Rect32>> layout;
    for (MonitorHandle monitor : DesktopMonitors()) {
        MonitorInfoEx info{};
        info.cbSize = sizeof info;
        if (Sys().GetMonitorInfoA(monitor, &info))
            layout.emplace_back(std::string(info.szDevice, strnlen(info.szDevice, sizeof info.szDevice)),
                                info.rcMonitor);
    }
    return layout;
}

bool SameLayout(const std::vector<std::pair<std::string, Rect32>>& a,
                const std::vector<std::pair<std::string, Rect32>>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && x.second.left == y.second.left && x.second.top == y.second.top &&
               x.second.right == y.second.right && x.second.bottom == y.second.bottom;
    });
}
}

BOOL ChooserApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetHelpCommand(ShowInfoPage);

    // Loaded as resources only: no code in a library of that name ever runs. Whatever
    // it holds is taken, and whatever it lacks (a window, the menu, a string) still
    // comes from the program, resource by resource; so even a library with none of
    // ours is harmless, and it is simply never asked.
    if (HMODULE resources = LoadResourceLibrary("Res.dll"))
        SetResourceModule(resources);

    // Selections, keeping, Verify, the tooltips and /load all honour it.
    SetExtendedTables(settings::ExtendedTables());

    const CommandLine line = ParseCommandLine(SkipProgramName(::GetCommandLineA()));
    switch (line.mode) {
    case StartMode::Windows:
        m_layout = MonitorLayout();
        EnumerateMonitors();
        ::SetTimer(nullptr, 0, kMonitorPollMs, OnMonitorPoll);
        break;
    case StartMode::Load:
        m_bWindows = false;
        m_nExitCode = LoadCurrentCalibrations(line.quiet);
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

int ChooserApp::ExitInstance(int code) { return m_bWindows ? code : m_nExitCode; }

void ChooserApp::OnDisplayChange()
{
    // Every window hears of the change, and Wine tells it more than once while the
    // desktop settles: the windows are looked at once, a moment after the last notice.
    if (m_nRefreshTimer)
        ::KillTimer(nullptr, m_nRefreshTimer);
    m_nRefreshTimer = ::SetTimer(nullptr, 0, kRefreshDelayMs, OnRefreshTimer);
}

void CALLBACK ChooserApp::OnRefreshTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (auto* app = static_cast<ChooserApp*>(fw::App::Current())) {
        app->m_nRefreshTimer = 0;
        app->RefreshMonitors();
    }
}

void CALLBACK ChooserApp::OnMonitorPoll(HWND, UINT, UINT_PTR, DWORD)
{
    auto* app = static_cast<ChooserApp*>(fw::App::Current());
    if (!app || app->m_nRefreshTimer)
        return;
    if (!SameLayout(MonitorLayout(), app->m_layout))
        app->RefreshMonitors();
}

void ChooserApp::RefreshMonitors()
{
    m_layout = MonitorLayout();
    const std::vector<MonitorHandle> monitors = DesktopMonitors();

    // Windows are matched to monitors by adapter: a handle may change with the desktop.
    // A report opened on the way lets the user close a window meanwhile, so each is
    // looked up again before it is used.
    const std::vector<MonitorProfileDialog*> before = MonitorProfileDialog::Windows();
    const auto alive = [](MonitorProfileDialog* window) {
        const std::vector<MonitorProfileDialog*>& now = MonitorProfileDialog::Windows();
        return std::find(now.begin(), now.end(), window) != now.end();
    };
    std::vector<MonitorProfileDialog*> kept;
    for (MonitorHandle monitor : monitors) {
        std::string adapter;
        if (GetMonitorStrings(monitor, &adapter, nullptr, nullptr, nullptr, 1) != 0)
            continue;
        const auto found = std::find_if(before.begin(), before.end(), [&](MonitorProfileDialog* window) {
            return window->AdapterName() == adapter;
        });
        if (found != before.end()) {
            kept.push_back(*found);
            if (alive(*found))
                (*found)->MonitorMoved(monitor);
        } else {
            (new MonitorProfileDialog(nullptr, monitor))->OwnSelf();
        }
    }
    for (MonitorProfileDialog* window : before)
        if (std::find(kept.begin(), kept.end(), window) == kept.end() && alive(window))
            window->MonitorGone();
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
