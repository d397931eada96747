// Keeping the calibration true, as a user and the system meet it: the logon load
// without a window, the window menu's calibration commands and their settings, the ramp
// written again after someone else reset it, and monitors that go and come back. The
// built kestrava.exe is worked from outside; the ramp, the registry and the colour store
// are read back from this process, which shares the program's Wine prefix.
#include "cms/vcgt_decoder.h"
#include "program_driver.h"
#include "program_fixture.h"
#include "win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using program::Monitor;

const char* const kMild = "kv-mild.icm";
const char* const kValid = "kv-valid.icm";         // sorts after kv-mild
const char* const kGreen = "kv-green16384.icm";    // accepted, and unlike kv-mild
const char* const kTooDark = "kv-green16383.icm";  // refused as too dark (-2, report 215)
const char* const kNoCalibration = "kv-novcgt.icm";
// Sorts before the others: the windows' current profile, preselected, so that a click
// on any other row applies that row.
const char* const kFirst = "kv-bare.icm";

// The window menu's calibration commands.
constexpr WPARAM kReload = 0x1010;
constexpr WPARAM kVerify = 0x1020;
constexpr WPARAM kReset = 0x1030;
constexpr WPARAM kKeepLoaded = 0x1040;
constexpr WPARAM kLoadAtLogon = 0x1050;

// Notices that come with a ramp the system may have put back (winuser.h and wtsapi32.h).
constexpr UINT kSessionChange = 0x02B1;   // WM_WTSSESSION_CHANGE
constexpr WPARAM kConsoleConnect = 0x1;
constexpr WPARAM kSessionUnlock = 0x8;
constexpr WPARAM kResumeSuspend = 0x7;
constexpr WPARAM kResumeAutomatic = 0x12;

constexpr const char* kSettingsKey = "Software\\Kestrava";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Kestrava";

constexpr DWORD kTooDarkExit = 0xFFFFFFFEu;   // -2
constexpr UINT kBackedOffId = 1020;           // IDS_BACKED_OFF
constexpr DWORD kInvalidParameter = 87;

// The keeping's promise: a ramp reset from outside is back within this, a notice's at once.
constexpr auto kKeepPromise = 5s;
constexpr auto kNoticePromise = 1s;

// Texts of the program's string table, which the test carries too.
constexpr UINT kUsageId = 1017;
constexpr UINT kStateLoadedId = 1027;

std::string ResourceText(UINT id)
{
    char text[2048] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, static_cast<int>(sizeof text));
    return text;
}

// ---- The registry, read and written as the program's user ------------------------

struct RegistryValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string text;    // for REG_SZ
    DWORD number = 0;    // for REG_DWORD
};

RegistryValue ReadValue(const char* key, const char* name)
{
    RegistryValue value;
    BYTE data[2048] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data, &size) !=
        ERROR_SUCCESS)
        return value;
    value.present = true;
    if (value.type == REG_SZ)
        value.text = reinterpret_cast<const char*>(data);
    if (value.type == REG_DWORD && size == sizeof(DWORD))
        value.number = *reinterpret_cast<const DWORD*>(data);
    return value;
}

bool WriteString(const char* key, const char* name, const std::string& text)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool written = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return written;
}

void DeleteValue(const char* key, const char* name)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(handle, name);
    RegCloseKey(handle);
}

// ---- Message boxes ---------------------------------------------------------------

// The text of a message box: its static control with id 0xFFFF (however the id was
// stored); null when the dialog has none.
HWND MessageTextControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && lstrcmpiA(wintest::ClassName(child).c_str(), "Static") == 0)
            return child;
    return nullptr;
}

// A visible message box of the process: neither a monitor window nor a report.
HWND FindMessageBox(DWORD process)
{
    for (HWND window : program::VisibleDialogsOf(process))
        if (!program::IsMonitorWindow(window) && !program::IsReport(window) && MessageTextControl(window))
            return window;
    return nullptr;
}

// ---- The second monitor, through the X server ------------------------------------

// Runs a Unix program (found on PATH) and waits for it, through Wine's own way out of
// the prefix; the X clients among them reach the test bed's server through DISPLAY,
// which Wine leaves in their environment. False when it could not be run or failed.
bool RunUnix(std::vector<std::string> arguments)
{
    using Spawn = LONG(CDECL*)(char* const* argv, int wait);
    const FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp");
    if (!found)
        return false;
    const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(found));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

// Turns the test bed's second output off, or on again where tools/testbed.sh put it.
bool SetSecondOutput(bool on)
{
    if (on)
        return RunUnix({"xrandr", "--output", "DUMMY1", "--mode", "1280x1024_t", "--right-of", "DUMMY0"});
    return RunUnix({"xrandr", "--output", "DUMMY1", "--off"});
}

