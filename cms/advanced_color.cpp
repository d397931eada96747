#include "cms/advanced_color.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The display configuration may change between the size query and the query itself;
// each change answers the query with ERROR_INSUFFICIENT_BUFFER and is worth a new try.
constexpr int kQueryAttempts = 3;
// Far beyond any real desktop (a configuration holds at most 1024 paths and a few modes
// per path): a count above this is not trusted with an allocation.
constexpr uint32_t kMaxRecords = 4096;

uint32_t AsciiLower(uint32_t c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// The GDI name a source reports, against the adapter name GetMonitorInfoA gave. Both
// are ASCII (\\.\DISPLAYn) and compare without regard to case.
bool SameGdiName(const std::u16string& wide, const std::string& narrow)
{
    const auto length = static_cast<size_t>(std::find(wide.begin(), wide.end(), u'\0') - wide.begin());
    if (length != narrow.size())
        return false;
    for (size_t i = 0; i < length; ++i) {
        const uint32_t byte = static_cast<uint8_t>(narrow[i]);
        if (byte >= 0x80 || AsciiLower(wide[i]) != AsciiLower(byte))
            return false;
    }
    return true;
}

// The active paths, or none when the configuration cannot be read.
std::vector<DisplayConfigPathInfo> ActivePaths()
{
    for (int attempt = 0; attempt < kQueryAttempts; ++attempt) {
        uint32_t pathCount = 0;
        uint32_t modeCount = 0;
        if (Sys().GetDisplayConfigBufferSizes(kQdcOnlyActivePaths, &pathCount, &modeCount) != 0)
            return {};
        if (pathCount == 0 || pathCount > kMaxRecords || modeCount > kMaxRecords)
            return {};
        std::vector<DisplayConfigPathInfo> paths(pathCount);
        std::vector<DisplayConfigModeInfo> modes(std::max<uint32_t>(modeCount, 1));
        uint32_t modeCapacity = static_cast<uint32_t>(modes.size());
        const int32_t result = Sys().QueryDisplayConfig(kQdcOnlyActivePaths, &pathCount, paths.data(),
                                                        &modeCapacity, modes.data(), nullptr);
        if (result == static_cast<int32_t>(kErrorInsufficientBuffer))
            continue;
        if (result != 0)
            return {};
        // Only the records the query filled.
        paths.resize(std::min<size_t>(pathCount, paths.size()));
        return paths;
    }
    return {};
}

// The target's active colour mode, where the system knows the second query; else its
// advanced colour, unless that is the wide colour an SDR monitor is enforced into
// (automatic colour management), where the ramp still applies as in SDR.
bool TargetInHdr(const DisplayConfigPathTargetInfo& target)
{
    DisplayConfigAdvancedColorInfo2 mode{};
    mode.header.type = kDisplayConfigGetAdvancedColorInfo2;
    mode.header.size = sizeof mode;
    mode.header.adapterId = target.adapterId;
    mode.header.id = target.id;
    if (Sys().DisplayConfigGetDeviceInfo(&mode.header) == 0)
        return mode.activeColorMode == kAdvancedColorModeHdr;

    DisplayConfigAdvancedColorInfo color{};
    color.header.type = kDisplayConfigGetAdvancedColorInfo;
    color.header.size = sizeof color;
    color.header.adapterId = target.adapterId;
    color.header.id = target.id;
    return Sys().DisplayConfigGetDeviceInfo(&color.header) == 0 && (color.value & kAdvancedColorEnabled) != 0 &&
           (color.value & kAdvancedColorWideColorEnforced) == 0;
}

}  // namespace

bool IsHdrActive(MonitorHandle monitor)
{
    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    if (!Sys().GetMonitorInfoA(monitor, &info))
        return false;
    HdrAdapters hdr;
    return hdr.Has(std::string(std::begin(info.szDevice),
                               std::find(std::begin(info.szDevice), std::end(info.szDevice), '\0')));
}

bool HdrAdapters::Has(const std::string& adapterName)
{
    if (adapterName.empty())
        return false;
    if (!m_bRead) {
        m_bRead = true;
        // In a clone configuration several targets show one source: any of them in HDR
        // counts.
        for (const DisplayConfigPathInfo& path : ActivePaths()) {
            DisplayConfigSourceDeviceName source{};
            source.header.type = kDisplayConfigGetSourceName;
            source.header.size = sizeof source;
            source.header.adapterId = path.sourceInfo.adapterId;
            source.header.id = path.sourceInfo.id;
            if (Sys().DisplayConfigGetDeviceInfo(&source.header) == 0 && TargetInHdr(path.targetInfo))
                m_sources.emplace_back(std::begin(source.viewGdiDeviceName), std::end(source.viewGdiDeviceName));
        }
    }
    return std::any_of(m_sources.begin(), m_sources.end(),
                       [&](const std::u16string& gdiName) { return SameGdiName(gdiName, adapterName); });
}
