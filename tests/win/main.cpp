// The in-process test program. It installs the real platform and the real error-report
// window, as the program does, before any test runs.
#include "fw/app.h"
#include "platform/win32/win32_platform.h"
#include "report/error_report_dialog.h"
#include "report/report.h"
#include "ui/info_page_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

int RunReportExitChild();

int main(int argc, char** argv)
{
    // The window layer's state lives in the application object, as in the program.
    static fw::App app;
    static Win32Platform platform;
    static Win32ReportPresenter presenter;
    SetPlatform(&platform);
    SetReportPresenter(&presenter);
    SetHelpCommand(ShowInfoPage);

    // The test program runs itself in this mode to watch a report end a process.
    if (argc == 2 && std::strcmp(argv[1], "--report-exit-child") == 0)
        return RunReportExitChild();

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
