// Shared set-up for the host tests: a simulated platform with one standard monitor,
// the program's own string table, and a recorder in place of the report window.
#pragma once

#include "cms/gamma_ramp.h"
#include "cms/monitor_strings.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "sim/sim_platform.h"
#include "support/rc_string_table.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A generated test profile (see tools/make_profiles.py).
inline std::filesystem::path TestProfile(const std::string& name)
{
    return std::filesystem::path(KESTRAVA_PROFILE_DIR) / name;
}

// A string-table text, filled in.
template <class... Args>
std::string Text(uint32_t id, Args... args)
{
    return FormatBounded(1024, GetResourceString(id), args...);
}

class HostTest : public ::testing::Test {
protected:
    HostTest() { sim.Strings() = ReadRcStringTable(KESTRAVA_RC_FILE); }

    // The path the program would use for a profile in the colour directory.
    static std::string ColorPath(const std::string& name)
    {
        return std::string(SimPlatform::kColorDirectory) + "\\" + name;
    }

    // Copies a generated profile into the colour directory; the path the program uses.
    std::string Install(const std::string& name)
    {
        sim.InstallProfile(TestProfile(name));
        return ColorPath(name);
    }

    // Whether a ramp holds what a table loads, to the 8 bits an adapter may keep.
    static bool Holds(const HardwareRamp& actual, const GammaRamp& ramp)
    {
        HardwareRamp expected{};
        MakeHardwareRamp(ramp, expected);
        return CompareRamp(actual, expected).entries == 0;
    }

    SimScope scope;
    SimPlatform& sim = scope.sim();
    RecordingPresenter presenter;
    std::vector<ErrorReport>& reports = presenter.reports;
};

// HostTest with the standard monitor added and the names the program files things
// under read as the program reads them: ramps by adapter, profiles by device ID. The
// names are members of this layer, not of HostTest, so that tests without a monitor
// stay free to name their own locals "monitor".
class StandardMonitorTest : public HostTest {
protected:
    StandardMonitorTest()
    {
        monitor = sim.AddStandardMonitor();
        MonitorStrings names;
        EXPECT_EQ(GetMonitorStrings(monitor, names, 1), 0);
        adapter = names.adapterName;
        deviceId = names.deviceId;
        screen = names.deviceString;
    }

    MonitorHandle monitor = nullptr;
    std::string adapter;
    std::string deviceId;
    std::string screen;   // the monitor's name, as messages give it
};