bool WaitForMonitorCount(size_t count)
{
    return program::WaitFor([&] { return program::Monitors().size() == count; }, 15s);
}

// What the system tells every top-level window when monitors come or go. Wine 8 does
// not: its handler of the X server's output changes resizes the desktop without the
// broadcast (winex11.drv, X11DRV_resize_desktop(FALSE)), so the test sends it as
// Windows would.
void BroadcastDisplayChange()
{
    const RECT primary = program::Monitors().front().rect;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
}

// ---- The fixture -------------------------------------------------------------------

class ProgramKeeping : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ForgetSettings();
        ASSERT_NO_FATAL_FAILURE(StartFromScratch());
    }

    void TearDown() override
    {
        CleanUp();
        ForgetSettings();
    }

    static void ForgetSettings()
    {
        DeleteValue(kRunKey, kRunValue);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
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
        program::WaitFor([&] { return (*box = FindMessageBox(app->Id())) != nullptr || !app->IsRunning(); });
        return *box ? wintest::WindowText(MessageTextControl(*box)) : std::string("(no message box)");
    }
};

// ---- The logon load ----------------------------------------------------------------

class ProgramLoadSwitch : public ProgramKeeping {};

TEST_F(ProgramLoadSwitch, LoadsEachCurrentTableWithoutAWindowAndLeavesMonitorsWithoutOne)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_EQ(program::FirstProfileOf(monitors[0].deviceId), kMild) << "kv-mild is not the current profile";
    const std::vector<BYTE> mild = Table(kMild);

    for (const char* arguments : {"/load", "-LOAD", "/Load /quiet"}) {
        SCOPED_TRACE(arguments);
        ASSERT_TRUE(program::WriteIdentityRamp());
        EXPECT_EQ(RunWithoutWindows(arguments), 0u);
        EXPECT_EQ(program::CurrentTable(), mild) << "the current profile's table is not in the ramp";
        for (const Monitor& monitor : monitors)
            EXPECT_EQ(program::FirstProfileOf(monitor.deviceId), kMild) << "the load changed an association";
    }

    // A current profile without a calibration tag leaves the ramp as it is, silently.
    ASSERT_TRUE(store.Remove(kMild));
    ASSERT_TRUE(store.Install(kNoCalibration));
    ASSERT_EQ(program::FirstProfileOf(monitors[0].deviceId), kNoCalibration);
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());

}

TEST_F(ProgramLoadSwitch, ProfileNamedButNotThereCountsAsNoCurrentProfile)
{
    // Deleted since it was chosen: Wine still names it by its association.
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_TRUE(store.ParkEverything());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u) << app->OpenReports();

    // Never chosen, with no file in the store: Wine names its default sRGB profile.
    store.RestoreParked();
    ForgetEveryTestProfile();
    ASSERT_TRUE(store.ParkEverything());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u) << app->OpenReports();
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
}

TEST_F(ProgramLoadSwitch, TooDarkTableEndsWithMinusTwoAndOneReportPerMonitorUnlessQuiet)
{
    ASSERT_NO_FATAL_FAILURE(Install({kTooDark, kMild}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kTooDark));

    ASSERT_NO_FATAL_FAILURE(Launch({}, "/load"));
    for (const Monitor& monitor : monitors) {
        SCOPED_TRACE("the report for " + monitor.adapter);
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report";
        EXPECT_EQ(wintest::ControlText(report, program::kReportMessageId),
                  "Sorry, the calibration data in the profile \"kv-green16383\" for monitor \"" +
                      monitor.deviceString +
                      "\" appears to be bad and will not be downloaded to the video card. Please select another "
                      "profile. (-2)");
        EXPECT_EQ(app->Reports().size(), 1u) << app->OpenReports();
        EXPECT_TRUE(app->MonitorWindows().empty());
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
    DWORD code = 0;
    ASSERT_TRUE(app->WaitForExit(code)) << "still running after the reports; " << app->OpenReports();
    EXPECT_EQ(code, kTooDarkExit);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());

    EXPECT_EQ(RunWithoutWindows("/load /quiet"), kTooDarkExit);
    EXPECT_EQ(RunWithoutWindows("-quiet -load"), kTooDarkExit);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable());
}

