// Failures while the program stays in the notification area with no window open: each
// is told by a balloon over the icon, once for each text (a monitor and its cause), and
// a click on the balloon shows the report a window would have shown. With a window
// open, or without an icon to speak from, reports show in the report window; quiet,
// nothing is shown while no window is open.
#pragma once

#include "report/report.h"

#include <functional>
#include <string>
#include <vector>

class TrayReports : public ReportPresenter {
public:
    void Present(const ErrorReport& report) override;
    // The report behind the last balloon, through the windows' presenter.
    void ShowLast();

    ReportPresenter* windows = nullptr;                // the presenter reports show through otherwise
    std::function<bool()> windowsOpen;                 // a monitor window is open
    std::function<bool()> iconShown;                   // the icon is in the notification area
    std::function<void(const std::string&)> balloon;  // shows one
    bool quiet = false;                                // /quiet: nothing while no window is open

private:
    std::vector<std::string> m_told;
    ErrorReport m_last;
};
