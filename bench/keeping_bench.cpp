// Win32 only. What keeping the calibration true costs, each part against a yardstick
// measured in the same run, on the test bed tools/bench.sh pins to one CPU. A benchmark,
// not a test: it prints numbers and verdicts and fails only when a run did not do its
// work or the setting up went wrong.
//
//   kestrava_keeping_bench.exe [--rounds R] [--idle-seconds S] [--fight-seconds F]
//                              [--soak-cycles C]
//
// logon load: `kestrava.exe /load` with the test bed's two monitors, spawn to exit,
//             against bare_load.exe, which makes the same platform calls and nothing
//             else; runs alternate ABBA, medians of R each. Limit 1.2x.
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
// resident:   `kestrava.exe /tray`, both monitors keeping the current profile: its CPU
//             time per minute over S idle seconds (limit 20 ms per minute), and its
//             working set after 5 s of idling against bare_tray.exe's, a hidden window
//             with a notification icon idling as long (limit 1.5x; private bytes shown
//             beside it). Then a soak of C cycles (default 2000) through the same copy:
//             a display change, a resume and an unlock sent to its window, the linear
//             ramp written from outside, and Reload, each answered before the next. Its
//             handles, GDI and USER objects, working set and private bytes must end
//             within 2% of where they stood after cycle 100 (or within 2 of a count whose
//             2% is less), and the ramp hold the current profile's table after every
//             Reload and at the end.
//
// The colour directory gets two copies of generated profiles for the run, removed on
// every way out: bench-keep-1mild (kv-mild; listed first, so every monitor's current
// profile, which /load loads) and bench-keep-2green (kv-green16384, which the windows
// select).
#include "bench_util.h"
#include "cms/calibration_check.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "support/program_driver.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <windows.h>
#include <icm.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using bench::ColorDirectory;
using bench::Fail;
using bench::Median;
using bench::Stopwatch;

constexpr double kRatioLimit = 1.2;
constexpr double kIdleLimitMsPerMinute = 60;
constexpr int kDiagnosesPerBatch = 200;
constexpr int kRewriteLimit = 3;
constexpr int kFightStepMs = 100;
constexpr double kQuietMs = 5000;
const char* const kBackOffText = "Another program keeps changing the video card ramp of ";
constexpr DWORD kTagVcgt = 0x76636774;
constexpr DWORD kTableSize = 786;
const char* const kCurrentCopy = "bench-keep-1mild.icm";
const char* const kSelectedCopy = "bench-keep-2green.icm";
const char* const kSelectedRow = "bench-keep-2green";

constexpr double kResidentIdleLimitMsPerMinute = 20;
constexpr double kMemoryRatioLimit = 1.5;
constexpr DWORD kSettleMs = 5000;
constexpr double kSoakDrift = 0.02;
constexpr double kSoakCountSlack = 2;
constexpr int kSoakReferenceCycle = 100;
constexpr UINT kSessionChange = 0x02B1;      // WM_WTSSESSION_CHANGE
constexpr WPARAM kResumeAutomatic = 0x12;    // PBT_APMRESUMEAUTOMATIC
constexpr WPARAM kSessionUnlock = 0x8;       // WTS_SESSION_UNLOCK
using program::kTrayExit;
using program::kTrayReload;
const char* const kTrayClass = program::kProgramWindowClass;
const char* const kBareTrayClass = "KestravaBareTray";

// The run's profiles in the colour directory, gone again when the object ends, and so
// is the association a selection gives them: Wine keeps an association under the
// profile's name after the file has gone (and then names it as the adapter's profile),
// and forgets it only while the file is there.
class KeptProfiles {
public:
    explicit KeptProfiles(std::string directory) : m_directory(std::move(directory))
    {
        Copy(profiles::kMild, kCurrentCopy);
        Copy(profiles::kGreen, kSelectedCopy);
    }
    ~KeptProfiles()
    {
        for (const std::string& path : m_paths) {
            for (const program::Monitor& monitor : program::Monitors())
                DisassociateColorProfileFromDeviceA(nullptr, path.c_str(), monitor.deviceId.c_str());
            DeleteFileA(path.c_str());
        }
    }
    KeptProfiles(const KeptProfiles&) = delete;
    KeptProfiles& operator=(const KeptProfiles&) = delete;

