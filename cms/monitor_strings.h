// Naming a monitor for the platform: from the window system's monitor handle to the
// display adapter's name and the monitor device's ID, description and name.
#pragma once

#include "platform/guards.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// No monitor device matched the adapter (ERROR_NO_MORE_DEVICES).
constexpr int32_t kResultNoMatchingDevice = 1248;

// Adapters, and monitor devices under one adapter, that are examined.
constexpr uint32_t kMaxDisplayDevices = 16;

// The four names of one monitor.
struct MonitorStrings {
    std::string adapterName;    // the GDI display name of its adapter, e.g. \\.\DISPLAY1
    std::string deviceId;       // the monitor device's ID; profiles are associated with it
    std::string deviceString;   // the monitor device's description
    std::string monitorName;    // the monitor device's name
};

// Fills whichever outputs are given (null: not wanted). attachedOnly 1 looks for an
// active monitor device first and then for any; other values look for any at once.
// Returns 0, 1248 when no monitor device matches, or the last error of a failed
// monitor-information read. With no output wanted it only tests that the monitor's
// information can be read. When the description is not found, deviceString holds the
// adapter name on return.
int32_t GetMonitorStrings(MonitorHandle monitor, std::string* adapterName, std::string* deviceId,
                          std::string* deviceString, std::string* monitorName, int32_t attachedOnly);
inline int32_t GetMonitorStrings(MonitorHandle monitor, MonitorStrings& out, int32_t attachedOnly)
{
    return GetMonitorStrings(monitor, &out.adapterName, &out.deviceId, &out.deviceString, &out.monitorName,
                             attachedOnly);
}

// The first monitor device, not mirroring (and active when attachedOnly is non-zero),
// under the attached, non-mirroring adapter named adapterName. Returns 0 or 1248.
int32_t FindDisplayDevice(const std::string& adapterName, std::string* deviceId, std::string* deviceString,
                          std::string* monitorName, int32_t attachedOnly);

// A device context on the monitor's adapter, owned by dc on return. Returns 0, or the
// result of the adapter lookup, or the last error of the failed creation. A creation
// that fails without a last error returns 0 and leaves dc empty.
int32_t CreateMonitorDC(MonitorHandle monitor, DcOwner& dc);

// What messages call the monitor: its description, or "*unknown*" when it cannot be
// found.
std::string MonitorNameForMessages(MonitorHandle monitor);
// The same for a description already read (empty when none was found).
std::string MonitorNameForMessages(const std::string& description);

// The desktop's monitors, in the platform's enumeration order; empty when the
// enumeration fails before it names one.
std::vector<MonitorHandle> DesktopMonitors();
