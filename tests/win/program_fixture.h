// The ground every test of the running program stands on: the colour directory, the
// desktop's monitors, and the program started and its monitor windows found.
#pragma once

#include "program_driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace program {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.Valid()) << "no colour directory";
        monitors = Monitors();
        ASSERT_FALSE(monitors.empty()) << "the test bed shows no monitor";
        for (const Monitor& monitor : monitors) {
            ASSERT_FALSE(monitor.deviceId.empty()) << monitor.adapter << " has no monitor device";
            ASSERT_FALSE(monitor.deviceString.empty()) << monitor.adapter << " has no device string";
        }
    }

    // Starts the program (the build's own, or a copy elsewhere) without waiting.
    void Launch(const std::string& program = {})
    {
        app = std::make_unique<RunningProgram>();
        std::string error;
        ASSERT_TRUE(app->Start(error, program)) << error;
    }

    // Starts the program and waits until it has opened its windows, with no report.
    void Start(const std::string& program = {})
    {
        ASSERT_NO_FATAL_FAILURE(Launch(program));
        windows = app->WaitForMonitorWindows(monitors.size());
        ASSERT_EQ(app->FindReport(), nullptr) << app->OpenReports();
        ASSERT_TRUE(app->IsRunning()) << "the program ended while starting";
        ASSERT_EQ(windows.size(), monitors.size()) << "one window per monitor";
    }

    HWND List(size_t window) const { return GetDlgItem(windows[window], kListId); }

    // Copies generated profiles into the colour directory.
    void Install(std::initializer_list<const char*> files)
    {
        for (const char* file : files)
            ASSERT_TRUE(store.Install(file)) << file << ": error " << GetLastError();
    }

    // Associations outlast a run: no file of the directory stays associated.
    void ForgetAssociations()
    {
        for (const Monitor& monitor : monitors)
            store.ForgetAssociations(monitor.deviceId);
    }

    ColourStore store;
    std::vector<Monitor> monitors;
    std::unique_ptr<RunningProgram> app;
    std::vector<HWND> windows;
};

}  // namespace program
