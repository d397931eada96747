// Making a profile a monitor's default and downloading its calibration.
#pragma once

#include "cms/gamma_ramp.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

// Results produced by the program itself (other non-zero results are platform codes).
constexpr int32_t kResultBadCalibration = 24;        // tag length or header not the table form
constexpr int32_t kResultNoCalibration = 1168;       // no 'vcgt' tag
constexpr int32_t kResultAssociationFailed = 2015;
constexpr int32_t kResultImplausibleTable = -2;
constexpr int32_t kResultNoProfiles = 4306;           // the store lists no profile
// A conversion or query failed without saying why (ERROR_NO_UNICODE_TRANSLATION).
constexpr int32_t kResultNoTranslation = 1113;

// The file name a lookup leaves when it finds no current profile.
constexpr const char* kNoProfileName = "-na-";

// Profile paths fit the platform's 260-byte path buffer with their NUL.
constexpr size_t kMaxProfilePath = 260;

// Makes the profile at path the monitor's default profile (disassociate, then
// associate with the monitor's device ID) and downloads its calibration. A failed
// device lookup or association is reported here and returned; messageId is then left
// alone. Otherwise returns LoadCalibration's result and message id. The association
// stays in place even when the calibration cannot be downloaded.
int32_t SetDefaultProfile(MonitorHandle monitor, const char* path, int32_t attachedOnly, int32_t& messageId);

// Whether the calibration load also takes the tables and formulas that are not the
// 786-byte form (see cms/vcgt_decoder.h). Off unless the user turns it on; every load,
// diagnosis and check of the process reads it, and the window side sets it from the
// user's setting. With it off, every result is what the 786-byte table alone gives.
void SetExtendedTables(bool on);
bool ExtendedTables();

// Reads the profile's 'vcgt' tag, checks it and writes it to the monitor's adapter: the
// 786-byte table, and with ExtendedTables() every other well-formed form too. Returns 0
// with messageId 0, or the failing step's result with the id of the string-table entry
// that describes it (209 to 216). Reports nothing itself.
int32_t LoadCalibration(MonitorHandle monitor, const char* path, int32_t& messageId);

// Every step of LoadCalibration but the download: opens the profile, reads and checks
// its tag and decodes it, writing nothing anywhere. Returns 0 with messageId 0 and ramp
// holding exactly what LoadCalibration writes, or the failing step's result and
// message id, as LoadCalibration would give them. What a profile will do when selected
// is told by this; extendedTables asks what it would do with the setting as given.
int32_t DiagnoseCalibration(const char* path, HardwareRamp& ramp, int32_t& messageId,
                            bool extendedTables = ExtendedTables());

// Shows why a calibration download failed, as a selection shows it: string-table entry
// messageId (209 to 216) filled in with the profile's file name, the monitor's name
// ("*unknown*" when it cannot be found), the request to select another profile and the
// result.
void ReportCalibrationFailure(MonitorHandle monitor, const char* path, int32_t messageId, int32_t result);

// The monitor's current default profile: the first profile the store lists for its
// device ID (an active monitor device first, then any), or else the profile the
// graphics system names for a device context on its adapter. Fills whichever outputs
// are given: the full path, the file name without folder and extension, and the
// extension with its dot. When every route fails the file name reads "-na-" and the
// path and extension are empty. Returns the last route's result.
int32_t GetProfileNameUsingDeviceID(MonitorHandle monitor, std::string* fullPath, std::string* fileName,
                                    std::string* extension);

// The first profile the store lists for a device ID. Returns 0, 4306 when it lists
// none, or a platform code. The outputs are touched only on success.
int32_t GetProfileNameByDeviceID(const std::string& deviceId, std::string* fullPath, std::string* fileName,
                                 std::string* extension);

// The profile the graphics system names for a device context on the monitor's
// adapter. Returns 0 or a platform code; the outputs are touched only on success.
int32_t GetProfileNameByDC(MonitorHandle monitor, std::string* fullPath, std::string* fileName,
                           std::string* extension);

// The colour directory, a backslash and name; empty when the directory is unknown.
std::string MakeColorDirectoryPath(const std::string& name);
