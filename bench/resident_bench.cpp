// Win32 only. What the resident program costs, each part against a yardstick measured in
// the same run, on the test bed tools/bench.sh pins to one CPU. A benchmark, not a test:
// it prints numbers and verdicts and fails only when a run did not do its work or the
// setting up went wrong.
//
//   kestrava_resident_bench.exe [--rounds R] [--idle-seconds S] [--fight-seconds F]
//                               [--soak-cycles C]
//
// It takes the keeping bench's command line (kept_profiles.h) and uses S and C of it.
//
// resident:   `kestrava.exe /tray`, both monitors keeping the current profile: its CPU
//             time per minute over S idle seconds (default 60; limit 20 ms per minute),
//             and its working set after 5 s of idling against bare_tray.exe's, a hidden
//             window with a notification icon idling as long (limit 1.5x; private bytes
//             shown beside it).
// soak:       C cycles (default 2000) through the same copy: a display change, a resume
//             and an unlock sent to its window, the linear ramp written from outside,
//             and Reload, each answered before the next. Its handles, GDI and USER
//             objects, working set and private bytes must end within 2% of where they
//             stood after cycle 100 (or within 2 of a count whose 2% is less), and the
//             ramp hold the current profile's table after every Reload and at the end.
//
// The profiles it runs on are kept_profiles.h's.
#include "bare_programs.h"
#include "bench_util.h"
#include "kept_profiles.h"
#include "process_meter.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"
#include "support/program_driver.h"
#include "support/win_test_util.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bench;

// The resident program's limits, and how long it idles before its memory is read.
constexpr double kResidentIdleLimitMsPerMinute = 20;
constexpr double kMemoryRatioLimit = 1.5;
constexpr DWORD kSettleMs = 5000;

// Starts a program that shows no window, and waits for its hidden one to answer from
// the message loop.
HWND StartResident(program::RunningProgram& app, const std::string& exe, const std::string& arguments,
                   const char* windowClass)
{
    std::string error;
    if (!app.Start(error, exe, arguments))
        Fail(error);
    HWND window = nullptr;
    program::WaitFor([&] { return (window = program::TopWindowOf(windowClass, app.Id())) != nullptr || !app.IsRunning(); });
    if (!window || !program::Send(window, WM_NULL, 0, 0))
        Fail(exe + " " + arguments + " shows no " + windowClass + " window: " + app.OpenReports());
    return window;
}

// Asks it to end; the driver ends it by force when that does not do, and the output says so.
void EndResident(program::RunningProgram& app, HWND window, UINT message, WPARAM wParam)
{
    const std::string name = wintest::ClassName(window);
    DWORD code = 0;
    if (!PostMessageW(window, message, wParam, 0) || !app.WaitForExit(code, std::chrono::seconds(5)))
        std::printf("  the %s program did not end within 5 s of being asked\n", name.c_str());
}


// The soak's limits: how far a holding may drift from where it stood after the
// reference cycle, or how many a small count may move.
constexpr double kSoakDrift = 0.02;
constexpr double kSoakCountSlack = 2;
constexpr int kSoakReferenceCycle = 100;

// One row of the soak's table: a quantity, and how far it may move from the reference:
// 2% of it, or an absolute slack where 2% of a small count is less than that.
struct Quantity {
    const char* name;
    double Holdings::*value;
    double slack;
};

const Quantity kQuantities[] = {
    {"handles", &Holdings::handles, kSoakCountSlack},
    {"GDI objects", &Holdings::gdiObjects, kSoakCountSlack},
    {"USER objects", &Holdings::userObjects, kSoakCountSlack},
    {"working set KB", &Holdings::workingSetKb, 0},
    {"private bytes KB", &Holdings::privateKb, 0},
};

struct SoakResult {
    int cycles = 0;
    double msPerCycle = 0;
    std::vector<int> sampledAt;   // the reference cycle first, the last one last
    std::vector<Holdings> held;
    int missedReloads = 0;        // Reloads after which the ramp held another table
    bool keptAtEnd = false;
    std::string drifted;          // what ended outside its limit
    std::string unanswered;       // the counts the system did not give
};

