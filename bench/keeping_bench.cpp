// Win32 only. What keeping the calibration true costs, each part against a yardstick
// measured in the same run, on the test bed tools/bench.sh pins to one CPU. A benchmark,
// not a test: it prints numbers and verdicts and fails only when a run did not do its
// work or the setting up went wrong.
//
//   kestrava_keeping_bench.exe [--rounds R] [--idle-seconds S] [--fight-seconds F]
//                              [--soak-cycles C]
//
// start-up:   `kestrava.exe` with the test bed's two monitors, spawn to both monitor
//             windows shown, against bare_start.exe, which makes the same platform calls
//             up to them and nothing else; each then closed and waited for, untimed;
//             runs alternate ABBA, medians of R each. Limit 1.1x.
// logon load: `kestrava.exe /load` with the test bed's two monitors, spawn to exit,
//             against bare_load.exe, which makes the same platform calls and nothing
//             else; runs alternate ABBA, medians of R each. Limit 1.1x.
// tooltip:    the diagnosis of one row (DiagnoseProfile, then DescribeVerdict) against
//             the bare open, tag size, 786-byte read and close of the same profile;
//             batches of 200 alternate ABBA, medians of R each. Limit 1.2x.
// idle:       the CPU time a running kestrava.exe with two windows spends in S seconds
//             (default 60), per minute: with nothing kept yet, then with both windows
//             keeping a ramp, which is the periodic read-back's cost. Limit 60 ms per
//             minute. The time wineserver and the X server spend meanwhile is shown
//             beside it, read from Linux's /proc through Wine's Z: drive.
// fight:      a new program, both windows keeping a ramp, against the bench as another
//             writer that puts the linear ramp back every 100 ms for F seconds
//             (default 60); a ramp it finds not linear just before its write is one the
//             program wrote again. The program's rewrites over the fight (limit 3: the
//             third change from outside within a minute backs it off), then its CPU time
//             per minute from the first 5 s without a rewrite to the end, its back-off
//             message boxes left open (limit 60 ms per minute).
//
// The resident program and its soak are resident_bench.cpp's; C is its. The profiles it
// runs on are kept_profiles.h's.
#include "bench_util.h"
#include "kept_profiles.h"
#include "process_meter.h"
#include "cms/calibration_check.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "support/program_driver.h"
#include "support/win_test_util.h"

#include <windows.h>
#include <icm.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr double kRatioLimit = 1.2;
constexpr double kStartRatioLimit = 1.1;
constexpr double kIdleLimitMsPerMinute = 60;
constexpr int kDiagnosesPerBatch = 200;
constexpr int kRewriteLimit = 3;
constexpr int kFightStepMs = 100;
constexpr double kQuietMs = 5000;
constexpr DWORD kTagVcgt = 0x76636774;
constexpr DWORD kTableSize = 786;
// ---- The start-up, spawn to both windows shown --------------------------------------

// The monitor windows a started process has shown, and when the last of those wanted
// showed. Wine tells another process of a window's creation and of the focus, not of
// its showing: a monitor window is known shown when the focus goes into it, which the
// dialog manager gives it once it is shown and filled, the program's and the bare
// program's alike.
struct ShownWindows {
    size_t wanted = 0;
    const Stopwatch* since = nullptr;
    std::vector<HWND> windows;
    double ms = -1;
};
ShownWindows* g_shown = nullptr;

// A monitor window is a top-level window holding the profile list: the program's, and
// the bare program's made from the same template.
void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND focused, LONG, LONG, DWORD, DWORD)
{
    const HWND window = focused ? GetAncestor(focused, GA_ROOT) : nullptr;
    if (!g_shown || !window || !GetDlgItem(window, IDC_PROFILE_LIST) ||
        std::find(g_shown->windows.begin(), g_shown->windows.end(), window) != g_shown->windows.end())
        return;
    g_shown->windows.push_back(window);
    if (g_shown->windows.size() == g_shown->wanted)
        g_shown->ms = g_shown->since->Ms();
}