TEST_F(ProgramLoadSwitch, UsageShowsWhenAskedAndForAnythingElseAndOpensNoWindow)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    struct Case {
        const char* arguments;
        DWORD exitCode;
    };
    for (const Case& run : {Case{"/?", 0}, Case{"-?", 0}, Case{"/bogus", kInvalidParameter},
                            Case{"/load garbage", kInvalidParameter}}) {
        SCOPED_TRACE(run.arguments);
        ASSERT_NO_FATAL_FAILURE(Launch({}, run.arguments));
        HWND box = nullptr;
        EXPECT_EQ(WaitForMessageBox(&box), ResourceText(kUsageId));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(wintest::WindowText(box), program::kProgramCaption);
        EXPECT_TRUE(app->MonitorWindows().empty());
        wintest::ClickButton(box, IDOK);
        DWORD code = 1234;
        ASSERT_TRUE(app->WaitForExit(code)) << "still running after OK";
        EXPECT_EQ(code, run.exitCode);
    }
    // Quiet is quiet even about how to use it; on its own it would open the windows.
    EXPECT_EQ(RunWithoutWindows("/quiet"), kInvalidParameter);
    EXPECT_EQ(RunWithoutWindows("/load /quiet /bogus"), kInvalidParameter);
    EXPECT_EQ(program::CurrentTable(), program::IdentityTable()) << "the usage loaded a calibration";
}

// ---- Keeping the ramp ----------------------------------------------------------------

TEST_F(ProgramKeeping, RampResetFromOutsideComesBackInTimeAndAtOnceOnEachNotice)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();

    // Before the first write nothing is kept.
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "a ramp came back before any selection";

    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not back within 5 s; " << app->OpenReports();

    // Each notice right after the periodic check has run: a ramp back within a second
    // is then the notice's doing, since the next check is two and a half seconds away.
    struct Notice {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    for (const Notice& notice :
         {Notice{"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE, 32}, Notice{"PBT_APMRESUMEAUTOMATIC", WM_POWERBROADCAST,
                                                                  kResumeAutomatic},
          Notice{"PBT_APMRESUMESUSPEND", WM_POWERBROADCAST, kResumeSuspend},
          Notice{"WTS_SESSION_UNLOCK", kSessionChange, kSessionUnlock},
          Notice{"WTS_CONSOLE_CONNECT", kSessionChange, kConsoleConnect}}) {
        SCOPED_TRACE(notice.name);
        ASSERT_TRUE(program::WriteIdentityRamp());
        ASSERT_TRUE(WaitForRamp(mild, kKeepPromise)) << app->OpenReports();
        ASSERT_TRUE(program::WriteIdentityRamp());
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_TRUE(PostMessageW(windows[0], notice.message, notice.wParam, 0));
        EXPECT_TRUE(WaitForRamp(mild, kNoticePromise)) << "not back within 1 s; " << app->OpenReports();
        EXPECT_LT(std::chrono::steady_clock::now() - sent, kNoticePromise);
    }

    // Turned off in any window, nothing comes back: not periodically, not on a notice.
    ASSERT_NO_FATAL_FAILURE(Command(windows.size() - 1, kKeepLoaded));
    ASSERT_TRUE(program::WriteIdentityRamp());
    ASSERT_TRUE(PostMessageW(windows[0], WM_DISPLAYCHANGE, 32, 0));
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "the ramp came back with keeping turned off";
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramKeeping, LastSelectionOfTwoWindowsWinsAndNeitherFights)
{
    if (monitors.size() < 2)
        GTEST_SKIP() << "needs two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> green = Table(kGreen);

    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_NO_FATAL_FAILURE(Select(1, kGreen, green));
    EXPECT_TRUE(RampStays(green, 10s)) << "the windows fight over the one ramp";

    // Reset from outside, the ramp comes back as the last selection left it.
    ASSERT_TRUE(program::WriteIdentityRamp());
    bool mildSeen = false;
    EXPECT_TRUE(program::WaitFor(
        [&] {
            const std::vector<BYTE> now = program::CurrentTable();
            mildSeen = mildSeen || now == mild;
            return now == green;
        },
        kKeepPromise));
    EXPECT_FALSE(mildSeen) << "the earlier selection's window wrote over the later one's ramp";
    EXPECT_TRUE(RampStays(green, 3s));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- Another writer, and a second copy --------------------------------------------------

// The back-off message for a monitor, from the string table the test carries too.
std::string BackedOffText(const std::string& monitor)
{
    const std::string format = ResourceText(kBackedOffId);
    std::vector<char> text(format.size() + monitor.size() + 1);
    snprintf(text.data(), text.size(), format.c_str(), monitor.c_str());
    return text.data();
}

TEST_F(ProgramKeeping, AnotherWriterMakesItBackOffOnceAndReloadRestores)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));

    // A game or another loader that puts its own ramp back every 100 ms: each time it
    // finds ours there, the program has written it again.
    int rewrites = 0;
    std::vector<HWND> boxes;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 15s) {
        if (program::CurrentTable() != identity)
            ++rewrites;
        ASSERT_TRUE(program::WriteIdentityRamp());
        if (HWND box = FindMessageBox(app->Id()); box && std::find(boxes.begin(), boxes.end(), box) == boxes.end())
            boxes.push_back(box);
        Sleep(100);
    }
    EXPECT_GE(rewrites, 1) << "the program never wrote its ramp again";
    EXPECT_LE(rewrites, 3) << "the program keeps fighting the other writer";
    ASSERT_EQ(boxes.size(), 1u) << "the back-off is told once";
    EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), windows[0]);
    EXPECT_EQ(wintest::WindowText(MessageTextControl(boxes[0])), BackedOffText(monitors[0].deviceString));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
    wintest::ClickButton(boxes[0], IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(boxes[0]));

    // Backed off, it leaves the ramp alone; Reload writes it and keeps it again.
    EXPECT_TRUE(RampStays(identity, kKeepPromise));
    ASSERT_NO_FATAL_FAILURE(Command(0, kReload));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "Reload did not resume the keeping";
}

