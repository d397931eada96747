#include "app/tray_reports.h"

#include <algorithm>

void TrayReports::Present(const ErrorReport& report)
{
    const bool windowOpen = windowsOpen && windowsOpen();
    if (!windowOpen && quiet)
        return;
    if (windowOpen || !iconShown || !iconShown()) {
        if (windows)
            windows->Present(report);
        return;
    }
    if (std::find(m_told.begin(), m_told.end(), report.messageText) != m_told.end())
        return;
    m_told.push_back(report.messageText);
    m_last = report;
    if (balloon)
        balloon(report.messageText);
}

void TrayReports::ShowLast()
{
    if (windows && !m_last.messageText.empty())
        windows->Present(m_last);
}