// Spawn to the wanted number of monitor windows shown; then the first is closed, which
// ends either program, and the process waited for, untimed.
double TimeToWindows(const std::string& exe, size_t wanted)
{
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::string commandLine = "\"" + exe + "\"";
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const Stopwatch watch;
    ShownWindows shown;
    shown.wanted = wanted;
    shown.since = &watch;
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.c_str(), &startup, &info))
        Fail("cannot start " + exe);
    wintest::HandleOwner process(info.hProcess);
    wintest::HandleOwner thread(info.hThread);
    g_shown = &shown;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                                               info.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
    ResumeThread(thread.Get());
    const HANDLE ended = process.Get();
    while (shown.ms < 0 && watch.Ms() < 30000 &&
           MsgWaitForMultipleObjects(1, &ended, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0)
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    if (hook)
        UnhookWinEvent(hook);
    g_shown = nullptr;
    if (shown.ms < 0) {
        TerminateProcess(process.Get(), 99);
        Fail(exe + " did not show " + std::to_string(wanted) + " monitor windows within 30 s");
    }
    if (!PostMessageW(shown.windows.front(), WM_CLOSE, 0, 0) ||
        WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 99);
        Fail(exe + " did not end within 30 s of its window's closing");
    }
    return shown.ms;
}

// Ratio of the program's median to the bare one's.
double StartUp(int rounds)
{
    const std::string program = wintest::ProgramExe();
    const std::string bare = wintest::WinePath(KESTRAVA_BARE_START_EXE);
    const size_t monitors = program::Monitors().size();
    if (monitors != 2)
        Fail("the test bed shows " + std::to_string(monitors) + " monitors, not two");
    TimeToWindows(program, monitors);   // the first start of each loads its DLLs from disk
    TimeToWindows(bare, monitors);
    std::vector<double> programMs;
    std::vector<double> bareMs;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            programMs.push_back(TimeToWindows(program, monitors));
            bareMs.push_back(TimeToWindows(bare, monitors));
        } else {
            bareMs.push_back(TimeToWindows(bare, monitors));
            programMs.push_back(TimeToWindows(program, monitors));
        }
    }
    std::printf("start-up, two monitors, spawn to both windows shown (the focus in each), ms per run:\n");
    const double programMedian = Report("program", programMs, "ms");
    const double bareMedian = Report("bare", bareMs, "ms");
    return programMedian / bareMedian;
}

// ---- The logon load, spawn to exit ------------------------------------------------

double TimeRun(const std::string& exe, const std::string& arguments, DWORD& code)
{
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    Stopwatch watch;
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        Fail("cannot start " + exe);
    wintest::HandleOwner process(info.hProcess);
    wintest::HandleOwner thread(info.hThread);
    if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 99);
        Fail(commandLine + " did not end within 30 s");
    }
    const double ms = watch.Ms();
    if (!GetExitCodeProcess(process.Get(), &code))
        Fail("no exit code from " + exe);
    return ms;
}

// Ratio of the program's median to the bare one's.
double LogonLoad(const KeptProfiles& profiles, int rounds)
{
    const std::string program = wintest::ProgramExe();
    const std::string bare = wintest::WinePath(KESTRAVA_BARE_LOAD_EXE);
    const std::vector<BYTE> mild = CurrentProfileTable(profiles);
    if (program::Monitors().size() != 2)
        Fail("the test bed shows " + std::to_string(program::Monitors().size()) + " monitors, not two");

    // Each run starts from the linear ramp and must leave the current profile's table.
    const auto once = [&](const std::string& exe, const char* arguments) {
        if (!program::WriteIdentityRamp())
            Fail("cannot reset the ramp");
        DWORD code = 1234;
        const double ms = TimeRun(exe, arguments, code);
        if (code != 0)
            Fail(exe + " " + arguments + " exited with " + std::to_string(code));
        if (program::CurrentTable() != mild)
            Fail(exe + " " + arguments + " did not leave the current profile's table in the ramp");
        return ms;
    };
    once(program, "/load");   // the first start of each loads its DLLs from disk
    once(bare, "");
    std::vector<double> programMs;
    std::vector<double> bareMs;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            programMs.push_back(once(program, "/load"));
            bareMs.push_back(once(bare, ""));
        } else {
            bareMs.push_back(once(bare, ""));
            programMs.push_back(once(program, "/load"));
        }
    }
    std::printf("logon load, two monitors, spawn to exit, ms per run:\n");
    const double programMedian = Report("/load", programMs, "ms");
    const double bareMedian = Report("bare", bareMs, "ms");
    return programMedian / bareMedian;
}

// ---- The tooltip's diagnosis of one row ----------------------------------------------

// Open, tag size, 786-byte read, close: what a diagnosis cannot do without.
bool BareRead(const std::string& path)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
    HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!profile)
        return false;
    BYTE tag[kTableSize];
    DWORD size = 0;
    BOOL reference = FALSE;
    GetColorProfileElement(profile, kTagVcgt, 0, &size, nullptr, &reference);
    const bool read = size == kTableSize && GetColorProfileElement(profile, kTagVcgt, 0, &size, tag, &reference);
    CloseColorProfile(profile);
    return read;
}

