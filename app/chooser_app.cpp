#include "app/chooser_app.h"

#include "app/resource_library.h"
#include "cms/monitor_strings.h"
#include "fw/dialog.h"
#include "platform/last_error.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "ui/info_page_dialog.h"
#include "ui/monitor_profile_dialog.h"

#include <commctrl.h>

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

    EnumerateMonitors();
    return TRUE;
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
