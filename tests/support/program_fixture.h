// The fixtures of the tests that run the built program: a colour directory that holds
// the test's profiles and nothing else of the tests', no associations, an identity
// ramp, and the program started and ended around each test; a copy of the program with
// a chosen resource library beside it; and, for the keeping, the settings as on a new
// account and the program worked through its lists and window menus.
#pragma once

#include "support/program_driver.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

    // Starts the program (the build's own, or a copy elsewhere) without waiting; in a
    // display language other than the test bed's when one is given (a Unix locale name,
    // see RunningProgram::Start).
    void Launch(const std::string& program = {}, const std::string& arguments = {}, const std::string& language = {})
    {
        app = std::make_unique<RunningProgram>();
        std::string error;
        ASSERT_TRUE(app->Start(error, program, arguments, language)) << error;
    }

    // Starts the program and waits until it has opened its windows, with no report.
    void Start(const std::string& program = {}, const std::string& language = {})
    {
        ASSERT_NO_FATAL_FAILURE(Launch(program, {}, language));
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
            bringBack(copy, profiles::kBare);
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
using profiles::kMild;
using profiles::kMildNoCreator;
using profiles::kValid;
using profiles::kBare;
using profiles::kNoCalibration;
using profiles::kGreen;
using profiles::kValidUpper;
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

// A copy of the program in a folder of its own, with chosen libraries named Res.dll
// beside it or in its language folders; removed again at the end.
class ProgramBesideLibrary : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        RemoveCopy();
    }

    // Ends the program and removes its copy and what was planted beside it, so that a
    // test may make another.
    void RemoveCopy()
    {
        app.reset();
        for (auto file = m_planted.rbegin(); file != m_planted.rend(); ++file)
            if (!DeleteFileA(file->c_str()))
                RemoveDirectoryA(file->c_str());
        m_planted.clear();
    }

    // A library to plant: in the folder beside the program (""), or in a language folder
    // ("fr"); cut short after bytes when that is not 0, as a damaged file.
    struct Planted {
        std::string folder;
        const char* library;   // a Unix path of the build
        DWORD bytes = 0;
    };

    // The copy of the program, with library (a Unix path) beside it as Res.dll.
    std::string CopyWith(const char* library) { return CopyWith({Planted{"", library}}); }

    // The copy of the program, with each library planted as Res.dll where it says.
    std::string CopyWith(const std::vector<Planted>& libraries)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
        const std::string top = std::string(temp) + "kestrava-library-" + std::to_string(GetCurrentProcessId());
        const std::string exe = top + "\\kestrava.exe";
        Make(top, CreateDirectoryA(top.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        Make(exe, CopyFileA(wintest::ProgramExe().c_str(), exe.c_str(), FALSE));
        for (const Planted& planted : libraries) {
            const std::string folder = planted.folder.empty() ? top : top + "\\" + planted.folder;
            if (folder != top)
                Make(folder, CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
            const std::string file = folder + "\\Res.dll";
            Make(file, CopyFileA(wintest::WinePath(planted.library).c_str(), file.c_str(), FALSE));
            if (planted.bytes) {
                wintest::HandleOwner cut(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                EXPECT_TRUE(SetFilePointer(cut.Get(), static_cast<LONG>(planted.bytes), nullptr, FILE_BEGIN) ==
                                planted.bytes &&
                            SetEndOfFile(cut.Get()))
                    << file;
            }
        }
        return exe;
    }

private:
    // Notes a file or folder made for the test, to be removed again, last first.
    void Make(const std::string& path, BOOL made)
    {
        EXPECT_TRUE(made) << path << ": error " << GetLastError();
        if (made)
            m_planted.push_back(path);
    }

    std::vector<std::string> m_planted;
};

}  // namespace programtest

// ---- Keeping the calibration ----------------------------------------------------------

namespace programtest {

using namespace std::chrono_literals;

using profiles::kTooDark;   // refused as too dark (-2, report 215)
// Sorts before the others: the windows' current profile, preselected, so that a click
// on any other row applies that row.
const char* const kFirst = profiles::kBare;

// The window menu's calibration commands.
constexpr WPARAM kReload = 0x1010;
constexpr WPARAM kVerify = 0x1020;
constexpr WPARAM kReset = 0x1030;
constexpr WPARAM kKeepLoaded = 0x1040;
constexpr WPARAM kLoadAtLogon = 0x1050;
constexpr WPARAM kExtendedTables = 0x1060;

// The keeping's promise: a ramp reset from outside is back within this, a notice's at once.
constexpr auto kKeepPromise = 5s;
constexpr auto kNoticePromise = 1s;

// A text of the program's string table, which the test program carries too.
inline std::string ResourceText(UINT id)
{
    char text[2048] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, static_cast<int>(sizeof text));
    return text;
}

// The program with its settings as on a new account, on the ground of ProgramFixture;
// its monitor windows worked through their lists and window menus.

class ProgramKeeping : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        program::ForgetSettings();
        ASSERT_NO_FATAL_FAILURE(StartFromScratch());
    }

    void TearDown() override
    {
        CleanUp();
        program::ForgetSettings();
    }

    std::vector<BYTE> Table(const char* file) const
    {
        std::vector<BYTE> table = program::CalibrationTable(store.PathOf(file));
        EXPECT_EQ(table.size(), 768u) << file;
        return table;
    }

    // Waits until the ramp holds table, or a report or the clock interrupts.
    bool WaitForRamp(const std::vector<BYTE>& table, std::chrono::milliseconds timeout = program::kTimeout)
    {
        program::WaitFor([&] { return program::CurrentTable() == table || app->FindReport(); }, timeout);
        return program::CurrentTable() == table;
    }

    // Whether the ramp holds table at every look for the whole time.
    static bool RampStays(const std::vector<BYTE>& table, std::chrono::milliseconds time)
    {
        return !program::WaitFor([&] { return program::CurrentTable() != table; }, time);
    }

    // Clicks the row of a window's list and waits until its table is in the ramp.
    void Select(size_t window, const char* file, const std::vector<BYTE>& table)
    {
        const HWND list = List(window);
        const std::string stem = std::string(file).substr(0, std::string(file).rfind('.'));
        ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, stem))) << stem;
        ASSERT_TRUE(WaitForRamp(table)) << stem << " never reached the ramp; " << app->OpenReports();
    }

    // Gives a window a system command and waits until it has been handled (or has
    // opened the modal window it handles it with).
    void Command(size_t window, WPARAM command)
    {
        ASSERT_TRUE(PostMessageW(windows[window], WM_SYSCOMMAND, command, 0));
        ASSERT_TRUE(program::Flush(List(window)));
    }

    // Starts the program with arguments and, without a window to wait for, waits for it
    // to end, watching that it never shows one. Its exit code.
    DWORD RunWithoutWindows(const std::string& arguments)
    {
        Launch({}, arguments);
        return WaitWithoutWindows(*app, arguments, program::kTimeout);
    }

    // Starts another copy of the program beside the running one; its exit code, once it
    // ended within the time given, never having shown a window.
    DWORD RunBeside(const std::string& arguments, std::chrono::milliseconds timeout)
    {
        program::RunningProgram other;
        std::string error;
        EXPECT_TRUE(other.Start(error, {}, arguments)) << error;
        return WaitWithoutWindows(other, arguments, timeout);
    }

    static DWORD WaitWithoutWindows(program::RunningProgram& run, const std::string& arguments,
                                    std::chrono::milliseconds timeout)
    {
        bool shown = false;
        const bool ended = program::WaitFor(
            [&] {
                shown = shown || !program::VisibleDialogsOf(run.Id()).empty();
                return !run.IsRunning();
            },
            timeout);
        EXPECT_TRUE(ended) << arguments << ": still running; " << run.OpenReports();
        EXPECT_FALSE(shown) << arguments << ": a window showed";
        DWORD code = 1234;
        run.WaitForExit(code, 1s);
        return code;
    }

    // Waits for the message box the program shows; its text, with the box in *box.
    std::string WaitForMessageBox(HWND* box)
    {
        *box = nullptr;
        program::WaitFor([&] { return (*box = program::FindMessageBox(app->Id())) != nullptr || !app->IsRunning(); });
        return *box ? wintest::WindowText(program::MessageTextControl(*box)) : std::string("(no message box)");
    }
};

}  // namespace programtest