// One cycle, each message answered before the next; Reload writes before it answers,
// so the ramp read just after it is its work. False when a message went unanswered.
bool SoakCycle(HWND tray, HDC dc, program::Ramp& linear, const std::vector<BYTE>& table, SoakResult& result)
{
    const LPARAM screen = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (!program::Send(tray, WM_DISPLAYCHANGE, 32, screen) ||
        !program::Send(tray, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0) ||
        !program::Send(tray, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0))
        return false;
    if (!SetDeviceGammaRamp(dc, &linear))
        Fail("cannot reset the ramp");
    if (!program::Send(tray, WM_COMMAND, IDM_TRAY_RELOAD, 0))
        return false;
    program::Ramp ramp{};
    if (!GetDeviceGammaRamp(dc, &ramp))
        Fail("cannot read the ramp");
    if (program::HighBytes(ramp) != table)
        ++result.missedReloads;
    return true;
}

// The cycles after which the holdings are taken: the reference (cycle 100, or half a
// shorter soak), then each quarter of the soak.
std::vector<int> SamplePoints(int cycles)
{
    std::vector<int> points{std::min(kSoakReferenceCycle, std::max(1, cycles / 2))};
    for (int quarter = 1; quarter <= 4; ++quarter)
        if (cycles * quarter / 4 > points.back())
            points.push_back(cycles * quarter / 4);
    return points;
}

void PrintSoak(const SoakResult& result)
{
    std::printf("a soak of %d cycles (display change, resume, unlock, linear ramp from outside, Reload), "
                "%.1f ms per cycle:\n",
                result.cycles, result.msPerCycle);
    std::printf("  %-28s", "after cycle");
    for (int cycle : result.sampledAt)
        std::printf(" %9d", cycle);
    std::printf("   limit against cycle %d\n", result.sampledAt.front());
    for (const Quantity& quantity : kQuantities) {
        const double reference = result.held.front().*quantity.value;
        std::printf("  %-28s", quantity.name);
        if (reference <= 0) {
            std::printf(" not answered\n");
            continue;
        }
        for (const Holdings& held : result.held)
            std::printf(" %9.0f", held.*quantity.value);
        if (reference * kSoakDrift < quantity.slack)
            std::printf("   within %.0f (2%% of %.0f is less)\n", quantity.slack, reference);
        else
            std::printf("   within 2%% (%.0f)\n", reference * kSoakDrift);
    }
    std::printf("  %-28s %d of %d\n", "Reloads missing the table", result.missedReloads, result.cycles);
    std::printf("  %-28s %s\n", "the ramp at the end",
                result.keptAtEnd ? "the current profile's table" : "NOT the current profile's table");
    std::fflush(stdout);
}

// Each holding taken once the program has had a second to itself: a display change's
// own look at the desktop follows it by a moment, and counts with it.
SoakResult Soak(const program::RunningProgram& app, HWND tray, const std::vector<BYTE>& table, int cycles)
{
    SoakResult result;
    result.cycles = cycles;
    result.sampledAt = SamplePoints(cycles);
    program::Ramp linear = LinearRamp();
    const wintest::DcOwner dc = RampDc();
    double cyclingMs = 0;
    size_t next = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const Stopwatch watch;
        if (!SoakCycle(tray, dc.Get(), linear, table, result))
            Fail("the resident program did not answer in cycle " + std::to_string(cycle));
        cyclingMs += watch.Ms();
        if (cycle == result.sampledAt[next]) {
            Sleep(1000);
            if (!program::Send(tray, WM_NULL, 0, 0))
                Fail("the resident program did not answer after cycle " + std::to_string(cycle));
            result.held.push_back(HoldingsOf(app.Process()));
            ++next;
        }
    }
    result.msPerCycle = cyclingMs / cycles;
    result.keptAtEnd = program::WaitFor([&] { return program::CurrentTable() == table; }, std::chrono::seconds(5));
    if (app.FindReport())
        Fail("the program reported during the soak: " + app.OpenReports());

    for (const Quantity& quantity : kQuantities) {
        const double reference = result.held.front().*quantity.value;
        const double last = result.held.back().*quantity.value;
        if (reference <= 0)
            result.unanswered += std::string(result.unanswered.empty() ? "" : ", ") + quantity.name;
        else if (std::abs(last - reference) > std::max(reference * kSoakDrift, quantity.slack))
            result.drifted += std::string(result.drifted.empty() ? "" : ", ") + quantity.name;
    }
    PrintSoak(result);
    return result;
}

struct ResidentResult {
    IdleCost idle;
    double memoryRatio = 0;
    SoakResult soak;
};

void PrintMemory(const char* what, double program, double bare, const char* limit)
{
    if (program <= 0 || bare <= 0)
        std::printf("  %-28s not answered\n", what);
    else
        std::printf("  %-28s program %7.0f KB   bare %7.0f KB   %.2fx%s\n", what, program, bare, program / bare, limit);
}

