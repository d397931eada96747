#include "app/tray_status.h"

#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "report/mbstring.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

namespace {

constexpr size_t kLineBytes = 512;

std::string FileOf(const std::string& path)
{
    std::string name;
    std::string extension;
    SplitPath(path.c_str(), &name, &extension);
    return name + extension;
}

// Why a monitor that keeps nothing has nothing loaded.
std::string NotLoaded(const Keeper& keeper, bool extendedTables, std::string& profile)
{
    std::string path;
    if (GetProfileNameUsingDeviceID(keeper.monitor.handle, &path, nullptr, nullptr) != 0 || path.empty())
        return GetResourceString(IDS_STATE_NO_PROFILE);
    profile = FileOf(path);
    const std::string state = GetResourceString(IDS_STATE_NOT_LOADED);
    return state + " (" + DescribeVerdict(DiagnoseProfile(path.c_str(), extendedTables)) + ")";
}

std::string PausedFor(const std::string& program)
{
    return FormatOrFallback(kLineBytes, GetResourceString(IDS_STATE_PAUSED_FOR), "s", program, program.c_str());
}

}  // namespace

std::vector<std::string> TrayStatusLines(const KeeperSet& keepers, bool extendedTables, const std::string& pausedFor)
{
    std::vector<std::string> lines;
    for (const Keeper& keeper : keepers.Keepers()) {
        std::string profile = keeper.path.empty() ? std::string() : FileOf(keeper.path);
        std::string state;
        if (keeper.monitor.advancedColor)
            state = GetResourceString(IDS_STATE_HDR);
        else if (keeper.state == KeepState::Keeping && !pausedFor.empty())
            state = PausedFor(pausedFor);
        else if (keeper.state == KeepState::Keeping)
            state = GetResourceString(IDS_STATE_LOADED);
        else if (keeper.state == KeepState::Paused)
            state = GetResourceString(IDS_STATE_PAUSED);
        else if (keeper.state == KeepState::BackedOff)
            state = GetResourceString(IDS_STATE_BACKED_OFF);
        else
            state = NotLoaded(keeper, extendedTables, profile);
        const std::string monitor = keeper.monitor.description;
        lines.push_back(FormatOrFallback(kLineBytes, GetResourceString(IDS_TRAY_LINE), "s s s",
                                         monitor + ", " + profile + ", " + state, monitor.c_str(), profile.c_str(),
                                         state.c_str()));
    }
    return lines;
}

std::string TrayTipText(const std::vector<std::string>& lines, size_t maxBytes)
{
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty())
            text += '\n';
        text += line;
    }
    return MbsTruncate(text, maxBytes);
}
