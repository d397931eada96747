// Win32 only. What the keeping benchmarks share: the run's profiles in the colour
// directory, the ramp's yardsticks and the printing of a comparison's runs.
//
// The colour directory gets two copies of generated profiles for the run, removed on
// every way out: bench-keep-1mild (kv-mild; listed first, so every monitor's current
// profile, which /load and /tray load) and bench-keep-2green (kv-green16384, which the
// windows select).
#pragma once

#include "support/program_driver.h"
#include "support/win_handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// The keeping benchmarks' command line, which each takes whole and uses its part of:
//   [--rounds R] [--idle-seconds S] [--fight-seconds F] [--soak-cycles C]
struct KeepingOptions {
    int rounds = 15;
    int idleSeconds = 60;
    int fightSeconds = 60;
    int soakCycles = 2000;
};

// Ends the process with the usage and exit code 2 when the line is not one.
KeepingOptions ParseKeepingOptions(int argc, char** argv, const char* name);

constexpr const char* kCurrentCopy = "bench-keep-1mild.icm";
constexpr const char* kSelectedCopy = "bench-keep-2green.icm";
constexpr const char* kSelectedRow = "bench-keep-2green";

// The run's profiles in the colour directory, gone again when the object ends, and so
// is the association a selection gives them: Wine keeps an association under the
// profile's name after the file has gone (and then names it as the adapter's profile),
// and forgets it only while the file is there.
class KeptProfiles {
public:
    explicit KeptProfiles(std::string directory);
    ~KeptProfiles();
    KeptProfiles(const KeptProfiles&) = delete;
    KeptProfiles& operator=(const KeptProfiles&) = delete;

    std::string PathOf(const char* name) const { return m_directory + "\\" + name; }

private:
    void Copy(const char* generated, const char* name);

    std::string m_directory;
    std::vector<std::string> m_paths;
};

// Prints the runs of one side of a comparison, then its median, which it returns.
double Report(const char* what, const std::vector<double>& values, const char* unit);

// The table of the copy that is every monitor's current profile.
std::vector<BYTE> CurrentProfileTable(const KeptProfiles& profiles);

// A ramp reset from outside comes back within 5 s: the keeping really ran. Fails the
// run with otherwise when it does not.
void CheckKept(const std::vector<BYTE>& table, const std::string& otherwise);

program::Ramp LinearRamp();

// The bench's own device context for the ramp, which under Wine is the whole screen's.
wintest::DcOwner RampDc();

}  // namespace bench