ResidentResult Resident(const KeptProfiles& profiles, int idleSeconds, int soakCycles)
{
    const std::vector<BYTE> table = CurrentProfileTable(profiles);
    Holdings bare;
    {
        program::RunningProgram app;
        const HWND window = StartResident(app, wintest::WinePath(KESTRAVA_BARE_TRAY_EXE), "", KESTRAVA_BARE_TRAY_CLASS);
        Sleep(kSettleMs);
        bare = HoldingsOf(app.Process());
        EndResident(app, window, WM_CLOSE, 0);
    }

    program::RunningProgram app;
    const HWND tray = StartResident(app, wintest::ProgramExe(), "/tray", KESTRAVA_PROGRAM_CLASS);
    if (!program::WaitFor([&] { return program::CurrentTable() == table; }))
        Fail("/tray did not load the current profile's table: " + app.OpenReports());
    // Its tooltip, one line per monitor (its name, then this), says when both are loaded
    // and kept: the ramp, which the monitors share under Wine, holds the table from the
    // first one's load on.
    const std::string state = GetResourceString(IDS_STATE_LOADED);
    const std::string loaded = FormatWhole(GetResourceString(IDS_TRAY_LINE), "", state.c_str(), kCurrentCopy);
    std::string tip;
    const auto lines = [&] {
        size_t count = 0;
        for (size_t at = tip.find(loaded); at != std::string::npos; at = tip.find(loaded, at + 1))
            ++count;
        return count;
    };
    const bool both = program::WaitFor([&] {
        tip = wintest::WindowText(tray);
        return lines() == 2;
    });
    if (!both)
        Fail("the resident program's tooltip does not say both monitors keep " + std::string(kCurrentCopy) +
             ": \"" + tip + "\"");
    Sleep(kSettleMs);
    const Holdings resident = HoldingsOf(app.Process());

    ResidentResult result;
    result.memoryRatio = resident.workingSetKb / bare.workingSetKb;
    std::printf("resident program (/tray, both monitors keeping %s) against a hidden window with a notification "
                "icon, each after %lu s of idling:\n",
                kCurrentCopy, static_cast<unsigned long>(kSettleMs / 1000));
    PrintMemory("working set", resident.workingSetKb, bare.workingSetKb, " (limit 1.5)");
    PrintMemory("private bytes", resident.privateKb, bare.privateKb, " (shown only)");
    std::fflush(stdout);
    result.idle = MeasureIdle(app.Id(), idleSeconds);
    PrintIdle(("CPU time over " + std::to_string(idleSeconds) + " s").c_str(), result.idle);
    CheckKept(table, "the resident program was not keeping the ramp");

    result.soak = Soak(app, tray, table, soakCycles);
    EndResident(app, tray, WM_COMMAND, IDM_TRAY_EXIT);
    return result;
}

int Run(int argc, char** argv)
{
    const KeepingOptions options = ParseKeepingOptions(argc, argv, "kestrava_resident_bench");
    KeptProfiles profiles(ColorDirectory());
    const ResidentResult resident = Resident(profiles, options.idleSeconds, options.soakCycles);
    program::WriteIdentityRamp();

    const SoakResult& soak = resident.soak;
    const std::string held = (soak.drifted.empty() ? std::string("yes") : "NO, " + soak.drifted + " moved") +
                             (soak.unanswered.empty() ? "" : " (not answered: " + soak.unanswered + ")");
    std::printf("\nverdict, resident: idle with both monitors kept %.1f ms of CPU per minute (limit %.0f): %s; working "
                "set against the bare program %.2fx (limit %.1f): %s; after %d soak cycles handles, objects and "
                "memory within 2%% of cycle %d: %s; the calibration held after every Reload and at the end: "
                "%s\n",
                resident.idle.programMsPerMinute, kResidentIdleLimitMsPerMinute,
                resident.idle.programMsPerMinute < kResidentIdleLimitMsPerMinute ? "yes" : "NO",
                resident.memoryRatio, kMemoryRatioLimit, resident.memoryRatio <= kMemoryRatioLimit ? "yes" : "NO",
                soak.cycles, soak.sampledAt.front(), held.c_str(),
                soak.missedReloads == 0 && soak.keptAtEnd ? "yes" : "NO");
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return bench::Main("kestrava_resident_bench", [&](RecordingPresenter&) { return Run(argc, argv); });
}
