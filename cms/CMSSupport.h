// Making a profile a monitor's default and downloading its calibration.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Results produced by the program itself (other non-zero results are platform codes).
constexpr int32_t kResultBadCalibration = 24;        // tag length or header not the table form
constexpr int32_t kResultNoCalibration = 1168;       // no 'vcgt' tag
constexpr int32_t kResultAssociationFailed = 2015;
constexpr int32_t kResultImplausibleTable = -2;

// Profile paths fit the platform's 260-byte path buffer with their NUL.
constexpr size_t kMaxProfilePath = 260;

// Makes the profile at path the monitor's default profile (disassociate, then
// associate with the monitor's device ID) and downloads its calibration. A failed
// device lookup or association is reported here and returned; messageId is then left
// alone. Otherwise returns LoadCalibration's result and message id. The association
// stays in place even when the calibration cannot be downloaded.
int32_t SetDefaultProfile(MonitorHandle monitor, const char* path, int32_t attachedOnly, int32_t& messageId);

// Reads the profile's 786-byte 'vcgt' table, checks it and writes it to the monitor's
// adapter. Returns 0 with messageId 0, or the failing step's result with the id of the
// string-table entry that describes it (209 to 216). Reports nothing itself.
int32_t LoadCalibration(MonitorHandle monitor, const char* path, int32_t& messageId);
