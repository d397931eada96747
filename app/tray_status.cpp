#include "app/tray_status.h"

#include "cms/CMSSupport.h"
#include "cms/calibration_check.h"
#include "report/mbstring.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>

namespace {

constexpr size_t kLineBytes = 512;
constexpr uint32_t kCodePageAnsi = 0;   // CP_ACP
// A monitor's name is not shortened below this, so that it can still be told apart.
constexpr size_t kShortestName = 6;

// Text of the ANSI code page in UTF-16; empty when it cannot be converted.
std::u16string Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), 0x7FFFFFFF));
    const int32_t units = Sys().MultiByteToWideChar(kCodePageAnsi, 0, text.data(), length, nullptr, 0);
    if (units <= 0)
        return {};
    std::u16string wide(static_cast<size_t>(units), u'\0');
    const int32_t written = Sys().MultiByteToWideChar(kCodePageAnsi, 0, text.data(), length, wide.data(), units);
    wide.resize(static_cast<size_t>(std::max(written, 0)));
    return wide;
}

// A string-table entry of one to three %s filled with UTF-16 pieces: it is formatted
// with a mark for each piece, then the marks are replaced, so a piece outside the code
// page is kept whole.
std::u16string Compose(uint32_t id, const std::vector<std::u16string>& pieces)
{
    const char* format = GetResourceString(id);
    std::string filled;
    if (pieces.size() == 1)
        filled = FormatOrFallback(kLineBytes, format, "s", "\x01", "\x01");
    else if (pieces.size() == 2)
        filled = FormatOrFallback(kLineBytes, format, "s s", "\x01: \x02", "\x01", "\x02");
    else
        filled = FormatOrFallback(kLineBytes, format, "s s s", "\x01: \x02, \x03", "\x01", "\x02", "\x03");
    std::u16string text;
    for (char16_t unit : Widen(filled)) {
        if (unit >= 1 && unit <= pieces.size())
            text += pieces[unit - 1];
        else
            text += unit;
    }
    return text;
}

std::u16string Text(uint32_t id) { return Widen(GetResourceString(id)); }

std::u16string FileOf(const std::string& path)
{
    std::string name;
    std::string extension;
    SplitPath(path.c_str(), &name, &extension);
    return Widen(name + extension);
}

// A line with the state first; the profile left out when there is none.
std::u16string Line(const std::u16string& monitor, const std::u16string& state, const std::u16string& profile)
{
    return profile.empty() ? Compose(IDS_TRAY_TIP_SHORT, {monitor, state})
                           : Compose(IDS_TRAY_LINE, {monitor, state, profile});
}

std::u16string Join(const std::vector<std::u16string>& lines)
{
    std::u16string text;
    for (const std::u16string& line : lines) {
        if (!text.empty())
            text += u'\n';
        text += line;
    }
    return text;
}

}  // namespace

std::vector<TrayStatus> TrayStatuses(const KeeperSet& keepers, bool extendedTables, bool keeping,
                                     const std::u16string& pausedFor)
{
    std::vector<TrayStatus> states;
    for (const Keeper& keeper : keepers.Keepers()) {
        TrayStatus status;
        status.monitor = Widen(keeper.monitor.description);
        if (!keeper.path.empty())
            status.profile = FileOf(keeper.path);
        if (keeper.monitor.advancedColor) {
            status.state = Text(IDS_STATE_HDR);
        } else if (keeper.state == KeepState::Keeping && !keeping) {
            status.state = Text(IDS_STATE_NOT_KEPT);
        } else if (keeper.state == KeepState::Keeping && !pausedFor.empty()) {
            status.state = Compose(IDS_STATE_PAUSED_FOR, {pausedFor});
        } else if (keeper.state == KeepState::Keeping) {
            status.state = Text(IDS_STATE_LOADED);
        } else if (keeper.state == KeepState::Paused) {
            status.state = Text(IDS_STATE_PAUSED);
        } else if (keeper.state == KeepState::BackedOff) {
            status.state = Text(IDS_STATE_BACKED_OFF);
        } else {
            std::string path;
            if (GetProfileNameUsingDeviceID(keeper.monitor.handle, &path, nullptr, nullptr) != 0 || path.empty()) {
                status.state = Text(IDS_STATE_NO_PROFILE);
                status.profile.clear();
            } else {
                status.profile = FileOf(path);
                status.state = Text(IDS_STATE_NOT_LOADED);
                status.reason = Widen(DescribeVerdict(DiagnoseProfile(path.c_str(), extendedTables)));
            }
        }
        states.push_back(std::move(status));
    }
    return states;
}

std::u16string TrayTipText(const std::vector<TrayStatus>& states, size_t maxUnits)
{
    std::vector<std::u16string> lines;
    for (const TrayStatus& status : states)
        lines.push_back(Line(status.monitor, status.state, status.profile));
    std::u16string text = Join(lines);
    if (text.size() <= maxUnits)
        return text;
    // The states matter most: the profiles go first, then each line gets an equal share,
    // its monitor's name shortened to fit its state, and only then the line cut.
    lines.clear();
    for (const TrayStatus& status : states)
        lines.push_back(Compose(IDS_TRAY_TIP_SHORT, {status.monitor, status.state}));
    text = Join(lines);
    if (text.size() <= maxUnits || states.empty())
        return text;
    const size_t share = (maxUnits - std::min(maxUnits, states.size() - 1)) / states.size();
    for (size_t i = 0; i < states.size(); ++i) {
        std::u16string& line = lines[i];
        if (line.size() <= share)
            continue;
        const std::u16string& name = states[i].monitor;
        const size_t cut = std::min(name.size(), line.size() - share);
        line = Compose(IDS_TRAY_TIP_SHORT, {name.substr(0, std::max(name.size() - cut, kShortestName)), states[i].state});
        if (line.size() > share)
            line.resize(share);
    }
    return Join(lines);
}

std::u16string TrayWholeText(const std::vector<TrayStatus>& states)
{
    std::vector<std::u16string> lines;
    for (const TrayStatus& status : states)
        lines.push_back(Line(status.monitor, status.reason.empty() ? status.state
                                                                   : status.state + u" (" + status.reason + u")",
                             status.profile));
    return Join(lines);
}
