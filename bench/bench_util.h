// Win32 only. What the benchmarks share: the failure that ends a run, a stopwatch, the
// median of the rounds, the colour directory and the run as a whole.
#pragma once

#include "platform/win32/win32_platform.h"
#include "support/recording_presenter.h"

#include <windows.h>
#include <icm.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// Thrown rather than exiting on the spot, so that the owners on the way out remove the
// bench's profiles and windows.
struct BenchFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(const std::string& what)
{
    const DWORD error = GetLastError();
    throw BenchFailure(what + " (last error " + std::to_string(error) + ")");
}

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&m_start); }
    double Ms() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) * 1000.0 / static_cast<double>(Frequency());
    }

private:
    static LONGLONG Frequency()
    {
        static const LONGLONG frequency = [] {
            LARGE_INTEGER f;
            QueryPerformanceFrequency(&f);
            return f.QuadPart;
        }();
        return frequency;
    }
    LARGE_INTEGER m_start;
};

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

inline std::string ColorDirectory()
{
    char directory[MAX_PATH] = {};
    DWORD size = sizeof directory;
    if (!GetColorDirectoryA(nullptr, directory, &size))
        Fail("GetColorDirectoryA failed");
    return directory;
}

// The whole run of a benchmark: the real platform, and reports kept rather than shown
// (one must never wait for a click, and any fails the run). A failure is told on
// stderr, under the benchmark's name, and gives exit code 1.
template <class Body>
int Main(const char* name, Body run)
{
    static Win32Platform platform;
    SetPlatform(&platform);
    RecordingPresenter reports;
    try {
        const int code = run(reports);
        if (!reports.reports.empty())
            Fail("reported: " + reports.reports.front().messageText + " " + reports.reports.front().fileLineText);
        return code;
    } catch (const BenchFailure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", name, failure.what());
        return 1;
    }
}

}  // namespace bench