double Tooltip(const KeptProfiles& profiles, int rounds)
{
    const std::string path = profiles.PathOf(kCurrentCopy);
    const std::string expected = GetResourceString(IDS_TIP_LOADS);
    const auto program = [&] {
        Stopwatch watch;
        for (int i = 0; i < kDiagnosesPerBatch; ++i) {
            const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str());
            if (DescribeVerdict(diagnosis) != expected)
                Fail("the tooltip of " + path + " reads \"" + DescribeVerdict(diagnosis) + "\"");
        }
        return watch.Ms() * 1000.0 / kDiagnosesPerBatch;
    };
    const auto bare = [&] {
        Stopwatch watch;
        for (int i = 0; i < kDiagnosesPerBatch; ++i)
            if (!BareRead(path))
                Fail("the bare calls cannot read the table of " + path);
        return watch.Ms() * 1000.0 / kDiagnosesPerBatch;
    };
    program();
    bare();
    std::vector<double> programUs;
    std::vector<double> bareUs;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            programUs.push_back(program());
            bareUs.push_back(bare());
        } else {
            bareUs.push_back(bare());
            programUs.push_back(program());
        }
    }
    std::printf("tooltip diagnosis of one row, us per row (batches of %d):\n", kDiagnosesPerBatch);
    const double programMedian = Report("diagnosis", programUs, "us");
    const double bareMedian = Report("bare", bareUs, "us");
    return programMedian / bareMedian;
}

// Starts the program and waits for its two windows, settled: the start-up's own work
// is no part of what is measured.
std::vector<HWND> StartWithTwoWindows(program::RunningProgram& app)
{
    std::string error;
    if (!app.Start(error))
        Fail(error);
    const std::vector<HWND> windows = app.WaitForMonitorWindows(2);
    if (windows.size() != 2 || app.FindReport())
        Fail("the program did not open two windows: " + app.OpenReports());
    Sleep(2000);
    return windows;
}

// Selects the green copy in each window, which keeps it from then on; its table.
std::vector<BYTE> KeepGreen(const program::RunningProgram& app, const std::vector<HWND>& windows,
                            const KeptProfiles& profiles)
{
    const std::vector<BYTE> green = program::CalibrationTable(profiles.PathOf(kSelectedCopy));
    for (HWND window : windows) {
        const HWND list = GetDlgItem(window, IDC_PROFILE_LIST);
        if (!program::ClickRow(list, program::RowOf(list, kSelectedRow)) || !program::Flush(list))
            Fail("cannot select " + std::string(kSelectedRow));
    }
    if (!program::WaitFor([&] { return program::CurrentTable() == green; }) || app.FindReport())
        Fail("the selection did not reach the ramp: " + app.OpenReports());
    Sleep(2000);
    return green;
}

// The idle cost with both windows keeping a ramp.
IdleCost Idle(const KeptProfiles& profiles, int seconds)
{
    program::RunningProgram app;
    const std::vector<HWND> windows = StartWithTwoWindows(app);

    std::printf("idle program with two windows, CPU time over %d s:\n", seconds);
    PrintIdle("nothing kept yet", MeasureIdle(app.Id(), seconds));

    const std::vector<BYTE> green = KeepGreen(app, windows, profiles);
    const IdleCost keeping = MeasureIdle(app.Id(), seconds);
    PrintIdle("both windows keeping a ramp", keeping);

    CheckKept(green, "the windows were not keeping their ramp");
    return keeping;
}

// ---- Another writer ----------------------------------------------------------------

struct FightResult {
    int rewrites = 0;
    double quietSeconds = 0;   // from the first 5 s without a rewrite to the end; 0 for none
    IdleCost quiet;
    size_t boxes = 0;          // back-off message boxes open at the end
};

// The program's open message boxes that say it backed off (the text before the
// monitor's name), owned by one of its windows.
std::vector<HWND> BackOffBoxes(const program::RunningProgram& app, const std::vector<HWND>& windows)
{
    const std::string backedOff = GetResourceString(IDS_BACKED_OFF);
    const std::string opening = backedOff.substr(0, backedOff.find("%s"));
    std::vector<HWND> boxes;
    for (HWND box : program::VisibleDialogsOf(app.Id()))
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (wintest::WindowText(child).rfind(opening, 0) == 0 &&
                std::find(windows.begin(), windows.end(), GetWindow(box, GW_OWNER)) != windows.end())
                boxes.push_back(box);
    return boxes;
}