    std::string PathOf(const char* name) const { return m_directory + "\\" + name; }

private:
    void Copy(const char* generated, const char* name)
    {
        const std::string source = wintest::ProfileDir() + "\\" + generated;
        m_paths.push_back(PathOf(name));
        if (!CopyFileA(source.c_str(), m_paths.back().c_str(), FALSE))
            Fail("cannot copy " + source + " to " + m_paths.back());
    }

    std::string m_directory;
    std::vector<std::string> m_paths;
};

// Prints the runs of one side of a comparison, then its median.
double Report(const char* what, const std::vector<double>& values, const char* unit)
{
    std::printf("  %-10s", what);
    for (double value : values)
        std::printf(" %.2f", value);
    const double median = Median(values);
    std::printf("  (median %.2f %s)\n", median, unit);
    std::fflush(stdout);
    return median;
}

// The table of the copy that is every monitor's current profile.
std::vector<BYTE> CurrentProfileTable(const KeptProfiles& profiles)
{
    std::vector<BYTE> table = program::CalibrationTable(profiles.PathOf(kCurrentCopy));
    if (table.size() != 768)
        Fail("no table in " + profiles.PathOf(kCurrentCopy));
    return table;
}

// A ramp reset from outside comes back within 5 s: the keeping really ran.
void CheckKept(const std::vector<BYTE>& table, const std::string& otherwise)
{
    if (!program::WriteIdentityRamp() ||
        !program::WaitFor([&] { return program::CurrentTable() == table; }, std::chrono::seconds(5)))
        Fail(otherwise);
}

program::Ramp LinearRamp()
{
    program::Ramp linear{};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            linear.values[c][i] = static_cast<WORD>(i << 8);
    return linear;
}

