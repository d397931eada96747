// Stands in for the report window: keeps every report for the test to look at.
#pragma once

#include "report/report.h"

#include <vector>

class RecordingPresenter : public ReportPresenter {
public:
    RecordingPresenter() : m_previous(SetReportPresenter(this)) {}
    ~RecordingPresenter() override { SetReportPresenter(m_previous); }
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    void Present(const ErrorReport& report) override { reports.push_back(report); }

    std::vector<ErrorReport> reports;

private:
    ReportPresenter* m_previous;
};
