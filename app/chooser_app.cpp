#include "app/chooser_app.h"

#include "app/resource_library.h"
#include "cms/monitor_strings.h"
#include "fw/dialog.h"
#include "platform/last_error.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "res/resource.h"
#include "ui/info_page_dialog.h"
#include "ui/monitor_profile_dialog.h"

#include <commctrl.h>

BOOL ChooserApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetHelpCommand(ShowInfoPage);

    // Loaded as resources only: no code in a library of that name ever runs. One
    // without the monitor window's template could give no window at all, so it is
    // taken for what it is, not a resource library of ours, and left alone.
    if (HMODULE resources = LoadResourceLibrary("Res.dll")) {
        if (::FindResourceA(resources, MAKEINTRESOURCEA(IDD_MONITOR_PROFILE), RT_DIALOG)) {
            fw::SetResourceModule(resources);
            m_platform.SetResourceModule(resources);
        } else {
            ::FreeLibrary(resources);
        }
    }

    EnumerateMonitors();
    return TRUE;
}

void ChooserApp::OnHelp() { ShowInfoPage(); }

int ChooserApp::EnumerateMonitors()
{
    if (::EnumDisplayMonitors(nullptr, nullptr, MonitorEnumProc, 0))
        return 0;
    return static_cast<int>(::GetLastError());
}

BOOL CALLBACK ChooserApp::MonitorEnumProc(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    if (GetMonitorStrings(reinterpret_cast<MonitorHandle>(monitor), nullptr, nullptr, nullptr, nullptr, 1) != 0)
        return TRUE;
    auto* dialog = new MonitorProfileDialog(nullptr, monitor);
    // A window that could not be created (a resource library without its template,
    // say) is skipped; the object then still belongs to us.
    if (!dialog->HasWindow())
        delete dialog;
    return TRUE;
}
