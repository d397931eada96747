// Win32 only. What the keeping benchmarks share (see kept_profiles.h).
#include "kept_profiles.h"

#include "bench_util.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <icm.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace bench {

KeepingOptions ParseKeepingOptions(int argc, char** argv, const char* name)
{
    KeepingOptions options;
    bool fits = true;
    for (int i = 1; i < argc && fits; ++i) {
        const std::string arg = argv[i];
        int* value = arg == "--rounds"          ? &options.rounds
                     : arg == "--idle-seconds"  ? &options.idleSeconds
                     : arg == "--fight-seconds" ? &options.fightSeconds
                     : arg == "--soak-cycles"   ? &options.soakCycles
                                                : nullptr;
        fits = value && i + 1 < argc;
        if (fits)
            *value = std::atoi(argv[++i]);
    }
    if (!fits || options.rounds < 1 || options.idleSeconds < 1 || options.fightSeconds < 1 ||
        options.soakCycles < 1) {
        std::fprintf(stderr, "usage: %s [--rounds R] [--idle-seconds S] [--fight-seconds F] [--soak-cycles C]\n",
                     name);
        std::exit(2);
    }
    return options;
}

KeptProfiles::KeptProfiles(std::string directory) : m_directory(std::move(directory))
{
    Copy(profiles::kMild, kCurrentCopy);
    Copy(profiles::kGreen, kSelectedCopy);
}

KeptProfiles::~KeptProfiles()
{
    for (const std::string& path : m_paths) {
        for (const program::Monitor& monitor : program::Monitors())
            DisassociateColorProfileFromDeviceA(nullptr, path.c_str(), monitor.deviceId.c_str());
        DeleteFileA(path.c_str());
    }
}

void KeptProfiles::Copy(const char* generated, const char* name)
{
    const std::string source = wintest::ProfileDir() + "\\" + generated;
    m_paths.push_back(PathOf(name));
    if (!CopyFileA(source.c_str(), m_paths.back().c_str(), FALSE))
        Fail("cannot copy " + source + " to " + m_paths.back());
}

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

std::vector<BYTE> CurrentProfileTable(const KeptProfiles& profiles)
{
    std::vector<BYTE> table = program::CalibrationTable(profiles.PathOf(kCurrentCopy));
    if (table.size() != 768)
        Fail("no table in " + profiles.PathOf(kCurrentCopy));
    return table;
}

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

wintest::DcOwner RampDc()
{
    wintest::DcOwner dc(CreateDCA("\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1", nullptr, nullptr));
    if (!dc.Get())
        Fail("no device context for the ramp");
    return dc;
}

}  // namespace bench
