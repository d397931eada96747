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
// HDR is on for the monitor: its ramp is left alone (ERROR_NOT_SUPPORTED).
constexpr int32_t kResultAdvancedColor = 50;

// The file name a lookup leaves when it finds no current profile.
constexpr const char* kNoProfileName = "-na-";

// Profile paths fit the platform's 260-byte path buffer with their NUL.
constexpr size_t kMaxProfilePath = 260;

// What a calibration load put into the video card. Keeping compares the monitor's ramp
// with `held`, never with a second read of the profile: the file may have changed or
// gone since, and a driver may round what it was given.
struct LoadedRamp {
    HardwareRamp written{};   // what was handed to the adapter
    HardwareRamp held{};      // what the adapter's ramp read back right after (written when unreadable)
    bool extended = false;    // a table of a form that only the extended setting loads
};

// Makes the profile at path the monitor's default profile (disassociate, then
// associate with the monitor's device ID) and downloads its calibration. A failed
// device lookup or association is reported here and returned; messageId is then left
// alone. Otherwise returns LoadCalibration's result and message id (and what it
// loaded, when asked). The association stays in place even when the calibration cannot
// be downloaded.
int32_t SetDefaultProfile(MonitorHandle monitor, const char* path, int32_t attachedOnly, int32_t& messageId,
                          bool extendedTables = false, LoadedRamp* loaded = nullptr);

// Reads the profile's 'vcgt' tag, checks it and writes it to the monitor's adapter: the
// 786-byte table, and with extendedTables (the user's setting "Also load 16-bit and
// formula tables") every other well-formed form too. Where HDR is on for the monitor,
// nothing is written: 50 (kResultAdvancedColor) with IDS_HDR_NOT_LOADED. Returns 0 with
// messageId 0 and, when asked, what was written and read back; or the failing step's
// result with the id of the string-table entry that describes it (209 to 216).
// Reports nothing itself.
int32_t LoadCalibration(MonitorHandle monitor, const char* path, int32_t& messageId, bool extendedTables = false,
                        LoadedRamp* loaded = nullptr);

// Puts the linear ramp into the monitor's adapter (Reset to linear). Returns 0 with
// what was written and read back in linear; or the refused write's result, reported as
// a refused download is (IDS_DOWNLOAD_FAILED, see ReportCalibrationFailure) for the
// profile at path, or for the monitor's current profile when path is empty. Whether HDR
// leaves the ramp alone is the caller's to decide.
int32_t ResetToLinear(MonitorHandle monitor, const char* path, LoadedRamp& linear);

// Every step of LoadCalibration but the download: opens the profile, reads and checks
// its tag and decodes it, writing nothing anywhere. Returns 0 with messageId 0 and ramp
// holding exactly what LoadCalibration writes, or the failing step's result and
// message id, as LoadCalibration would give them. What a profile will do when selected
// is told by this. extended, when given, says whether the tag is of a form other than
// the 786-byte table.
int32_t DiagnoseCalibration(const char* path, HardwareRamp& ramp, int32_t& messageId, bool extendedTables = false,
                            bool* extended = nullptr);

// Shows why a calibration download failed, as a selection shows it: string-table entry
// messageId (209 to 216) filled in with the profile's file name, the monitor's name
// ("*unknown*" when it cannot be found), the request to select another profile and the
// result; for HDR (IDS_HDR_NOT_LOADED), the monitor's name alone.
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
