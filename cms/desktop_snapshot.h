// The desktop's monitors as the program follows them: a snapshot of who is there, and
// what changed between two snapshots.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Who a monitor is. The adapter alone is not enough: another monitor in the same port
// (a projector, or a renumbering after undocking) is another monitor, with its own
// profiles and its own calibration. The device ID is the one associations use.
struct MonitorIdentity {
    std::string adapterName;   // \\.\DISPLAYn
    std::string deviceId;      // empty where the monitor device names none

    bool operator==(const MonitorIdentity& other) const
    {
        return adapterName == other.adapterName && deviceId == other.deviceId;
    }
    bool operator!=(const MonitorIdentity& other) const { return !(*this == other); }
};

struct DesktopMonitor {
    MonitorHandle handle = nullptr;   // may change with the desktop while the monitor stays
    MonitorIdentity identity;
    std::string description;          // the monitor device's description (caption, messages)
    Rect32 rect{};
    bool advancedColor = false;       // HDR is on: its ramp is not the program's to write
};

// The monitors of the desktop whose information can be read (as the windows are made
// for them), in the platform's enumeration order. Empty when there is none, or when the
// enumeration fails before it names one.
// Without askHdr every monitor's HDR state is left off (AskHdr tells it later): the
// display configuration is the slowest thing to read, and a start waits for it.
using DesktopSnapshot = std::vector<DesktopMonitor>;
DesktopSnapshot TakeDesktopSnapshot(bool askHdr = true);
// Asks the system each monitor's HDR state.
void AskHdr(DesktopSnapshot& snapshot);

// What changed from one snapshot to the next. Monitors of the same identity are paired
// in order, so that two of one identity (a clone, or a driver that names every monitor
// alike) stay two.
struct DesktopDifference {
    std::vector<std::pair<size_t, size_t>> kept;   // (index before, index after)
    std::vector<size_t> added;                     // indices after
    std::vector<size_t> gone;                      // indices before
};
DesktopDifference CompareDesktops(const DesktopSnapshot& before, const DesktopSnapshot& after);

// Where the monitors are, as cheaply as that can be read: the handle, adapter and
// rectangle of every monitor of the desktop, in enumeration order (identity's device
// ID, description and HDR state left empty). The program looks at it every few
// seconds, for a change nobody announced (Wine turns X outputs off and on unannounced);
// an announced change takes a whole snapshot.
DesktopSnapshot TakeDesktopLayout();
// Whether two layouts are the same: the same monitors, each with the same handle,
// adapter and place.
bool SameLayout(const DesktopSnapshot& a, const DesktopSnapshot& b);
