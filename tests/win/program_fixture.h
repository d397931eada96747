// The fixtures of the tests that run the built program: a colour directory that holds
// the test's profiles and nothing else of the tests', no associations, an identity
// ramp, and the program started and ended around each test; or a copy of the program
// with a chosen resource library beside it.
#pragma once

#include "program_driver.h"
#include "win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
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

namespace programtest {

using program::Monitor;
using program::RunningProgram;

// Wine's store lists these, with its own sRGB profile, as installed monitor profiles.
const char* const kMild = "kv-mild.icm";
const char* const kMildNoCreator = "kv-mild-notcpt.icm";
const char* const kValid = "kv-valid.icm";
const char* const kBare = "kv-bare.icm";
const char* const kNoCalibration = "kv-novcgt.icm";
const char* const kGreen = "kv-green16384.icm";
const char* const kValidUpper = "kv-valid-upper.ICM";
// Copies of kv-bare that turn up while the program runs.
const char* const kViewAllAdded = "kv-view-all.icm";
const char* const kViewAssociatedAdded = "kv-view-associated.icm";
const char* const kRefreshAdded = "kv-refreshed.icm";

inline std::string Stem(const std::string& file)
{
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

inline bool HasProfileExtension(const std::string& file)
{
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = file.substr(dot);
    return lstrcmpiA(extension.c_str(), ".icm") == 0 || lstrcmpiA(extension.c_str(), ".icc") == 0;
}

// The basic fixture, kept clean around each test.
class ProgramTest : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(StartFromScratch({kViewAllAdded, kViewAssociatedAdded, kRefreshAdded}));
    }

    void TearDown() override { CleanUp(); }

    // The rows a list must show: every profile file of the colour directory, by file
    // name, in the list's collation (case-insensitive, in the user's locale).
    std::vector<std::string> ExpectedRows() const
    {
        std::vector<std::string> rows;
        for (const std::string& file : store.Files())
            if (HasProfileExtension(file))
                rows.push_back(Stem(file));
        std::sort(rows.begin(), rows.end(), [](const std::string& a, const std::string& b) {
            return CompareStringA(GetUserDefaultLCID(), NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
                   CSTR_LESS_THAN;
        });
        return rows;
    }

    // Waits until the ramp holds table, or a report or the clock interrupts.
    bool WaitForRamp(const std::vector<BYTE>& table)
    {
        return program::WaitFor([&] { return program::CurrentTable() == table || app->FindReport(); }) &&
               program::CurrentTable() == table;
    }
};

// A copy of the program in a folder of its own, with a chosen library named Res.dll
// beside it; removed again at the end.
class ProgramBesideLibrary : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        for (const std::string& file : {m_folder + "\\kestrava.exe", m_folder + "\\Res.dll"})
            DeleteFileA(file.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    // The copy of the program, with library (a Unix path) beside it as Res.dll.
    std::string CopyWith(const char* library)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
        m_folder = std::string(temp) + "kestrava-library-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        const std::string exe = m_folder + "\\kestrava.exe";
        EXPECT_TRUE(CopyFileA(wintest::ProgramExe().c_str(), exe.c_str(), FALSE));
        EXPECT_TRUE(CopyFileA(wintest::WinePath(library).c_str(), (m_folder + "\\Res.dll").c_str(), FALSE));
        return exe;
    }

    std::string m_folder;
};

}  // namespace programtest
