#include "platform/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/report.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    static Win32Platform platform;
    static Win32ReportPresenter presenter;
    SetPlatform(&platform);
    SetReportPresenter(&presenter);
    return 0;
}
