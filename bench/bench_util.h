// Win32 only. What the benchmarks share: the failure that ends a run, a stopwatch, the
// median of the rounds and the colour directory.
#pragma once

#include <windows.h>
#include <icm.h>

#include <algorithm>
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

}  // namespace bench
