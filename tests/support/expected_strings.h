// The fixed texts, entry by entry: what the resource script must hold of them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

using StringTable = std::vector<std::pair<uint32_t, const char*>>;

// Ids 209 to 505, the 160s and 392 are fixed: none of these texts may change.
inline const StringTable& FixedStrings()
{
    static const StringTable table = {
        {209, R"(Sorry, there was a problem opening the profile "%s" for monitor "%s". %s (%d))"},
        {210, R"(Sorry, no calibration data was found in the profile "%s" for monitor "%s". %s (%d))"},
        {211, R"(Sorry, the calibration data in the profile "%s" for monitor "%s" is an unexpected length. %s (%d))"},
        {212, R"(Sorry, insufficient memory to process the profile "%s" for monitor "%s". %s. (%d))"},
        {213, R"(Sorry, the calibration data in the profile "%s" for monitor "%s" could not be read. %s (%d))"},
        {214, R"(Sorry, the calibration data in the profile "%s" for monitor "%s" contains unexpected values and will not be downloaded to the video card. %s (%d))"},
        {215, R"(Sorry, the calibration data in the profile "%s" for monitor "%s" appears to be bad and will not be downloaded to the video card. %s (%d))"},
        {216, R"(Sorry, there was a problem downloading the calibration data from profile "%s" to the video card for monitor "%s". %s (%d))"},
        {217, R"(Please select another profile.)"},
        {222, R"(Error %hd (%s %ld))"},
        {392, R"(\Docs\)"},
        {500, R"('vcgt' tag is an unexpected length. Skipping video card Look Up Table download.)"},
        {501, R"('vcgt' tag contains unexpected values. Skipping video card Look Up Table download.)"},
        {502, R"(The Look Up Table appears to be bad and will not be downloaded to the video card.)"},
        {503, R"(No 'vcgt' tag was found in the profile.)"},
        {504, R"(There are no profiles currently associated with this monitor.)"},
        {505, R"(There are no monitor profiles in the system.)"},
    };
    return table;
}

// The first id of the entries added since.
constexpr uint32_t kFirstAddedString = 1000;
