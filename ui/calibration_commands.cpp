#include "ui/calibration_commands.h"

#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "report/mbstring.h"
#include "report/resource_strings.h"
#include "report/text_format.h"
#include "res/resource.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr size_t kMessageSize = 1024;
constexpr size_t kNameBytes = 255;

// A string-table entry filled in (see FormatOrFallback).
template <class... Args>
std::string Fill(uint32_t id, const char* conversions, const std::string& fallback, Args... args)
{
    return FormatOrFallback(kMessageSize, GetResourceString(id), conversions, fallback, args...);
}

std::string FileNameOf(const std::string& path)
{
    std::string name;
    SplitPath(path.c_str(), &name, nullptr);
    return name;
}

}  // namespace

const CalibrationCommand kCalibrationCommands[6] = {
    {IDM_RELOAD_CALIBRATION, IDS_CMD_RELOAD, CalibrationAction::Reload, nullptr, true},
    {IDM_VERIFY_CALIBRATION, IDS_CMD_VERIFY, CalibrationAction::Verify, nullptr, true},
    {IDM_RESET_TO_LINEAR, IDS_CMD_RESET, CalibrationAction::Reset, nullptr, false},
    {IDM_KEEP_LOADED, IDS_CMD_KEEP_LOADED, CalibrationAction::KeepLoaded, &Settings::keepLoaded, false},
    {IDM_LOAD_AT_LOGON, IDS_CMD_LOAD_AT_LOGON, CalibrationAction::LoadAtLogon, &Settings::loadAtLogon, false},
    {IDM_EXTENDED_TABLES, IDS_CMD_EXTENDED_TABLES, CalibrationAction::ExtendedTables, &Settings::extendedTables,
     false},
};

const CalibrationCommand* FindCalibrationCommand(uint32_t id)
{
    const auto found = std::find_if(std::begin(kCalibrationCommands), std::end(kCalibrationCommands),
                                    [&](const CalibrationCommand& command) { return command.id == id; });
    return found == std::end(kCalibrationCommands) ? nullptr : found;
}

CommandState StateOf(const CalibrationCommand& command, const Settings& settings, bool hasSelection)
{
    CommandState state;
    state.checked = command.checked && settings.*command.checked;
    state.enabled = hasSelection || !command.needsSelection;
    return state;
}

int32_t ToggleStoredSetting(Settings& settings, CalibrationAction action, SettingsStore& store)
{
    switch (action) {
    case CalibrationAction::KeepLoaded: {
        const bool on = !settings.keepLoaded;
        if (int32_t result = store.SetKeepLoaded(on))
            return result;
        // Logon keeps it loaded (/tray) while keeping is on, and loads it once otherwise.
        // Refused, the entry still names the other switch: the keeping goes back to
        // what the entry says, so that the two agree.
        if (settings.loadAtLogon) {
            if (int32_t result = store.SetLoadAtLogon(true, on)) {
                if (store.SetKeepLoaded(!on) != 0)
                    settings.keepLoaded = on;
                return result;
            }
        }
        settings.keepLoaded = on;
        return 0;
    }
    case CalibrationAction::LoadAtLogon: {
        const bool on = !settings.loadAtLogon;
        if (int32_t result = store.SetLoadAtLogon(on, settings.keepLoaded))
            return result;
        settings.loadAtLogon = on;
        return 0;
    }
    case CalibrationAction::ExtendedTables: {
        const bool on = !settings.extendedTables;
        if (int32_t result = store.SetExtendedTables(on))
            return result;
        settings.extendedTables = on;
        return 0;
    }
    default:
        return 0;
    }
}

std::string SettingNotSavedText(int32_t result)
{
    return Fill(IDS_SETTING_NOT_SAVED, "d", std::to_string(result), static_cast<int>(result));
}

std::string HdrNotKeptText(const std::string& monitorName)
{
    const std::string name = MbsTruncate(monitorName, kNameBytes);
    return Fill(IDS_HDR_NOT_KEPT, "s", name, name.c_str());
}

std::string BackedOffText(const std::string& monitorName)
{
    const std::string name = MbsTruncate(monitorName, kNameBytes);
    return Fill(IDS_BACKED_OFF, "s", name, name.c_str());
}

VerifyAnswer VerifyCalibration(MonitorHandle monitor, const std::string& path, const std::string& monitorName,
                               bool extendedTables, bool advancedColor, KeepState state, bool keeping)
{
    const std::string name = MbsTruncate(FileNameOf(path), kNameBytes);
    const std::string screen = MbsTruncate(monitorName, kNameBytes);
    VerifyAnswer answer;

    const CalibrationDiagnosis diagnosis = DiagnoseProfile(path.c_str(), extendedTables);
    HardwareRamp actual{};
    int32_t result = 0;
    if (diagnosis.verdict != CalibrationVerdict::Loads) {
        answer.text = Fill(IDS_VERIFY_NOTHING, "s", name, name.c_str());
    } else if (advancedColor) {
        answer.text = HdrNotKeptText(monitorName);
    } else if ((result = ReadMonitorRamp(monitor, actual)) != 0) {
        answer.warning = true;
        answer.text = Fill(IDS_VERIFY_UNREADABLE, "s d", screen + ", " + std::to_string(result), screen.c_str(),
                           static_cast<int>(result));
    } else if (const RampDifference difference = CompareRamp(actual, diagnosis.hardware); difference.entries == 0) {
        answer.text = Fill(IDS_VERIFY_LOADED, "s s", name + ", " + screen, name.c_str(), screen.c_str());
        if (!keeping)
            answer.text += std::string("\n\n") + GetResourceString(IDS_VERIFY_NOT_KEPT);
    } else {
        answer.warning = true;
        answer.text = Fill(IDS_VERIFY_NOT_LOADED, "s s d d",
                           name + ", " + screen + ", " + std::to_string(difference.entries) + ", " +
                               std::to_string(difference.largest),
                           name.c_str(), screen.c_str(), static_cast<int>(difference.entries),
                           static_cast<int>(difference.largest));
    }
    if (state == KeepState::BackedOff) {
        answer.warning = true;
        answer.text += "\n\n" + BackedOffText(monitorName);
    }
    return answer;
}
