// Building a profile list: every monitor profile of the system, or the profiles
// associated with one monitor, each marked by its tags.
#pragma once

#include "cms/profile_list.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// AddProfilesToList's mode that lists the profiles associated with the monitor's device.
constexpr int32_t kListByDeviceId = 1;

// Fills the list with every monitor profile (deviceId null) or with those associated
// with the device, keeping only ".icm" and ".icc" files, then marks them. Failures are
// reported; the result is 0, 4306 when there is no profile, or a platform code. When
// the store's ANSI enumeration fails, or gives a name with '?' for characters it could
// not convert, its UTF-16 one is used instead: a profile whose name the ANSI code page
// cannot hold is left out, and all such are named in one report (code 1113), while the
// others are listed as usual. (Should the UTF-16 one fail after such a name, the ANSI
// names are listed but for those, which the report names as the ANSI call gave them.)
int32_t AddAllProfilesToList(const std::string* deviceId, ProfileList& list);

// Empties the list and fills it with the monitor's associated profiles: through the
// store by the monitor's device ID for mode 1, through a device context otherwise.
int32_t AddProfilesToList(MonitorHandle monitor, ProfileList& list, int32_t mode);
int32_t AddProfilesToListUsingDeviceID(MonitorHandle monitor, ProfileList& list);
int32_t AddProfilesToListUsingDC(MonitorHandle monitor, ProfileList& list);

// Appends the NUL-terminated strings packed in buffer to names (after emptying it),
// stopping at an empty string or at the end of the buffer, whichever comes first.
// A last string that runs to the end without its NUL is taken up to the end.
int32_t SplitMultiString(const char* buffer, size_t length, std::vector<std::string>& names);

// Whether a file name's extension makes it a candidate profile: ".icm" or ".icc" in
// any case.
bool IsProfileExtension(const std::string& path);

// Sets every row's calibration flag ('vcgt' present) and creator flag ('TCPt' present)
// by opening its profile; an unreadable profile is reported and its flags left unset.
void MarkProfileAttributes(ProfileList& list);