FightResult Fight(const KeptProfiles& profiles, int seconds)
{
    program::RunningProgram app;
    const std::vector<HWND> windows = StartWithTwoWindows(app);
    KeepGreen(app, windows, profiles);

    program::Ramp linear = LinearRamp();
    const std::vector<BYTE> linearTable = program::HighBytes(linear);
    // One device context for the whole fight: between a read and the write after it
    // there is only the server's round trip, too short for a rewrite to fall in unseen.
    const wintest::DcOwner dc = RampDc();
    FightResult result;
    std::optional<CpuMark> quiet;
    double lastRewriteMs = 0;
    const Stopwatch watch;
    for (int step = 0; step < seconds * 1000 / kFightStepMs; ++step) {
        program::Ramp ramp{};
        if (!GetDeviceGammaRamp(dc.Get(), &ramp))
            Fail("cannot read the ramp");
        // The first step finds the selection's ramp, which no rewrite put there.
        if (step > 0 && program::HighBytes(ramp) != linearTable) {
            ++result.rewrites;
            lastRewriteMs = watch.Ms();
            quiet.reset();
        }
        if (!SetDeviceGammaRamp(dc.Get(), &linear))
            Fail("cannot reset the ramp");
        if (!quiet && watch.Ms() - lastRewriteMs >= kQuietMs)
            quiet = Mark(app.Id());
        const double wait = (step + 1) * kFightStepMs - watch.Ms();
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
    }
    if (result.rewrites == 0)
        Fail("the windows were not keeping their ramp");
    if (app.FindReport())
        Fail("the program reported during the fight: " + app.OpenReports());
    if (quiet) {
        result.quietSeconds = quiet->watch.Ms() / 1000.0;
        result.quiet = CostSince(app.Id(), *quiet);
        // The bench's own reads and writes are in the servers' time: no cost of the program's.
        result.quiet.serversMsPerMinute = -1;
    }
    const std::vector<HWND> boxes = BackOffBoxes(app, windows);
    result.boxes = boxes.size();

    std::printf("another writer resetting the ramp every %d ms for %d s:\n", kFightStepMs, seconds);
    std::printf("  %-44s %d (limit %d)%s\n", "rewrites by the program", result.rewrites, kRewriteLimit,
                result.rewrites > kRewriteLimit ? ", over the limit" : "");
    std::printf("  %-44s %zu\n", "back-off message boxes open", result.boxes);
    if (quiet)
        PrintIdle(("after backing off, CPU time over " + std::to_string(static_cast<int>(result.quietSeconds)) +
                   " s").c_str(),
                  result.quiet);
    else
        std::printf("  never 5 s without a rewrite\n");
    for (HWND box : boxes)
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    return result;
}

int Run(int argc, char** argv)
{
    const KeepingOptions options = ParseKeepingOptions(argc, argv, "kestrava_keeping_bench");
    const int rounds = options.rounds;
    KeptProfiles profiles(ColorDirectory());
    std::printf("keeping the calibration: %d rounds per comparison, alternating, medians\n\n", rounds);
    std::fflush(stdout);
    const double tooltip = Tooltip(profiles, rounds);
    const double start = StartUp(rounds);
    const double logon = LogonLoad(profiles, rounds);
    const IdleCost idle = Idle(profiles, options.idleSeconds);
    const FightResult fight = Fight(profiles, options.fightSeconds);
    program::WriteIdentityRamp();

    std::printf("\nverdict: start-up to both windows against the bare calls %.2fx (limit %.1f): %s; /load against "
                "the bare calls %.2fx (limit %.1f): %s; tooltip diagnosis against the bare read %.2fx (limit %.1f): "
                "%s; idle with both windows keeping %.1f ms of CPU per minute (limit %.0f): %s; another writer's "
                "fight %d rewrites (limit %d): %s, then %.1f ms of CPU per minute (limit %.0f): %s\n",
                start, kStartRatioLimit, start <= kStartRatioLimit ? "yes" : "NO", logon, kStartRatioLimit,
                logon <= kStartRatioLimit ? "yes" : "NO", tooltip, kRatioLimit, tooltip <= kRatioLimit ? "yes" : "NO",
                idle.programMsPerMinute, kIdleLimitMsPerMinute,
                idle.programMsPerMinute < kIdleLimitMsPerMinute ? "yes" : "NO", fight.rewrites, kRewriteLimit,
                fight.rewrites <= kRewriteLimit ? "yes" : "NO", fight.quiet.programMsPerMinute, kIdleLimitMsPerMinute,
                fight.quietSeconds > 0 && fight.quiet.programMsPerMinute < kIdleLimitMsPerMinute ? "yes" : "NO");
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return bench::Main("kestrava_keeping_bench", [&](RecordingPresenter&) { return Run(argc, argv); });
}
