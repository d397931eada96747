// The ground every test of the running program stands on: the colour directory, the
// desktop's monitors, and the program started and its monitor windows found.
#pragma once

#include "program_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    void Launch(const std::string& program = {}, const std::string& arguments = {})
    {
        app = std::make_unique<RunningProgram>();
        std::string error;
        ASSERT_TRUE(app->Start(error, program, arguments)) << error;
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

    // Wine keeps an association under the profile's name, still naming it after the
    // file is gone, and forgets it only while the file is there. So every name a test
    // (this one or an earlier, interrupted run) may have associated is brought back,
    // forgotten and removed: the generated profiles, and the given copies of kv-bare.
    void ForgetEveryTestProfile(std::initializer_list<const char*> copiesOfBare = {})
    {
        const std::vector<std::string> present = store.Files("kv-*");
        const auto bringBack = [&](const std::string& name, const std::string& source) {
            if (std::find(present.begin(), present.end(), name) == present.end())
                store.Install(source, name);
        };
        for (const std::string& generated : ColourStore::FilesIn(wintest::ProfileDir(), "kv-*"))
            bringBack(generated, generated);
        for (const char* copy : copiesOfBare)
            bringBack(copy, "kv-bare.icm");
        ForgetAssociations();
        store.RemoveTestProfiles();
    }

    // The ground a test of the running program starts from: the prefix's own profiles,
    // none of them associated (see ForgetEveryTestProfile), and an identity ramp.
    void StartFromScratch(std::initializer_list<const char*> copiesOfBare = {})
    {
        store.RestoreParked();
        ForgetEveryTestProfile(copiesOfBare);
        ASSERT_TRUE(WriteIdentityRamp());
    }

    // Ends the program and leaves that ground again, whatever the test left.
    void CleanUp()
    {
        app.reset();
        store.RestoreParked();
        ForgetAssociations();
        store.RemoveTestProfiles();
        WriteIdentityRamp();
    }

    // Makes a profile the current one of every monitor. Wine's store lists every profile
    // for any device, so there it is the first one listed that counts: tests pick
    // profiles that sort after it.
    void MakeCurrent(const char* file)
    {
        for (const Monitor& monitor : monitors)
            ASSERT_TRUE(store.Associate(file, monitor.deviceId)) << file;
    }

    ColourStore store;
    std::vector<Monitor> monitors;
    std::unique_ptr<RunningProgram> app;
    std::vector<HWND> windows;
};

}  // namespace program
