// Keeping a loaded calibration in the video card. The system, a full-screen game or a
// display change may put another ramp there at any time; a monitor window that has
// downloaded a table writes it again when the ramp no longer holds it.
#pragma once

#include "cms/gamma_ramp.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

class CalibrationKeeper {
public:
    explicit CalibrationKeeper(MonitorHandle monitor) : m_hMonitor(monitor) {}

    // The monitor may get a new handle when the desktop changes.
    void SetMonitor(MonitorHandle monitor) { m_hMonitor = monitor; }

    // A ramp this window downloaded (a selection that loaded, a reload), from the
    // profile at path: kept from now on.
    void Wrote(const HardwareRamp& hardware, const std::string& path);
    // The same for a table of the 786-byte form, as the adapter takes it (<< 8).
    void Wrote(const GammaRamp& ramp, const std::string& path);
    // Nothing is kept any more: the linear ramp was put back on purpose.
    void Forget() { m_bKeeping = false; }
    bool IsKeeping() const { return m_bKeeping; }

    // Another window of the program wrote its ramp. When ours reads back as changed by
    // that, the two monitors share one ramp: the later write wins, and ours is not
    // written over it.
    void OtherWrote();

    // Writes the kept ramp again when the monitor's ramp no longer holds it. A ramp
    // that cannot be read is left alone. A failed write is reported once, as a
    // selection's is, and ends the keeping until the next download. Returns 0, or the
    // failed write's result.
    int32_t Keep();

private:
    bool Holds() const;

    MonitorHandle m_hMonitor;
    bool m_bKeeping = false;
    HardwareRamp m_hardware{};
    std::string m_path;
};

// The command-line load: for each monitor, in enumeration order, downloads the
// calibration of its current default profile (no association changes). A monitor with
// no current profile (none found, or one named but not there), or whose profile has no
// calibration tag, is left as it is. Each other failure is reported as a selection's
// is; quiet, nothing is shown at all. Returns 0, or the first failure's result.
int32_t LoadCurrentCalibrations(bool quiet);