TEST_F(ProgramKeeping, SecondStartLeavesTheRunningCopyAndLoadAsksItToLoad)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);

    // Started twice (or unzipped twice): the second start shows no window of its own.
    EXPECT_EQ(RunBeside({}, 2s), 0u);
    EXPECT_EQ(app->MonitorWindows(), windows) << "the running copy's windows changed";

    // /load beside it: the running copy loads, so it keeps what it loaded.
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunBeside("/load", program::kTimeout), 0u);
    EXPECT_EQ(program::CurrentTable(), mild);
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "the running copy did not keep the load";
    EXPECT_TRUE(app->IsRunning());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- The window menu's commands ------------------------------------------------------

class ProgramCalibrationMenu : public ProgramKeeping {};

TEST_F(ProgramCalibrationMenu, ResetReloadAndVerifyTellTheRampAsItIs)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> identity = program::IdentityTable();
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));

    // Reset to linear is no ramp to keep.
    ASSERT_NO_FATAL_FAILURE(Command(0, kReset));
    EXPECT_EQ(program::CurrentTable(), identity);
    EXPECT_TRUE(RampStays(identity, kKeepPromise + 1s)) << "the reset ramp was written over";

    ASSERT_NO_FATAL_FAILURE(Command(0, kReload));
    EXPECT_EQ(program::CurrentTable(), mild);

    const std::string monitor = monitors[0].deviceString;
    const auto verify = [&](const std::string& expected) {
        ASSERT_TRUE(PostMessageW(windows[0], WM_SYSCOMMAND, kVerify, 0));
        HWND box = nullptr;
        EXPECT_EQ(WaitForMessageBox(&box), expected);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), windows[0]) << "the answer is not the window's own";
        EXPECT_EQ(wintest::WindowText(box), monitor);
        wintest::ClickButton(box, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(box));
    };
    ASSERT_NO_FATAL_FAILURE(verify("The calibration of \"kv-mild\" is loaded on monitor \"" + monitor + "\"."));

    // With keeping off a reset from outside stays, and Verify says by how much.
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    ASSERT_TRUE(program::WriteIdentityRamp());
    int differing = 0;
    int largest = 0;
    for (size_t i = 0; i < mild.size(); ++i) {
        const int gap = std::abs(int(mild[i]) - int(identity[i]));
        differing += gap != 0 ? 1 : 0;
        largest = std::max(largest, gap);
    }
    ASSERT_GT(differing, 0);
    ASSERT_NO_FATAL_FAILURE(verify("The calibration of \"kv-mild\" is not loaded on monitor \"" + monitor +
                                   "\": " + std::to_string(differing) + " of the 768 entries differ, by up to " +
                                   std::to_string(largest) + "."));
    EXPECT_EQ(program::CurrentTable(), identity);
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// ---- The settings ------------------------------------------------------------------------

class ProgramSettings : public ProgramKeeping {};

