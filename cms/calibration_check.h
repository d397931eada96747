// What a profile's calibration will do on a monitor, and whether a monitor's ramp holds
// it: the verdict shown before a profile is selected, the check that keeps a loaded
// calibration in place and the one the user asks for.
#pragma once

#include "cms/gamma_ramp.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

// What selecting a profile does to the video card.
enum class CalibrationVerdict {
    Loads,           // its table is downloaded
    NoTable,         // no calibration tag: the profile only becomes the default
    ExtendedTable,   // a table or formula of another form, which loads once the extended setting is on
    Damaged,         // wrong length, header refused, unreadable tag
    TooDark,         // the table fails the plausibility test
    Unreadable,      // the profile cannot be opened (or read into memory)
};

struct CalibrationDiagnosis {
    CalibrationVerdict verdict = CalibrationVerdict::Unreadable;
    int32_t result = 0;      // what the download would return short of the write itself
    int32_t messageId = 0;   // its message id, 0 when it loads
    HardwareRamp hardware{};   // the ramp that would be written, when it loads
    GammaRamp ramp{};          // its high bytes: what an adapter of 8 bits per entry holds
};

// The verdict for the profile at path, by the download's own checks and with the
// extended setting as given; writes nothing. With the setting off, a tag of another
// form that would load with it on says so (ExtendedTable), and one that would then be
// too dark says that; the result and message id stay the load's own.
CalibrationDiagnosis DiagnoseProfile(const char* path, bool extendedTables = false);

// The verdict's one line, from the string table (the unreadable one with its code).
std::string DescribeVerdict(const CalibrationDiagnosis& diagnosis);
// The same for a row of a monitor's list: where HDR is on for the monitor, a table that
// would load says that it is not loaded there (monitorName fills its %s).
std::string DescribeVerdictFor(const CalibrationDiagnosis& diagnosis, bool advancedColor,
                               const std::string& monitorName);