// The bench's own device context for the ramp, which under Wine is the whole screen's.
wintest::DcOwner RampDc()
{
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    if (!dc.Get())
        Fail("no device context for the ramp");
    return dc;
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
    const std::string expected = "Loads its video card calibration when selected.";
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

// ---- The idle program ------------------------------------------------------------------

// A process's entry in the system's process list, which under Wine 8 carries what it
// does not answer about another process itself: its CPU times (Linux's count for each
// of its threads, in ticks of 10 ms) and its handle count.
SYSTEM_PROCESS_INFORMATION ProcessEntry(DWORD processId)
{
    std::vector<BYTE> list(1 << 20);
    ULONG length = 0;
    if (!NT_SUCCESS(NtQuerySystemInformation(SystemProcessInformation, list.data(),
                                             static_cast<ULONG>(list.size()), &length)))
        Fail("the process list cannot be read");
    for (size_t offset = 0;;) {
        SYSTEM_PROCESS_INFORMATION entry{};
        std::memcpy(&entry, list.data() + offset, sizeof entry);
        if (reinterpret_cast<uintptr_t>(entry.UniqueProcessId) == processId)
            return entry;
        if (entry.NextEntryOffset == 0 || offset + entry.NextEntryOffset + sizeof entry > length)
            Fail("process " + std::to_string(processId) + " is not in the process list");
        offset += entry.NextEntryOffset;
    }
}

// The CPU time of a process, user and kernel. Wine 8's GetProcessTimes gives another
// process's start time only.
double ProcessCpuMs(DWORD processId)
{
    const SYSTEM_PROCESS_INFORMATION entry = ProcessEntry(processId);
    return static_cast<double>(entry.UserTime.QuadPart + entry.KernelTime.QuadPart) / 10000.0;
}

// The CPU time of the test bed's wineserver and X server, from Linux's own count
// (user and system clock ticks of 10 ms, fields 14 and 15 of /proc/PID/stat); negative
// when it cannot be read, outside tools/bench.sh's test bed.
double ServersCpuMs()
{
    char state[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("KESTRAVA_TESTBED_DIR", state, sizeof state))
        return -1;
    double total = 0;
    for (const char* pidFile : {"/wineserver.pid", "/xorg.pid"}) {
        std::ifstream pidStream(wintest::WinePath(std::string(state) + pidFile));
        std::string pid;
        if (!(pidStream >> pid))
            return -1;
        std::ifstream statStream(wintest::WinePath("/proc/" + pid + "/stat"));
        std::string stat;
        std::getline(statStream, stat);
        const size_t name = stat.rfind(')');
        if (name == std::string::npos)
            return -1;
        std::istringstream fields(stat.substr(name + 1));
        std::string field;
        unsigned long long ticks = 0;
        for (int index = 3; index <= 15 && fields >> field; ++index)
            if (index >= 14)
                ticks += std::strtoull(field.c_str(), nullptr, 10);
        total += static_cast<double>(ticks) * 10.0;
    }
    return total;
}

struct IdleCost {
    double programMsPerMinute = 0;
    double serversMsPerMinute = -1;
};

// Where the CPU times stood when a measured stretch began.
struct CpuMark {
    double program;
    double servers;
    Stopwatch watch;
};

CpuMark Mark(const program::RunningProgram& app) { return {ProcessCpuMs(app.Id()), ServersCpuMs(), {}}; }

IdleCost CostSince(const program::RunningProgram& app, const CpuMark& mark)
{
    IdleCost cost;
    const double perMinute = 60000.0 / mark.watch.Ms();
    cost.programMsPerMinute = (ProcessCpuMs(app.Id()) - mark.program) * perMinute;
    const double serversAfter = ServersCpuMs();
    if (mark.servers >= 0 && serversAfter >= 0)
        cost.serversMsPerMinute = (serversAfter - mark.servers) * perMinute;
    return cost;
}

IdleCost MeasureIdle(const program::RunningProgram& app, int seconds)
{
    const CpuMark mark = Mark(app);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return CostSince(app, mark);
}

void PrintIdle(const char* what, const IdleCost& cost)
{
    std::printf("  %-44s program %7.1f ms/min", what, cost.programMsPerMinute);
    if (cost.serversMsPerMinute >= 0)
        std::printf("   wineserver + Xorg %7.1f ms/min", cost.serversMsPerMinute);
    std::printf("\n");
    std::fflush(stdout);
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
        const HWND list = GetDlgItem(window, program::kListId);
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
    PrintIdle("nothing kept yet", MeasureIdle(app, seconds));

    const std::vector<BYTE> green = KeepGreen(app, windows, profiles);
    const IdleCost keeping = MeasureIdle(app, seconds);
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

// The program's open message boxes that say it backed off, owned by one of its windows.
std::vector<HWND> BackOffBoxes(const program::RunningProgram& app, const std::vector<HWND>& windows)
{
    std::vector<HWND> boxes;
    for (HWND box : program::VisibleDialogsOf(app.Id()))
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (wintest::WindowText(child).rfind(kBackOffText, 0) == 0 &&
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
            quiet = Mark(app);
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
        result.quiet = CostSince(app, *quiet);
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

// ---- The resident program ----------------------------------------------------------

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

// What a process holds. Where Wine 8 does not answer for another process (its handle
// count, its private bytes), the process list's entry has it: the same count, and the
// page-file usage, which is the private bytes by definition. GDI and USER objects it
// counts nowhere: 0.
struct Holdings {
    double handles = 0;
    double gdiObjects = 0;
    double userObjects = 0;
    double workingSetKb = 0;
    double privateKb = 0;
};

Holdings HoldingsOf(HANDLE process)
{
    const SYSTEM_PROCESS_INFORMATION entry = ProcessEntry(GetProcessId(process));
    Holdings held;
    DWORD handles = 0;
    held.handles = (GetProcessHandleCount(process, &handles) && handles != 0) ? handles : entry.HandleCount;
    held.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    held.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        Fail("no memory counters for process " + std::to_string(GetProcessId(process)));
    held.workingSetKb = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    const SIZE_T privateBytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : entry.VirtualMemoryCounters.PagefileUsage;
    held.privateKb = static_cast<double>(privateBytes) / 1024.0;
    return held;
}

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
        !program::Send(tray, WM_POWERBROADCAST, kResumeAutomatic, 0) ||
        !program::Send(tray, kSessionChange, kSessionUnlock, 0))
        return false;
    if (!SetDeviceGammaRamp(dc, &linear))
        Fail("cannot reset the ramp");
    if (!program::Send(tray, WM_COMMAND, kTrayReload, 0))
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
        const HWND window = StartResident(app, wintest::WinePath(KESTRAVA_BARE_TRAY_EXE), "", kBareTrayClass);
        Sleep(kSettleMs);
        bare = HoldingsOf(app.Process());
        EndResident(app, window, WM_CLOSE, 0);
    }

    program::RunningProgram app;
    const HWND tray = StartResident(app, wintest::ProgramExe(), "/tray", kTrayClass);
    if (!program::WaitFor([&] { return program::CurrentTable() == table; }))
        Fail("/tray did not load the current profile's table: " + app.OpenReports());
    // Its tooltip, one line per monitor, says when both are loaded and kept: the ramp,
    // which the monitors share under Wine, holds the table from the first one's load on.
    const std::string loaded = std::string(kCurrentCopy) + ", " + GetResourceString(IDS_STATE_LOADED);
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
    result.idle = MeasureIdle(app, idleSeconds);
    PrintIdle(("CPU time over " + std::to_string(idleSeconds) + " s").c_str(), result.idle);
    CheckKept(table, "the resident program was not keeping the ramp");

    result.soak = Soak(app, tray, table, soakCycles);
    EndResident(app, tray, WM_COMMAND, kTrayExit);
    return result;
}

void Usage()
{
    std::fprintf(stderr, "usage: kestrava_keeping_bench [--rounds R] [--idle-seconds S] [--fight-seconds F] "
                         "[--soak-cycles C]\n");
    std::exit(2);
}

int Run(int argc, char** argv)
{
    int rounds = 15;
    int idleSeconds = 60;
    int fightSeconds = 60;
    int soakCycles = 2000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (arg == "--idle-seconds" && i + 1 < argc)
            idleSeconds = std::atoi(argv[++i]);
        else if (arg == "--fight-seconds" && i + 1 < argc)
            fightSeconds = std::atoi(argv[++i]);
        else if (arg == "--soak-cycles" && i + 1 < argc)
            soakCycles = std::atoi(argv[++i]);
        else
            Usage();
    }
    if (rounds < 1 || idleSeconds < 1 || fightSeconds < 1 || soakCycles < 1)
        Usage();

    KeptProfiles profiles(ColorDirectory());
    std::printf("keeping the calibration: %d rounds per comparison, alternating, medians\n\n", rounds);
    std::fflush(stdout);
    const double tooltip = Tooltip(profiles, rounds);
    const double logon = LogonLoad(profiles, rounds);
    const IdleCost idle = Idle(profiles, idleSeconds);
    const FightResult fight = Fight(profiles, fightSeconds);
    const ResidentResult resident = Resident(profiles, idleSeconds, soakCycles);
    program::WriteIdentityRamp();

    std::printf("\nverdict: /load against the bare calls %.2fx (limit %.1f): %s; tooltip diagnosis against the bare "
                "read %.2fx (limit %.1f): %s; idle with both windows keeping %.1f ms of CPU per minute (limit %.0f): "
                "%s; another writer's fight %d rewrites (limit %d): %s, then %.1f ms of CPU per minute (limit %.0f): "
                "%s\n",
                logon, kRatioLimit, logon <= kRatioLimit ? "yes" : "NO", tooltip, kRatioLimit,
                tooltip <= kRatioLimit ? "yes" : "NO", idle.programMsPerMinute, kIdleLimitMsPerMinute,
                idle.programMsPerMinute < kIdleLimitMsPerMinute ? "yes" : "NO", fight.rewrites, kRewriteLimit,
                fight.rewrites <= kRewriteLimit ? "yes" : "NO", fight.quiet.programMsPerMinute, kIdleLimitMsPerMinute,
                fight.quietSeconds > 0 && fight.quiet.programMsPerMinute < kIdleLimitMsPerMinute ? "yes" : "NO");
    const SoakResult& soak = resident.soak;
    const std::string held = (soak.drifted.empty() ? std::string("yes") : "NO, " + soak.drifted + " moved") +
                             (soak.unanswered.empty() ? "" : " (not answered: " + soak.unanswered + ")");
    std::printf("verdict, resident: idle with both monitors kept %.1f ms of CPU per minute (limit %.0f): %s; working "
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
    return bench::Main("kestrava_keeping_bench", [&](RecordingPresenter&) { return Run(argc, argv); });
}