TEST_F(ProgramSettings, LoadAtLogonWritesAndRemovesTheRunValueAcrossRestarts)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    // While keeping is on, logon keeps it from the notification area; off, it loads once.
    const std::string command = "\"" + wintest::ProgramExe() + "\" /tray";
    const std::string loadOnce = "\"" + wintest::ProgramExe() + "\" /load";
    const auto runValueIs = [](const std::string& text) {
        return program::WaitFor([&] {
            const RegistryValue value = ReadValue(kRunKey, kRunValue);
            return value.present && value.type == REG_SZ && lstrcmpiA(value.text.c_str(), text.c_str()) == 0;
        });
    };
    const auto runValueGone = [] {
        return program::WaitFor([] { return !ReadValue(kRunKey, kRunValue).present; });
    };

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueIs(command)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";

    // A new run finds it on, so the same command turns it off.
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(windows.size() - 1, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());

    // Any value of that name is on, whatever it runs (a folder that moved): the command
    // removes it.
    ASSERT_TRUE(WriteString(kRunKey, kRunValue, "\"C:\\elsewhere\\kestrava.exe\" /load"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());

    // Turning keeping off and on again rewrites the value in the other form.
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(runValueIs(loadOnce)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(runValueIs(command)) << "now \"" << ReadValue(kRunKey, kRunValue).text << "\"";
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(runValueGone());
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramSettings, KeepLoadedOffOutlivesTheRunAndAStringCountsAsOn)
{
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild}));
    const std::vector<BYTE> mild = Table(kMild);

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Command(0, kKeepLoaded));
    EXPECT_TRUE(program::WaitFor([] {
        const RegistryValue value = ReadValue(kSettingsKey, "KeepLoaded");
        return value.present && value.type == REG_DWORD && value.number == 0;
    }));

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(RampStays(program::IdentityTable(), kKeepPromise + 1s)) << "the setting did not outlive the run";

    // A string where the number belongs is taken for no setting at all: on.
    app.reset();
    ASSERT_TRUE(WriteString(kSettingsKey, "KeepLoaded", "0"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not kept with a string setting; " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

// ---- Staying in the notification area ---------------------------------------------------

constexpr WPARAM kTrayOpen = 0x2010;
constexpr WPARAM kTrayReload = 0x2020;
constexpr WPARAM kTrayReset = 0x2030;
constexpr WPARAM kTrayKeepLoaded = 0x2040;
constexpr WPARAM kTrayLoadAtLogon = 0x2050;
constexpr WPARAM kTrayExit = 0x2060;

// The resident program's own window, which carries the icon's tooltip as its text.
HWND TrayWindowOf(DWORD process)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "KestravaTray", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process)
            return window;
    }
    return nullptr;
}

class ProgramTray : public ProgramKeeping {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramKeeping::SetUp());
        ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
        ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
        mild = Table(kMild);
    }

    std::vector<BYTE> mild;
};

