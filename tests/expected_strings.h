// The program's string table, entry by entry: what the resource script must hold.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

using StringTable = std::vector<std::pair<uint32_t, const char*>>;

// The first string table (entries 209 to 505, the 160s and 392), exactly as tabled:
// none may change.
inline const StringTable& FirstStringTable()
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

// The entries added since, from 1000 up, in id order: a new text goes at the end.
inline const StringTable& AddedStringTable()
{
    static const StringTable table = {
        {1000, R"(This page cannot be shown here: no HTML engine is available. Open it in a web browser:)"},
        {1001, R"(This page cannot be opened: its name is too long.)"},
        {1002, R"(Reload calibration)"},
        {1003, R"(Verify calibration)"},
        {1004, R"(Reset video card to linear)"},
        {1005, R"(Keep calibration loaded)"},
        {1006, R"(Load calibration at logon)"},
        {1007, R"(Loads its video card calibration when selected.)"},
        {1008, R"(No video card calibration: selecting it only makes it the default profile.)"},
        {1010, R"(Its calibration data is damaged and will not be loaded.)"},
        {1011, R"(Its calibration would make the screen too dark and will not be loaded.)"},
        {1012, R"(The profile cannot be read (%d).)"},
        {1013, R"(The calibration of "%s" is loaded on monitor "%s".)"},
        {1014, R"(The calibration of "%s" is not loaded on monitor "%s": %d of the 768 entries differ, by up to %d.)"},
        {1015, R"(The profile "%s" has no calibration that can be loaded: there is nothing to verify.)"},
        {1016, R"(The video card ramp of monitor "%s" cannot be read (%d).)"},
        {1017, "Usage: kestrava [/load | /tray] [/quiet]\n\nWithout a switch it opens a window for each monitor.\n"
               "/load\tloads the calibration of each monitor's current profile, without a window.\n"
               "/tray\tloads it too, then keeps it loaded from the notification area.\n"
               "/quiet\twith /load or /tray: shows no message.\n/?\tshows this message."},
        {1018, R"(Its calibration is a 16-bit or formula table: turn on "Also load 16-bit and formula tables" in the window menu to load it.)"},
        {1019, R"(Also load 16-bit and formula tables)"},
        {1020, R"(Another program keeps changing the video card ramp of %s, so Kestrava stopped restoring it. Select a profile or choose Reload calibration to restore it.)"},
        {1021, R"(HDR is on for %s: its calibration was not loaded into the video card.)"},
        {1022, R"(HDR is on for %s: its calibration is not loaded into the video card.)"},
        {1023, "Open Kestrava"},
        {1024, "Reset video cards to linear"},
        {1025, "Exit"},
        {1026, "%s: %s, %s"},
        {1027, "loaded"},
        {1028, "not loaded"},
        {1029, "paused"},
        {1030, "stopped restoring (another program)"},
        {1031, "HDR"},
        {1032, "no profile"},
        {1033, "paused for %s"},
    };
    return table;
}

// The whole table.
inline const StringTable& ExpectedStringTable()
{
    static const StringTable table = [] {
        StringTable all = FirstStringTable();
        all.insert(all.end(), AddedStringTable().begin(), AddedStringTable().end());
        return all;
    }();
    return table;
}
