// Loading the calibration of each monitor's current default profile, without a window:
// at logon (/load), and for a monitor that comes back while the program keeps the
// calibration.
#pragma once

#include "cms/CMSSupport.h"

#include <cstdint>
#include <string>

class KeeperSet;

// Downloads the calibration of the monitor's current default profile (no association
// changes). A monitor with no current profile (none found, or one named but not there),
// whose profile has no calibration tag, or where HDR is on, is left as it is: 0 with
// nothing loaded. Any other failure is reported as a selection's is and returned.
// When it loaded, path and loaded say what.
int32_t LoadCurrentCalibration(MonitorHandle monitor, bool extendedTables, std::string& path, LoadedRamp& loaded,
                               bool& didLoad);

// The command-line load: LoadCurrentCalibration for each monitor, in enumeration order;
// quiet, nothing is shown at all. What loaded is kept by keepers when given. Returns 0,
// or the first failure's result.
int32_t LoadCurrentCalibrations(bool quiet, bool extendedTables, KeeperSet* keepers = nullptr);
