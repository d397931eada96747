// Whether a monitor shows its desktop in HDR, read from the system's display
// configuration.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// Whether the system shows this monitor's desktop in HDR, where an SDR calibration ramp
// does not give the calibrated result. Automatic colour management of an SDR monitor
// (advanced colour in wide colour) is not HDR: the ramp applies there. The monitor's
// display path is found among the active paths by its source's GDI name (the adapter
// name of the monitor's information). False wherever a call fails (older systems, Wine).
bool IsHdrActive(MonitorHandle monitor);

// The same for the monitors of a check, by their adapter names: the display
// configuration is read once, when first asked.
class HdrAdapters {
public:
    bool Has(const std::string& adapterName);

private:
    bool m_bRead = false;
    std::vector<std::u16string> m_sources;   // the GDI names of the sources shown in HDR
};