TEST_F(ProgramTray, KeepsTheCalibrationWithoutAWindowAndOpensTheWindowsWhenAsked)
{
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; })) << "no KestravaTray";
    EXPECT_TRUE(WaitForRamp(mild, 2s)) << "not loaded within 2 s; " << app->OpenReports();
    EXPECT_TRUE(program::VisibleDialogsOf(app->Id()).empty());
    // The icon's tooltip, one line per monitor: its profile, and what is done with it.
    const std::string loaded = monitors[0].deviceString + ": " + kMild + ", " + ResourceText(kStateLoadedId);
    std::string tip;
    EXPECT_TRUE(program::WaitFor([&] { return (tip = wintest::WindowText(tray)).find(loaded) == 0; })) << tip;
    EXPECT_LE(tip.size(), 127u);
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not kept; " << app->OpenReports();

    // Open: a window per monitor. Closing one closes them all, and the program stays.
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayOpen, 0));
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size());
    ASSERT_TRUE(PostMessageW(windows[0], WM_CLOSE, 0, 0));
    EXPECT_TRUE(program::WaitFor([&] { return app->MonitorWindows().empty(); })) << "the other windows stayed";
    EXPECT_TRUE(app->IsRunning());

    // A start without a switch opens the resident copy's windows and ends.
    EXPECT_EQ(RunBeside({}, 2s), 0u);
    windows = app->WaitForMonitorWindows(monitors.size());
    ASSERT_EQ(windows.size(), monitors.size());
    // Quit in a window's menu ends the program, icon and all.
    ASSERT_TRUE(PostMessageW(windows[0], WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramTray, TrayBesideACopyWithWindowsMakesItStayAndItsMenuReloadsResetsAndExits)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(RunBeside("/tray", 2s), 0u);
    const HWND tray = TrayWindowOf(app->Id());
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(PostMessageW(windows[0], WM_CLOSE, 0, 0));
    EXPECT_TRUE(program::WaitFor([&] { return app->MonitorWindows().empty(); }));
    EXPECT_TRUE(app->IsRunning()) << "closing its windows ended the resident copy";

    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayReload, 0));
    EXPECT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayReset, 0));
    EXPECT_TRUE(program::WaitFor([] { return program::CurrentTable() == program::IdentityTable(); }));
    EXPECT_TRUE(RampStays(program::IdentityTable(), kKeepPromise)) << "a reset ramp was written again";

    // The menu's settings: logon keeps it resident while keeping is on, loads once
    // otherwise; unchecked, the value goes.
    const std::string exe = "\"" + wintest::ProgramExe() + "\"";
    const auto runValueIs = [](const std::string& text) {
        return program::WaitFor([&] { return ReadValue(kRunKey, kRunValue).text == text; }, 5s);
    };
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayLoadAtLogon, 0));
    EXPECT_TRUE(runValueIs(exe + " /tray")) << ReadValue(kRunKey, kRunValue).text;
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayKeepLoaded, 0));
    EXPECT_TRUE(runValueIs(exe + " /load")) << ReadValue(kRunKey, kRunValue).text;
    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayLoadAtLogon, 0));
    EXPECT_TRUE(program::WaitFor([] { return !ReadValue(kRunKey, kRunValue).present; }, 5s));

    // /tray again: the resident copy stays the one.
    EXPECT_EQ(RunBeside("/tray", 2s), 0u);
    EXPECT_EQ(TrayWindowOf(app->Id()), tray);

    ASSERT_TRUE(PostMessageW(tray, WM_COMMAND, kTrayExit, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramTray, AFailureWithNoWindowOpenIsABalloonNotAReport)
{
    // A current profile whose table is refused (-2): the load fails at start.
    ASSERT_TRUE(store.Install(kTooDark, "kv-aaa.icm"));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent("kv-aaa.icm"));
    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    HWND tray = nullptr;
    ASSERT_TRUE(program::WaitFor([&] { return (tray = TrayWindowOf(app->Id())) != nullptr; }));
    EXPECT_TRUE(program::WaitFor([&] { return wintest::WindowText(tray).find("kv-aaa.icm") != std::string::npos; }))
        << wintest::WindowText(tray);
    EXPECT_FALSE(program::WaitFor([&] { return app->FindReport() != nullptr; }, 3s))
        << "a report opened with no window: " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

TEST_F(ProgramTray, AProgramThatSetsItsOwnRampIsLeftAloneWhileInFront)
{
    // This test's own program stands for a game: listed in PauseFor, its window in front.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string game = path;
    game = game.substr(game.find_last_of('\\') + 1);
    std::vector<wchar_t> list(game.begin(), game.end());
    list.insert(list.end(), {L'\0', L'\0'});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"PauseFor", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                   static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    RegCloseKey(key);

    ASSERT_NO_FATAL_FAILURE(Launch({}, "/tray"));
    ASSERT_TRUE(WaitForRamp(mild)) << app->OpenReports();
    HWND front = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"game", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    ASSERT_TRUE(program::WaitFor([&] { return GetForegroundWindow() == front; }, 2s)) << "the test is not in front";
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_TRUE(RampStays(program::IdentityTable(), 10s)) << "rewritten while the game was in front";
    const HWND tray = TrayWindowOf(app->Id());
    EXPECT_NE(wintest::WindowText(tray).find(game), std::string::npos) << wintest::WindowText(tray);

    DestroyWindow(front);
    EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not back within 5 s of the game's end; " << app->OpenReports();
}

// ---- Monitors that go and come back --------------------------------------------------

class ProgramMonitors : public ProgramKeeping {
protected:
    void TearDown() override
    {
        // The other tests need both monitors, whatever this one left.
        if (program::Monitors().size() < 2) {
            SetSecondOutput(true);
            WaitForMonitorCount(2);
        }
        ProgramKeeping::TearDown();
    }
};

TEST_F(ProgramMonitors, SecondMonitorOffAndOnClosesItsWindowAloneThenOpensANewOne)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kFirst, kMild, kGreen}));
    ASSERT_NO_FATAL_FAILURE(Start());
    // The second window keeps a ramp while its monitor goes: no report may come of it.
    ASSERT_NO_FATAL_FAILURE(Select(1, kGreen, Table(kGreen)));
    const HWND first = windows[0];
    const HWND second = windows[1];

    // Wine tells no window when an X output goes or comes: the program looks by itself
    // every few seconds; told with WM_DISPLAYCHANGE (as Windows tells it) it looks at once.
    const auto turnSecondOff = [&](HWND window, bool tell) {
        ASSERT_TRUE(SetSecondOutput(false)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(1)) << "Wine still shows two monitors";
        if (tell)
            BroadcastDisplayChange();
        EXPECT_TRUE(wintest::WaitUntilGone(window)) << "the gone monitor's window is still open";
        EXPECT_TRUE(app->IsRunning()) << "the program ended with its second window";
        EXPECT_TRUE(IsWindowVisible(first));
    };
    ASSERT_NO_FATAL_FAILURE(turnSecondOff(second, false));

    ASSERT_TRUE(SetSecondOutput(true)) << "xrandr could not be run";
    ASSERT_TRUE(WaitForMonitorCount(2)) << "Wine still shows one monitor";
    std::vector<HWND> now;
    EXPECT_TRUE(program::WaitFor([&] {
        now = app->MonitorWindows();
        return now.size() == 2;
    })) << app->OpenReports();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[0], first);
    const HWND reopened = now[1];
    EXPECT_NE(reopened, second);
    // Visible comes before captioned and placed: the window answers once it is built.
    ASSERT_TRUE(program::Send(reopened, WM_NULL, 0, 0));
    const Monitor back = program::Monitors()[1];
    EXPECT_EQ(wintest::WindowText(reopened), back.deviceString);
    const RECT rect = program::WindowRect(reopened);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    EXPECT_TRUE(PtInRect(&back.rect, centre)) << program::Describe(rect) << " on " << program::Describe(back.rect);
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();

    // The main window gone with its monitor, Quit in the remaining one still ends it all.
    ASSERT_NO_FATAL_FAILURE(turnSecondOff(reopened, true));
    ASSERT_TRUE(PostMessageW(first, WM_COMMAND, program::kQuitCommand, 0));
    DWORD code = 1234;
    EXPECT_TRUE(app->WaitForExit(code, 5s)) << "Quit closed nothing once the main window had gone";
    EXPECT_EQ(code, 0u);
}

