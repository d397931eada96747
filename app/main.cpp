// Win32 only. The program's entry: the real platform, the error-report window and the application.
#include "app/chooser_app.h"
#include "fw/app.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/report.h"

#include <windows.h>

namespace {
Win32Platform g_platform;
Win32ReportPresenter g_presenter;
ChooserApp theApp(g_platform);
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SetPlatform(&g_platform);
    SetReportPresenter(&g_presenter);
    return fw::AppMain();
}
