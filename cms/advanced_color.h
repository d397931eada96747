// Whether a monitor shows its desktop in advanced colour (HDR), read from the system's
// display configuration.
#pragma once

#include "platform/platform.h"

// Whether the system composes this monitor's desktop in advanced colour (HDR), where an
// SDR calibration ramp does not give the calibrated result. The monitor's display path
// is found among the active paths by its source's GDI name (the adapter name of the
// monitor's information). False wherever a call fails (older systems, Wine).
bool IsAdvancedColorOn(MonitorHandle monitor);