TEST_F(ProgramMonitors, ReturningMonitorIsCalibratedAgainAndKeepsOneWindowThroughTenReturns)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    ASSERT_NO_FATAL_FAILURE(Install({kMild, kValid}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(kMild));
    ASSERT_EQ(program::FirstProfileOf(monitors[1].deviceId), kMild);
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<BYTE> mild = Table(kMild);

    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE("return " + std::to_string(round));
        ASSERT_TRUE(SetSecondOutput(false)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(1)) << "Wine still shows two monitors";
        ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 1; })) << app->OpenReports();
        // A monitor comes back with the ramp the system put there.
        ASSERT_TRUE(program::WriteIdentityRamp());
        ASSERT_TRUE(SetSecondOutput(true)) << "xrandr could not be run";
        ASSERT_TRUE(WaitForMonitorCount(2)) << "Wine still shows one monitor";
        EXPECT_TRUE(WaitForRamp(mild, kKeepPromise)) << "not calibrated within 5 s of its return; "
                                                     << app->OpenReports();
        ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 2; })) << app->OpenReports();
        ASSERT_TRUE(app->IsRunning());
    }

    // A burst of display-change notices is answered at once and costs one look.
    for (int notice = 0; notice < 1000; ++notice)
        PostMessageW(windows[0], WM_DISPLAYCHANGE, 32, 0);
    EXPECT_TRUE(program::Send(windows[0], WM_NULL, 0, 0)) << "the burst hung the program";
    EXPECT_FALSE(program::WaitFor([&] { return app->MonitorWindows().size() != 2; }, 3s));
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

TEST_F(ProgramMonitors, MonitorThatGoesAndComesUnderTheReportOfItsNewWindowGetsOneWindow)
{
    if (monitors.size() != 2)
        GTEST_SKIP() << "needs the test bed's two monitors";
    // With no profile at all each window reports while it is built (505).
    ASSERT_TRUE(store.ParkEverything());
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (size_t built = 1; built <= 2; ++built) {
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << "no report while building window " << built;
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
    ASSERT_EQ(app->WaitForMonitorWindows(2).size(), 2u);

    ASSERT_TRUE(SetSecondOutput(false));
    ASSERT_TRUE(WaitForMonitorCount(1));
    ASSERT_TRUE(program::WaitFor([&] { return app->MonitorWindows().size() == 1; })) << app->OpenReports();
    ASSERT_TRUE(SetSecondOutput(true));
    ASSERT_TRUE(WaitForMonitorCount(2));
    const HWND report = app->WaitForReport();
    ASSERT_NE(report, nullptr) << "the returning monitor's window did not report";

    // While its new window's report is open, the monitor goes and comes once more, and
    // Windows would tell of each change.
    ASSERT_TRUE(SetSecondOutput(false));
    ASSERT_TRUE(WaitForMonitorCount(1));
    BroadcastDisplayChange();
    ASSERT_TRUE(SetSecondOutput(true));
    ASSERT_TRUE(WaitForMonitorCount(2));
    BroadcastDisplayChange();
    Sleep(3000);
    EXPECT_EQ(app->Reports().size(), 1u) << "a look at the desktop ran inside the report: " << app->OpenReports();

    wintest::ClickButton(report, IDOK);
    ASSERT_TRUE(wintest::WaitUntilGone(report));
    EXPECT_FALSE(program::WaitFor([&] { return app->MonitorWindows().size() != 2 || app->FindReport(); }, 5s))
        << app->MonitorWindows().size() << " windows; " << app->OpenReports();
    EXPECT_TRUE(app->IsRunning());
}

}  // namespace

