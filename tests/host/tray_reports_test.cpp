// Failures told while the program stays in the notification area with no window open.
#include "app/tray_reports.h"

#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ErrorReport Report(const std::string& text)
{
    ErrorReport report;
    report.messageText = text;
    return report;
}

TEST(TrayReports, NoWindowOpenEachFailureIsABalloonOnceAndAClickShowsItsReport)
{
    RecordingPresenter windows;
    std::vector<std::string> balloons;
    bool windowOpen = false;
    bool iconShown = true;
    TrayReports reports;
    reports.windows = &windows;
    reports.windowsOpen = [&] { return windowOpen; };
    reports.iconShown = [&] { return iconShown; };
    reports.balloon = [&](const std::string& text) { balloons.push_back(text); };

    for (const char* text : {"monitor 1: bad table", "monitor 1: bad table", "monitor 2: bad table"})
        reports.Present(Report(text));
    EXPECT_EQ(balloons, (std::vector<std::string>{"monitor 1: bad table", "monitor 2: bad table"}));
    EXPECT_TRUE(windows.reports.empty());
    reports.ShowLast();
    ASSERT_EQ(windows.reports.size(), 1u);
    EXPECT_EQ(windows.reports[0].messageText, "monitor 2: bad table");

    // With a window open, or no icon to speak from, reports show in the report window.
    windowOpen = true;
    reports.Present(Report("monitor 1: bad table"));
    windowOpen = false;
    iconShown = false;
    reports.Present(Report("monitor 3: gone"));
    EXPECT_EQ(windows.reports.size(), 3u);
    EXPECT_EQ(balloons.size(), 2u);

    // Quiet, nothing is shown while no window is open.
    reports.quiet = true;
    iconShown = true;
    reports.Present(Report("monitor 4: refused"));
    EXPECT_EQ(windows.reports.size(), 3u);
    EXPECT_EQ(balloons.size(), 2u);
}

}  // namespace