// ---- Tables of other forms -------------------------------------------------------------

namespace {

constexpr WPARAM kExtendedTables = 0x1060;
const char* const k1024 = "kv-1024.icm";            // 16-bit, 1024 entries: resampled
const char* const kMono = "kv-16bit-mono.icm";      // 16-bit, one channel for all three
const char* const kFormula = "kv-formula22.icm";    // gamma 2.2
const char* const kDark16 = "kv-16bit-dark.icm";    // refused as too dark (-2, report 215)
const char* const kBadCount = "kv-badcount.icm";    // count and size disagree (24, report 214)

// The ramp's high bytes (what the X server keeps) for a tag of any form, by the
// program's own decoder, which the host tests hold to LittleCMS's curves.
std::vector<BYTE> DecodedTable(const std::string& path)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
    HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!profile)
        return {};
    DWORD size = 0;
    BOOL reference = FALSE;
    GetColorProfileElement(profile, 0x76636774, 0, &size, nullptr, &reference);
    std::vector<uint8_t> tag(size);
    const bool read = size != 0 && GetColorProfileElement(profile, 0x76636774, 0, &size, tag.data(), &reference);
    CloseColorProfile(profile);
    HardwareRamp ramp{};
    if (!read || DecodeVcgt(tag.data(), tag.size(), ramp).fault != VcgtFault::None)
        return {};
    std::vector<BYTE> table;
    for (const uint16_t* channel : {ramp.red, ramp.green, ramp.blue})
        for (size_t i = 0; i < 256; ++i)
            table.push_back(static_cast<BYTE>(channel[i] >> 8));
    return table;
}

class ProgramExtendedTables : public ProgramKeeping {
protected:
    // Clicks a row that the program refuses and checks the report's message.
    void SelectRefused(const char* file, const std::string& says)
    {
        const HWND list = List(0);
        const std::string stem = std::string(file).substr(0, std::string(file).rfind('.'));
        ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, stem))) << stem;
        const HWND report = app->WaitForReport();
        ASSERT_NE(report, nullptr) << stem << ": no report";
        const std::string message = wintest::ControlText(report, program::kReportMessageId);
        EXPECT_NE(message.find(says), std::string::npos) << message;
        wintest::ClickButton(report, IDOK);
        ASSERT_TRUE(wintest::WaitUntilGone(report));
    }
};

}  // namespace

TEST_F(ProgramExtendedTables, OffTheyAreRefusedAsToldOnTheyLoadAndTheSettingOutlivesTheRun)
{
    ASSERT_NO_FATAL_FAILURE(Install({k1024, kMono, kFormula, kDark16, kBadCount, kMild}));
    const std::vector<BYTE> mild = Table(kMild);
    const std::vector<BYTE> resampled = DecodedTable(store.PathOf(k1024));
    const std::vector<BYTE> mono = DecodedTable(store.PathOf(kMono));
    const std::vector<BYTE> formula = DecodedTable(store.PathOf(kFormula));
    ASSERT_EQ(resampled.size(), 768u);
    ASSERT_EQ(mono.size(), 768u);
    ASSERT_EQ(formula.size(), 768u);

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(0, kMild, mild));
    // Off, as when nothing was ever set: the length is refused (211) and the ramp stays.
    ASSERT_NO_FATAL_FAILURE(SelectRefused(k1024, "is an unexpected length. Please select another profile. (24)"));
    EXPECT_EQ(program::CurrentTable(), mild);

    ASSERT_NO_FATAL_FAILURE(Command(0, kExtendedTables));
    EXPECT_TRUE(program::WaitFor([] {
        const RegistryValue value = ReadValue(kSettingsKey, "ExtendedTables");
        return value.present && value.type == REG_DWORD && value.number == 1;
    }));
    ASSERT_NO_FATAL_FAILURE(Select(0, kMono, mono));
    ASSERT_NO_FATAL_FAILURE(Select(0, kFormula, formula));
    ASSERT_NO_FATAL_FAILURE(Select(0, k1024, resampled));
    ASSERT_NO_FATAL_FAILURE(SelectRefused(kDark16, "appears to be bad"));
    ASSERT_NO_FATAL_FAILURE(SelectRefused(kBadCount, "contains unexpected values"));
    EXPECT_EQ(program::CurrentTable(), resampled) << "a refused table reached the ramp";

    // A new run reads the setting back: the logon load takes the first listed profile,
    // kv-1024, as every monitor's current one.
    app.reset();
    ASSERT_TRUE(program::WriteIdentityRamp());
    EXPECT_EQ(RunWithoutWindows("/load"), 0u);
    EXPECT_EQ(program::CurrentTable(), resampled);
}
